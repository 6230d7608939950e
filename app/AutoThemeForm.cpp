#include "app/AutoThemeForm.h"

namespace velkan::app {

TAutoTheme::TAutoTheme() : Form("AutoTheme") {
    setCaption("Processing...");
    setWidth(273);
    setHeight(82);
    setVisible(false);
    Bevel1.setBounds(8, 8, 257, 65);
    L1.setCaption("Velkan is loading Theme Pack...");
    L1.setBounds(28, 22, 0, 0);
    AutoThemePB.setBounds(24, 44, 225, 16);
    AutoThemePB.setRange(0, 100);
    AutoThemePB.setStep(5);
}

void TAutoTheme::showNow() {
    setVisible(true);
    shown_ = true;
    updated();
}

} // namespace velkan::app
