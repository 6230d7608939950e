#include "app/CreateThemeForm.h"

#include "app/MainForm.h"
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
    request.browserFolder = m.DirListBox.directory();
    auto& index = request.index;
    index.name = NameEd.text();
    index.author = AuthEd.text();
    index.description = DescrEd.text();
    if (m.StartTextChanged)
        index.startText = m.StartEdit.text();
    if (m.TooltipChanged)
        index.tooltip = m.TooltipEdit.text();
    if (m.CaptionsChanged)
        for (int i = 0; i < shellpatch::kEntryCount; ++i) {
            const auto entry = static_cast<shellpatch::Entry>(i);
            if (shellpatch::entryInBuild(entry, m.isIe4()))
                index.captions[i] = m.captionEdit(entry).text();
        }
    if (m.LogoChanged) {
        index.logoHeight = shellpatch::kLogoMaxHeight - m.ScrollBar.position();
        request.logo = m.LogoImage.picture();
    }
    if (m.IconChanged && !m.lastIconFile.empty())
        request.startIcon = m.lastIconFile;
    if (m.ShellIconsChanged)
        for (int i = 0; i < shellpatch::kEntryCount; ++i)
            if (!m.iconSlots[i].pending.empty())
                request.itemIcons[i] = m.entryImage(static_cast<shellpatch::Entry>(i)).picture();

    if (auto saved = themes::savePack(m.env.machine, request); !saved) {
        // The dialog stays open, so the user can try another name.
        m.showError(saved.error().message, "Error...");
        return;
    }
    m.DirListBox.update();
    setModalResult(platform::IDOK);
}

} // namespace velkan::app
