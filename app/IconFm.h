#pragma once

#include "platform/Controls.h"

#include <array>
#include <functional>

namespace velkan::app {

// "Other start menu icons": the tool window beside the theme preview that
// shows a pack's icons 4 to 10. It comes and goes with the mouse over the
// theme page unless "Stay visible" (UpBn) holds it.
class TIconFm : public platform::Form {
public:
    TIconFm();

    platform::Image Imag1{"Imag1"}, Imag2{"Imag2"}, Imag3{"Imag3"}, Imag4{"Imag4"}, Imag5{"Imag5"},
        Imag6{"Imag6"}, Imag7{"Imag7"};
    platform::Button UpBn{"UpBn"};

    std::array<platform::Image*, 7> images() {
        return {&Imag1, &Imag2, &Imag3, &Imag4, &Imag5, &Imag6, &Imag7};
    }

    // The main window's toggle button that opened the pop-up.
    platform::Button* MoreBn = nullptr;

    void show(int left, int top);
    // Hides the pop-up unless "Stay visible" is down.
    void hideUnlessHeld();
    void FormDeactivate();
    // The user closed it by its close box.
    void FormClose();
};

} // namespace velkan::app
