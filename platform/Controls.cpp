#include "platform/Controls.h"

#include <algorithm>

namespace velkan::platform {

void Control::setBounds(int left, int top, int width, int height) {
    if (left_ == left && top_ == top && width_ == width && height_ == height)
        return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    updated();
}

void Edit::setText(std::string_view text) {
    std::string shown(text.substr(0, text.find('\0')));
    if (shown == text_)
        return;
    text_ = std::move(shown);
    selStart_ = selLength_ = 0;
    updated();
    if (onChange)
        onChange();
}

void Edit::userSetText(std::string_view text) {
    if (readOnly_)
        return;
    if (maxLength_ > 0 && text.size() > static_cast<std::size_t>(maxLength_))
        text = text.substr(0, static_cast<std::size_t>(maxLength_));
    setText(text);
}

void Edit::selectAll() {
    selStart_ = 0;
    selLength_ = static_cast<int>(text_.size());
    updated();
}

void CheckBox::setState(CheckState s) {
    if (s == state_)
        return;
    state_ = s;
    updated();
    if (onClick)
        onClick();
}

void CheckBox::userClick() {
    if (!enabled())
        return;
    setState(state_ == CheckState::Unchecked ? CheckState::Checked : CheckState::Unchecked);
}

void ScrollBar::setRange(int min, int max) {
    min_ = min;
    max_ = std::max(min, max);
    updated();
    setPosition(position_);
}

void ScrollBar::setPosition(int p) {
    p = std::clamp(p, min_, max_);
    if (p == position_)
        return;
    position_ = p;
    updated();
    if (onChange)
        onChange();
}

void RadioGroup::setItemIndex(int index) {
    if (index < -1 || index >= static_cast<int>(items_.size()))
        index = -1;
    if (index == itemIndex_)
        return;
    itemIndex_ = index;
    updated();
    if (index >= 0 && onClick)
        onClick();
}

void ProgressBar::setRange(int min, int max) {
    min_ = min;
    max_ = std::max(min, max);
    position_ = std::clamp(position_, min_, max_);
    updated();
}

void ProgressBar::setPosition(int p) { set(position_, std::clamp(p, min_, max_)); }

void ProgressBar::stepIt() {
    int next = position_ + step_;
    if (next > max_)
        next = min_ + (next - max_);
    setPosition(next);
}

void PageControl::userSelectPage(int index) {
    if (index < 0 || index >= static_cast<int>(pages_.size()) || index == activePage_)
        return;
    activePage_ = index;
    updated();
    if (onChange)
        onChange();
}

} // namespace velkan::platform
