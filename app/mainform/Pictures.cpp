// The Start button's icon and the Start menu's logo: the file dialogs and the
// loaders that put them into the working copies.
#include <vector>

#include "app/mainform/MainForm.h"
#include "platform/WinPath.h"
#include "startmenu/LogoLoader.h"
#include "startmenu/StartButtonIcon.h"

namespace velkan::app {

using platform::Picture;

namespace {

constexpr int kLogoPanelHeight = 336;

} // namespace

bool TMainForm::loadStartButtonIcon(const std::string& file) {
    auto result = startmenu::loadStartButtonIcon(env.machine, paths.userTmp, file, layout.iconShift);
    if (!result) {
        showError(result.error().message, "Error...");
        fileErrorShown_ = true;
        return true;
    }
    switch (result->outcome) {
    case startmenu::IconLoad::NotRecognised:
        main.StartSE.setHint("Incorrect Win95 version");
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
        main.StartSE.setHint("Size " + size + "x" + size + " with 16 colors");
        IconChanged = true;
        if (auto host = platform::resolveWinPath(env.machine, file))
            main.MyImage.setPicture({Picture::Kind::IconFile, host->string(), 0});
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
    const int switched = shellpatch::variantSwitch(main.VersionRG.itemIndex());
    if (switched != main.VersionRG.itemIndex()) {
        // The switch reads the shell file again, which would throw away what
        // the user typed and ticked before the load: those edits come back.
        std::vector<std::pair<platform::Edit*, std::string>> texts;
        for (platform::Edit* edit : {&main.StartEdit, &main.TooltipEdit})
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
        main.VersionRG.setItemIndex(switched);
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
    main.LogoImage.setTop(kLogoPanelHeight - result->height);
    main.LogoImage.setHeight(result->height < 0 ? -result->height : result->height);
    LogoChanged = true;
    if (auto host = platform::resolveWinPath(env.machine, file))
        main.LogoImage.setPicture({Picture::Kind::BitmapFile, host->string(), 0});
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

void TMainForm::TranspSBClick() {
    packs.ImgLg.setTransparent(!packs.ImgLg.transparent());
}

} // namespace velkan::app
