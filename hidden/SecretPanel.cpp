#include "hidden/SecretPanel.h"

#include "hidden/Fern.h"
#include "hidden/SunPicture.h"

namespace velkan::hidden {

SecretPanel::SecretPanel(platform::UserQuestions& questions, RandomGenerator& random)
    : Control("SecrPn"), surface_(337, 337), random_(random), fern_(questions), sun_(questions) {
    setBounds(16, 16, 337, 337);
    setVisible(false);

    CngrLb.setBounds(72, 8, 0, 0);
    CngrLb.setCaption("CONGRATULATION :)");
    CngrLb.setFontColor(0xFF0000);
    L11.setBounds(96, 36, 0, 0);
    L11.setCaption(" You've found a secret screen!");
    L12.setBounds(120, 56, 0, 0);
    L12.setCaption(" Are you a VKR fan?");
    L13.setBounds(90, 308, 0, 0);
    L13.setCaption("Thank you for using VKR'97");
    L13.setFontColor(0x800000);

    for (PaintBox* box : {&PB1, &PB2}) {
        box->setBounds(8, 72, 321, 257);
        box->setVisible(false);
    }

    FernBn.setBounds(16, 304, 65, 25);
    FernBn.setCaption("&Fern");
    FernBn.onClick = [this] { FernBnClick(); };
    SunBn.setBounds(256, 304, 67, 25);
    SunBn.setCaption("&Sun");
    SunBn.onClick = [this] { SunBnClick(); };
}

SecretPanel::~SecretPanel() {
    stopDrawings();
}

void SecretPanel::AboutGBMouseDown(ShiftState shift) {
    if ((shift & ssShift) == 0 || (shift & ssCtrl) == 0)
        return;
    setVisible(true);
    PB1.setVisible(true);
    PB2.setVisible(true);
}

void SecretPanel::SecrPnClick() {
    setVisible(false);
    PB1.setVisible(false);
    PB2.setVisible(false);
    // Nothing repaints a paint box: once hidden, its drawing is gone.
    PB1.erase();
    PB2.erase();
}

void SecretPanel::FernBnClick() {
    RandomGenerator& random = random_;
    const bool started =
        fern_.start([&random](const PixelSink& sink,
                              std::stop_token stop) { return drawFern(random, sink, stop); },
                    [this](std::vector<Pixel> batch) { PB1.paint(batch); },
                    [this] { FernBn.setEnabled(true); });
    if (started)
        FernBn.setEnabled(false);
}

void SecretPanel::SunBnClick() {
    const bool started = sun_.start(
        [](const PixelSink& sink, std::stop_token stop) { return drawSun(sink, stop); },
        [this](std::vector<Pixel> batch) { PB2.paint(batch); }, [this] { SunBn.setEnabled(true); });
    if (started)
        SunBn.setEnabled(false);
}

void SecretPanel::stopDrawings() {
    // A stopped drawing leaves its button usable, as a finished one does.
    if (fern_.running()) {
        fern_.stop();
        FernBn.setEnabled(true);
    }
    if (sun_.running()) {
        sun_.stop();
        SunBn.setEnabled(true);
    }
}

} // namespace velkan::hidden
