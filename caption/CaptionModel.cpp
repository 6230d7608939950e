#include "caption/CaptionModel.h"

#include "caption/ButtonStrip.h"
#include "platform/SystemMetrics.h"

namespace velkan::caption {

using namespace platform;

namespace {

template <class T> bool change(T& field, T value) {
    if (field == value)
        return false;
    field = value;
    return true;
}

void switchStyle(unsigned& style, unsigned bit, bool on) {
    style = on ? (style | bit) : (style & ~bit);
}

bool middleEastEnabled() {
    return GetSystemMetrics(SM_MIDEASTENABLED) != 0;
}

} // namespace

CaptionModel::CaptionModel() : table_(buildGradientTable()) {}

bool CaptionModel::setCaptionGradient(TCaptionGradient value) {
    return change(gradient_, value);
}

bool CaptionModel::setShowButtons(bool value) {
    return change(showButtons_, value);
}

bool CaptionModel::setCaptionDirection(TDirection value) {
    if (change(captionDirection_, value))
        switchStyle(exStyle_, WS_EX_RIGHT, value == dirRight);
    return false;
}

bool CaptionModel::setButtonsDirection(TDirection value) {
    return change(buttonsDirection_, value);
}

bool CaptionModel::setWindowDirection(TDirection value) {
    if (!middleEastEnabled() || !change(windowDirection_, value))
        return false;
    switchStyle(exStyle_, WS_EX_LEFTSCROLLBAR, value == dirRight);
    return false;
}

bool CaptionModel::setRtlReading(bool value) {
    if (!middleEastEnabled() || !change(rtlReading_, value))
        return false;
    switchStyle(exStyle_, WS_EX_RTLREADING, value);
    return false;
}

bool CaptionModel::setEnabled(bool value) {
    return change(enabled_, value);
}

bool CaptionModel::paintsGradient() const {
    return gradient_ == cgAlways || (gradient_ == cgActive && active_);
}

COLORREF CaptionModel::solidColour() const {
    return GetSysColor(active_ ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
}

COLORREF CaptionModel::textColour() const {
    if (gradient_ == cgNone)
        return GetSysColor(active_ ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT);
    if (gradient_ == cgActive && !active_)
        return GetSysColor(COLOR_INACTIVECAPTIONTEXT);
    return RGB(255, 255, 255);
}

void CaptionModel::recordStrip(int firstButtonLeft, int buttonWidth) {
    firstButtonLeft_ = firstButtonLeft;
    buttonWidth_ = buttonWidth;
    stripShown_ = true;
}

int CaptionModel::hitTest(Rect caption, Point windowPoint) const {
    if (!stripShown_)
        return -1;
    return hitTestStrip(Buttons, caption, firstButtonLeft_, buttonWidth_, windowPoint);
}

bool CaptionModel::press(Rect caption, Point windowPoint) {
    const int hit = hitTest(caption, windowPoint);
    if (hit < 0)
        return false;
    pressed_ = hit;
    return true;
}

bool CaptionModel::move(Rect caption, Point windowPoint) {
    if (pressed_ < 0)
        return false;
    return change(pressShown_, hitTest(caption, windowPoint) == pressed_);
}

std::optional<int> CaptionModel::release(Rect caption, Point windowPoint) {
    pressShown_ = false;
    std::optional<int> clicked;
    if (pressed_ >= 0 && hitTest(caption, windowPoint) == pressed_)
        clicked = pressed_;
    pressed_ = -1;
    return clicked;
}

bool CaptionModel::drawnPushed(int i) const {
    const TCaptionButton* button = Buttons.item(i);
    if (!button)
        return false;
    return button->Pushed || (i == pressed_ && pressShown_ && button->Enabled);
}

} // namespace velkan::caption
