#include "app/CreateThemeForm.h"

#include "app/mainform/MainForm.h"
#include "themes/PackSaver.h"

namespace velkan::app {

namespace {
constexpr char kEnter = 13;
constexpr char kEscape = 27;
} // namespace

TCreateTh::TCreateTh(TMainForm& mainForm) : Form("CreateTh"), main_(mainForm) {
    setCaption("Theme Pack creation...");
    setWidth(273);
    setHeight(151);
    ThemeGB.setCaption("Theme Pack:");
    NameLb.setCaption("Name:");
    AuthLb.setCaption("Author:");
    DescrLb.setCaption("Description:");
    OkBn.setCaption("&OK");
    CancBn.setCaption("&Cancel");
    OkBn.onClick = [this] { OkBnClick(); };
    CancBn.onClick = [this] { CancBnClick(); };
    for (auto* edit : {&NameEd, &AuthEd, &DescrEd})
        edit->onKeyPress = [this](char key) { return NameEdKeyPress(key); };
}

void TCreateTh::CancBnClick() {
    setModalResult(platform::IDCANCEL);
}

bool TCreateTh::NameEdKeyPress(char key) {
    if (key == kEnter) {
        OkBnClick();
        return false;
    }
    if (key == kEscape) {
        CancBnClick();
        return false;
    }
    return true;
}

void TCreateTh::OkBnClick() {
    if (NameEd.text().empty()) {
        setModalResult(platform::IDCANCEL);
        return;
    }
    TMainForm& m = main_;
    themes::PackSaveRequest request;
    request.location = m.programFolder;
    request.browserFolder = m.packs.DirListBox.directory();
    auto& index = request.index;
    index.name = NameEd.text();
    index.author = AuthEd.text();
    index.description = DescrEd.text();
    const PendingChanges changes = m.pendingChanges();
    if (changes.startText)
        index.startText = changes.startText->text;
    if (changes.tooltip)
        index.tooltip = changes.tooltip->text;
    for (int i = 0; i < shellpatch::kEntryCount; ++i)
        if (const auto& caption = changes.captions[std::size_t(i)])
            index.captions[i] = caption->text;
    if (changes.logo) {
        index.logoHeight = changes.logo->height;
        request.logo = changes.logo->picture;
    }
    if (changes.startIcon && !changes.startIcon->empty())
        request.startIcon = *changes.startIcon;
    // A pack keeps the icons chosen even where a restore stops OK writing them.
    request.itemIcons = changes.iconPictures;

    if (auto saved = themes::savePack(m.env.machine, request); !saved) {
        // The dialog stays open, so the user can try another name.
        m.showError(saved.error().message, "Error...");
        return;
    }
    m.packs.DirListBox.update();
    setModalResult(platform::IDOK);
}

} // namespace velkan::app
