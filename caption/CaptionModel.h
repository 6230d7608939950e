#pragma once

#include "caption/CaptionButton.h"
#include "caption/CaptionTypes.h"
#include "caption/Gradient.h"

#include <optional>

namespace velkan::caption {

// The state of one caption control that does not depend on a window system:
// the published properties, the owner's extended style bits they switch, the
// active and maximized states, the gradient table, the extra buttons and
// their press-and-click sequence. Setters answer whether the owner's frame
// must be repainted.
class CaptionModel {
public:
    CaptionModel();

    TCaptionGradient captionGradient() const { return gradient_; }
    bool setCaptionGradient(TCaptionGradient value);
    bool showButtons() const { return showButtons_; }
    bool setShowButtons(bool value);
    TDirection captionDirection() const { return captionDirection_; }
    // Switches WS_EX_RIGHT; the caption follows at the next frame paint.
    bool setCaptionDirection(TDirection value);
    TDirection buttonsDirection() const { return buttonsDirection_; }
    bool setButtonsDirection(TDirection value);
    // These two only take on systems with Middle-East support.
    TDirection windowDirection() const { return windowDirection_; }
    bool setWindowDirection(TDirection value);
    bool rtlReading() const { return rtlReading_; }
    bool setRtlReading(bool value);
    bool enabled() const { return enabled_; }
    bool setEnabled(bool value);

    unsigned extendedStyle() const { return exStyle_; }
    void setExtendedStyle(unsigned style) { exStyle_ = style; }

    bool active() const { return active_; }
    void setActive(bool value) { active_ = value; }
    bool maximized() const { return maximized_; }
    void setMaximized(bool value) { maximized_ = value; }

    const GradientTable& gradientTable() const { return table_; }
    // On a change of the system colours.
    void rebuildGradientTable() { table_ = buildGradientTable(); }

    // What the bar is painted with in the current state.
    bool paintsGradient() const;
    platform::COLORREF solidColour() const;
    platform::COLORREF textColour() const;

    TCaptionButtonsList Buttons;

    // The strip's place as the last paint laid it out.
    void recordStrip(int firstButtonLeft, int buttonWidth);
    // The last paint drew no strip (hidden, empty or a tool window): nothing
    // can be hit until one is drawn.
    void clearStrip() { stripShown_ = false; }
    int hitTest(Rect caption, Point windowPoint) const;

    // A left press in the non-client area; true when it hit an extra button.
    bool press(Rect caption, Point windowPoint);
    // A move while a button is pressed; true when the pushed look changed.
    bool move(Rect caption, Point windowPoint);
    // The release; the index of the button clicked, if the pointer is still
    // over the pressed one. Ends the press either way.
    std::optional<int> release(Rect caption, Point windowPoint);
    int pressedIndex() const { return pressed_; }
    bool pressShown() const { return pressShown_; }
    // Whether item i is drawn pushed now.
    bool drawnPushed(int i) const;

    // A right press that began in the non-client area.
    bool rightPress() const { return rightPress_; }
    void setRightPress(bool value) { rightPress_ = value; }

private:
    TCaptionGradient gradient_ = cgNone;
    bool showButtons_ = false;
    TDirection captionDirection_ = dirLeft;
    TDirection buttonsDirection_ = dirRight;
    TDirection windowDirection_ = dirLeft;
    bool rtlReading_ = false;
    bool enabled_ = true;
    unsigned exStyle_ = 0;
    bool active_ = false;
    bool maximized_ = false;
    GradientTable table_;
    int firstButtonLeft_ = 0;
    int buttonWidth_ = 0;
    bool stripShown_ = false;
    int pressed_ = -1;
    bool pressShown_ = false;
    bool rightPress_ = false;
};

} // namespace velkan::caption
