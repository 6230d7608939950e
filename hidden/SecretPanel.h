#pragma once

#include "hidden/DrawingWorker.h"
#include "hidden/PaintBox.h"
#include "hidden/Random.h"
#include "platform/Controls.h"
#include "platform/UserQuestions.h"

namespace velkan::hidden {

// The keys and mouse buttons held during a mouse press, as a set of flags.
enum ShiftFlag : unsigned {
    ssShift = 1u << 0,
    ssAlt = 1u << 1,
    ssCtrl = 1u << 2,
    ssLeft = 1u << 3,
    ssRight = 1u << 4,
    ssMiddle = 1u << 5,
    ssDouble = 1u << 6,
};
using ShiftState = unsigned;

// The hidden panel of the About page: a greeting and two fractal drawings,
// each drawn by a thread of its own while the window goes on working.
class SecretPanel : public platform::Control {
public:
    // Drawings post their pixels through `questions`; the fern takes its
    // numbers from `random`.
    explicit SecretPanel(platform::UserQuestions& questions,
                         RandomGenerator& random = programRandom());
    ~SecretPanel() override;

private:
    Surface surface_; // before the paint boxes that draw on it

public:
    platform::Label CngrLb{"CngrLb"}, L11{"L11"}, L12{"L12"}, L13{"L13"};
    PaintBox PB1{"PB1", surface_}; // the fern
    PaintBox PB2{"PB2", surface_}; // the set picture, over PB1
    platform::Button FernBn{"FernBn"}, SunBn{"SunBn"};

    // The About page's group box (and the labels of its first two rows) was
    // pressed: with Shift and Ctrl both held the panel opens.
    void AboutGBMouseDown(ShiftState shift);
    // A click on the panel, one of its labels or a paint box closes it.
    void SecrPnClick();
    void FernBnClick();
    void SunBnClick();

    // The main window closes: drawings still running stop, and their threads
    // have ended when this returns.
    void stopDrawings();

    bool fernRunning() const { return fern_.running(); }
    bool sunRunning() const { return sun_.running(); }
    const Surface& surface() const { return surface_; }

private:
    RandomGenerator& random_;
    DrawingWorker fern_;
    DrawingWorker sun_;
};

} // namespace velkan::hidden
