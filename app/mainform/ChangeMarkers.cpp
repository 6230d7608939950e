// What the edits, the check boxes and the logo bar mark as changed: the
// "(*)" in their group's caption and the flags the apply reads.
#include "app/mainform/MainForm.h"

namespace velkan::app {

namespace {

// "Start Button:" becomes "Start Button(*):" once something in it changed.
std::string withChangeMarker(const std::string& caption) {
    return (caption.empty() ? caption : caption.substr(0, caption.size() - 1)) + "(*):";
}

constexpr int kMetkaAboveLogo = 198;
constexpr std::int32_t kChangedMarkColor = 0xFF0000;

} // namespace

void TMainForm::StartEditChange() {
    if (Loading)
        return;
    if (!StartTextChanged || !TooltipChanged)
        main.StartButtonGB.setCaption(withChangeMarker(main.StartButtonGB.caption()));
    // The two fields are always written together.
    StartTextChanged = true;
    TooltipChanged = true;
}

void TMainForm::markStartMenuChanged() {
    if (!CaptionsChanged && !LogoHeightChanged)
        main.StartMenuGB.setCaption(withChangeMarker(main.StartMenuGB.caption()));
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
    if (&box == &main.ContrCB && isIe4() && !main.ContrCB.ticked())
        env.questions.messageBox(" You can't hide this item, because some\ritems in this submenu "
                                 "in IE4 are unhidable.\rThis option will hide only some of them.",
                                 "Warning...", platform::MessageIcon::Error,
                                 platform::MessageButtons::OK);
    PoliciesChanged = true;
}

void TMainForm::ScrollBarChange() {
    main.Metka.setTop(kMetkaAboveLogo + main.ScrollBar.position());
    main.ScrollCount.setCaption(
        std::to_string(shellpatch::kLogoMaxHeight - main.ScrollBar.position()));
    if (Loading)
        return;
    markStartMenuChanged();
    main.Metka.setFontColor(kChangedMarkColor);
    LogoHeightChanged = true;
}

} // namespace velkan::app
