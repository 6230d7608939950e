// The main window's edits, check boxes and pictures: change markers, the
// Start-button icon and logo loaders, the logo height.
#include <vector>

#include "app/MainForm.h"
#include "platform/WinPath.h"
#include "startmenu/LogoLoader.h"
#include "startmenu/StartButtonIcon.h"

namespace velkan::app {

using platform::Picture;

namespace {

// "Start Button:" becomes "Start Button(*):" once something in it changed.
std::string withChangeMarker(const std::string& caption) {
    return (caption.empty() ? caption : caption.substr(0, caption.size() - 1)) + "(*):";
}

constexpr int kLogoPanelHeight = 336;
constexpr int kMetkaAboveLogo = 198;
constexpr std::int32_t kChangedMarkColor = 0xFF0000;

} // namespace

void TMainForm::StartEditChange() {
    if (Loading)
        return;
    if (!StartTextChanged || !TooltipChanged)
        StartButtonGB.setCaption(withChangeMarker(StartButtonGB.caption()));
    // The two fields are always written together.
    StartTextChanged = true;
    TooltipChanged = true;
}

void TMainForm::markStartMenuChanged() {
    if (!CaptionsChanged && !LogoHeightChanged)
        StartMenuGB.setCaption(withChangeMarker(StartMenuGB.caption()));
}

void TMainForm::ProgEditChange() {
    if (Loading)
        return;
    markStartMenuChanged();
    CaptionsChanged = true;
}

void TMainForm::ContrCBClick(platform::CheckBox& box) {
    if (Loading)
        return;
    if (&box == &ContrCB && isIe4() && !ContrCB.ticked())
        env.questions.messageBox(" You can't hide this item, because some\ritems in this submenu "
                                 "in IE4 are unhidable.\rThis option will hide only some of them.",
                                 "Warning...", platform::MessageIcon::Error,
                                 platform::MessageButtons::OK);
    PoliciesChanged = true;
}

void TMainForm::ScrollBarChange() {
    Metka.setTop(kMetkaAboveLogo + ScrollBar.position());
    ScrollCount.setCaption(std::to_string(shellpatch::kLogoMaxHeight - ScrollBar.position()));
    if (Loading)
        return;
    markStartMenuChanged();
    Metka.setFontColor(kChangedMarkColor);
    LogoHeightChanged = true;
}

bool TMainForm::loadStartButtonIcon(const std::string& file) {
    auto result = startmenu::loadStartButtonIcon(env.machine, paths.userTmp, file, layout.iconShift);
    if (!result) {
        showError(result.error().message, "Error...");
        fileErrorShown_ = true;
        return true;
    }
    switch (result->outcome) {
    case startmenu::IconLoad::NotRecognised:
        StartSE.setHint("Incorrect Win95 version");
        return false;
    case startmenu::IconLoad::Rejected:
        env.questions.messageBox("  Icon must be 10x10 or 12x12 or 14x14\ror 16x16 or 22x22 or "
                                 "32x32 with 16 colors!",
                                 "Incorrect icon...", platform::MessageIcon::Error,
                                 platform::MessageButtons::OK);
        break;
    case startmenu::IconLoad::Accepted: {
        ++loadedIconCount;
        const std::string size = std::to_string(result->size);
        StartSE.setHint("Size " + size + "x" + size + " with 16 colors");
        IconChanged = true;
        if (auto host = platform::resolveWinPath(env.machine, file))
            MyImage.setPicture({Picture::Kind::IconFile, host->string(), 0});
        break;
    }
    }
    lastIconFile = file;
    return true;
}

void TMainForm::loadStartButtonIconWithRetry(const std::string& file) {
    if (loadStartButtonIcon(file))
        return;
    // A "US" row whose User.exe is laid out as its "PE" twin.
    const int switched = shellpatch::variantSwitch(VersionRG.itemIndex());
    if (switched != VersionRG.itemIndex()) {
        // The switch reads the shell file again, which would throw away what
        // the user typed and ticked before the load: those edits come back.
        std::vector<std::pair<platform::Edit*, std::string>> texts;
        for (platform::Edit* edit : {&StartEdit, &TooltipEdit})
            texts.emplace_back(edit, edit->text());
        for (int i = 0; i < shellpatch::kEntryCount; ++i)
            texts.emplace_back(&captionEdit(static_cast<shellpatch::Entry>(i)),
                               captionEdit(static_cast<shellpatch::Entry>(i)).text());
        const auto boxes = visibilityBoxes();
        platform::CheckBox* boxList[] = {&boxes.settings, &boxes.find,    &boxes.run,
                                         &boxes.logOff,   &boxes.suspend, &boxes.shutDown};
        std::vector<std::pair<platform::CheckBox*, platform::CheckState>> states;
        for (platform::CheckBox* box : boxList)
            states.emplace_back(box, box->state());
        const bool startText = StartTextChanged, tooltip = TooltipChanged,
                   captions = CaptionsChanged, policies = PoliciesChanged;
        VersionRG.setItemIndex(switched);
        Loading = true;
        for (std::size_t i = 0; i < texts.size(); ++i)
            if (i < 2 ? startText || tooltip : captions)
                texts[i].first->setText(texts[i].second);
        if (policies)
            for (auto& [box, state] : states)
                box->setState(state);
        Loading = false;
        StartTextChanged = startText;
        TooltipChanged = tooltip;
        CaptionsChanged = captions;
        PoliciesChanged = policies;
    }
    (void)loadStartButtonIcon(file);
}

void TMainForm::StartSEClick() {
    platform::FileDialogRequest request;
    request.title = "Choose an icon file with 16 colors";
    request.filter = "Icon files (*.ico)|*.ico|All files (*.*)|*.*";
    request.fileMustExist = true;
    // Its bytes go into User.exe and, at a pack save, into the pack.
    request.hostFilesServe = true;
    if (auto file = env.questions.openFile(request))
        loadStartButtonIconWithRetry(*file);
}

void TMainForm::loadLogo(const std::string& file) {
    auto result = startmenu::loadLogo(env.machine, paths.explorerTmp, file, layout.logoOffset);
    if (!result) {
        showError(result.error().message, "Error...");
        fileErrorShown_ = true;
        return;
    }
    if (!result->accepted) {
        env.questions.messageBox(" Bitmap must be 21x57 with 16 colors\r or 21x130 with 16 colors "
                                 "if bitmap is RLE.",
                                 "Incorrect bitmap...", platform::MessageIcon::Error,
                                 platform::MessageButtons::OK);
        return;
    }
    LogoImage.setTop(kLogoPanelHeight - result->height);
    LogoImage.setHeight(result->height < 0 ? -result->height : result->height);
    LogoChanged = true;
    if (auto host = platform::resolveWinPath(env.machine, file))
        LogoImage.setPicture({Picture::Kind::BitmapFile, host->string(), 0});
}

void TMainForm::WinlogoSEClick() {
    platform::FileDialogRequest request;
    request.title = "Choose a bitmap file with width 21 pixels and 16 colors";
    request.filter = "Bitmap files (*.bmp)|*.bmp|RLE files (*.rle)|*.rle|All files (*.*)|*.*";
    request.fileMustExist = true;
    request.hostFilesServe = true;
    if (auto file = env.questions.openFile(request))
        loadLogo(*file);
}

void TMainForm::TranspSBClick() { ImgLg.setTransparent(!ImgLg.transparent()); }

} // namespace velkan::app
