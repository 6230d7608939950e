#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Models of the Windows 95 controls the windows are made of. Each holds the
// state a native control keeps (text, maximum length, enabled, checked,
// hint, position, colour, caption, visibility) and raises its events the way
// the native control does, including for changes the program makes itself:
// setting an edit's text fires its change event when the text differs, and
// setting a check box or a radio group fires its click event. The form models
// guard against that with their Loading flag, as the original does.
//
// A view (a Qt widget, or nothing in tests) watches a control through
// `onUpdate`, which runs after every change of state.
namespace velkan::platform {

// COLORREF-style colours the forms paint edits with (clWindow / clBtnFace),
// resolved to RGB by the view from the system colours.
enum class ControlColor { Window, ButtonFace };

class Control {
public:
    explicit Control(std::string name) : name_(std::move(name)) {}
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    const std::string& name() const { return name_; }

    bool enabled() const { return enabled_; }
    void setEnabled(bool on) { set(enabled_, on); }
    bool visible() const { return visible_; }
    void setVisible(bool on) { set(visible_, on); }

    const std::string& hint() const { return hint_; }
    void setHint(std::string_view text) { set(hint_, std::string(text)); }
    bool showHint() const { return showHint_; }
    void setShowHint(bool on) { set(showHint_, on); }

    int left() const { return left_; }
    int top() const { return top_; }
    int width() const { return width_; }
    int height() const { return height_; }
    void setLeft(int v) { set(left_, v); }
    void setTop(int v) { set(top_, v); }
    void setWidth(int v) { set(width_, v); }
    void setHeight(int v) { set(height_, v); }
    void setBounds(int left, int top, int width, int height);

    ControlColor color() const { return color_; }
    void setColor(ControlColor c) { set(color_, c); }

    // The view's hook: runs after any change of this control's state.
    std::function<void()> onUpdate;

protected:
    template <class T> void set(T& field, T value) {
        if (field == value)
            return;
        field = std::move(value);
        updated();
    }
    void updated() {
        if (onUpdate)
            onUpdate();
    }

private:
    std::string name_;
    bool enabled_ = true;
    bool visible_ = true;
    std::string hint_;
    bool showHint_ = true;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    ControlColor color_ = ControlColor::Window;
};

// A single-line edit box holding 8-bit (ANSI) text.
class Edit : public Control {
public:
    using Control::Control;

    const std::string& text() const { return text_; }
    // What the program sets. Like a native edit given a C string, the text
    // ends at its first NUL; the maximum length is not applied to it. Fires
    // onChange when the text differs.
    void setText(std::string_view text);
    // What the user types or pastes: cut to the maximum length, then as setText.
    void userSetText(std::string_view text);

    // 0 means no limit, as EM_LIMITTEXT.
    int maxLength() const { return maxLength_; }
    void setMaxLength(int n) { set(maxLength_, n); }
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool on) { set(readOnly_, on); }

    int selStart() const { return selStart_; }
    int selLength() const { return selLength_; }
    void selectAll();

    std::function<void()> onChange;
    // Typed characters pass through this filter first; returning false drops
    // the character (KeyPress handlers).
    std::function<bool(char)> onKeyPress;

private:
    std::string text_;
    int maxLength_ = 0;
    bool readOnly_ = false;
    int selStart_ = 0, selLength_ = 0;
};

enum class CheckState { Unchecked, Checked, Grayed };

class CheckBox : public Control {
public:
    using Control::Control;

    const std::string& caption() const { return caption_; }
    void setCaption(std::string_view text) { set(caption_, std::string(text)); }

    CheckState state() const { return state_; }
    bool checked() const { return state_ == CheckState::Checked; }
    // Checked or grayed: the box is not empty.
    bool ticked() const { return state_ != CheckState::Unchecked; }
    // Fires onClick whenever the state changes, also when the program sets it.
    void setState(CheckState s);
    void setChecked(bool on) { setState(on ? CheckState::Checked : CheckState::Unchecked); }
    // A user's click: a two-state box toggles between checked and unchecked,
    // a grayed box becomes unchecked.
    void userClick();

    std::function<void()> onClick;

private:
    std::string caption_;
    CheckState state_ = CheckState::Unchecked;
};

class Label : public Control {
public:
    using Control::Control;
    const std::string& caption() const { return caption_; }
    void setCaption(std::string_view text) { set(caption_, std::string(text)); }
    // Font colour as 0xRRGGBB; -1 is the window-text colour.
    std::int32_t fontColor() const { return fontColor_; }
    void setFontColor(std::int32_t rgb) { set(fontColor_, rgb); }

private:
    std::string caption_;
    std::int32_t fontColor_ = -1;
};

class GroupBox : public Control {
public:
    using Control::Control;
    const std::string& caption() const { return caption_; }
    void setCaption(std::string_view text) { set(caption_, std::string(text)); }

private:
    std::string caption_;
};

// Push buttons and speed buttons.
class Button : public Control {
public:
    using Control::Control;
    const std::string& caption() const { return caption_; }
    void setCaption(std::string_view text) { set(caption_, std::string(text)); }
    // Speed buttons that stay down (LangBn, MoreBn, UpBn).
    bool down() const { return down_; }
    void setDown(bool on) { set(down_, on); }
    void click() {
        if (enabled() && onClick)
            onClick();
    }

    std::function<void()> onClick;

private:
    std::string caption_;
    bool down_ = false;
};

// What an image control shows. Pictures are named, not decoded: the view
// turns the reference into pixels (an icon file, an icon in a library, a
// bitmap file, a resource of the program, a stock system icon).
struct Picture {
    enum class Kind { None, IconFile, IconInLibrary, BitmapFile, Resource, SystemIcon };
    Kind kind = Kind::None;
    std::string path;  // host path of the file, or the resource's name
    int index = 0;     // icon index in a library
    bool operator==(const Picture&) const = default;
};

class Image : public Control {
public:
    using Control::Control;
    const Picture& picture() const { return picture_; }
    void setPicture(Picture p) { set(picture_, std::move(p)); }
    void clear() { setPicture({}); }
    bool transparent() const { return transparent_; }
    void setTransparent(bool on) { set(transparent_, on); }

private:
    Picture picture_;
    bool transparent_ = false;
};

class ScrollBar : public Control {
public:
    using Control::Control;
    int min() const { return min_; }
    int max() const { return max_; }
    void setRange(int min, int max);
    int position() const { return position_; }
    // Clamped to the range; fires onChange when the position changes.
    void setPosition(int p);

    std::function<void()> onChange;

private:
    int min_ = 0, max_ = 100, position_ = 0;
};

class RadioGroup : public Control {
public:
    using Control::Control;
    const std::string& caption() const { return caption_; }
    void setCaption(std::string_view text) { set(caption_, std::string(text)); }
    const std::vector<std::string>& items() const { return items_; }
    void setItems(std::vector<std::string> items) { set(items_, std::move(items)); }
    // -1 = no item. Selecting an item, by the user or the program, fires onClick.
    int itemIndex() const { return itemIndex_; }
    void setItemIndex(int index);

    std::function<void()> onClick;

private:
    std::string caption_;
    std::vector<std::string> items_;
    int itemIndex_ = -1;
};

class ProgressBar : public Control {
public:
    using Control::Control;
    int min() const { return min_; }
    int max() const { return max_; }
    void setRange(int min, int max);
    int position() const { return position_; }
    void setPosition(int p);
    int step() const { return step_; }
    void setStep(int s) { set(step_, s); }
    // Like PBM_STEPIT: past the end the bar starts again from the beginning.
    void stepIt();

private:
    int min_ = 0, max_ = 100, position_ = 0, step_ = 10;
};

class PageControl : public Control {
public:
    using Control::Control;
    const std::vector<std::string>& pages() const { return pages_; }
    void setPages(std::vector<std::string> pages) { set(pages_, std::move(pages)); }
    int activePage() const { return activePage_; }
    // The program's switch: no event, as setting ActivePage in code.
    void setActivePage(int index) { set(activePage_, index); }
    // The user's switch to another page: fires onChange.
    void userSelectPage(int index);

    std::function<void()> onChange;

private:
    std::vector<std::string> pages_;
    int activePage_ = 0;
};

enum class WindowState { Normal, Minimized };

// The state of a window itself.
class Form : public Control {
public:
    using Control::Control;
    const std::string& caption() const { return caption_; }
    void setCaption(std::string_view text) { set(caption_, std::string(text)); }
    WindowState windowState() const { return windowState_; }
    void setWindowState(WindowState s) { set(windowState_, s); }
    bool closed() const { return closed_; }
    // The modal result a dialog ends with (IDOK, IDCANCEL, ...; 0 while open).
    int modalResult() const { return modalResult_; }
    void setModalResult(int r) { set(modalResult_, r); }

protected:
    void markClosed() { set(closed_, true); }

private:
    std::string caption_;
    WindowState windowState_ = WindowState::Normal;
    bool closed_ = false;
    int modalResult_ = 0;
};

} // namespace velkan::platform
