#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>

#include "platform/Controls.h"

class QAbstractButton;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QScrollBar;
class QTabWidget;
class QWidget;
class QProgressBar;

// Ties Qt widgets to the control models: the widget shows the model's state
// and forwards what the user does to the model, which fires the handlers.
// Nothing is decided here. Each binding lives as long as its widget.
namespace velkan::platform::ui {

// How an edit's 8-bit text is shown as Unicode and typed back: the code page
// of the shell build for the shell's texts, Latin-1 where nothing else applies.
struct TextConversion {
    std::function<QString(const std::string&)> toQt;
    std::function<std::string(const QString&)> fromQt;
    static TextConversion latin1();
};

// The common state: enabled, visible, hint (as tooltip, when shown).
void bindCommon(QWidget* widget, Control& control);
// Position and size follow the model (for controls the program moves).
void bindGeometry(QWidget* widget, Control& control);

void bindEdit(QLineEdit* widget, Edit& edit, TextConversion conversion = TextConversion::latin1(),
              std::function<void()> onDoubleClick = {});
void bindCheckBox(QCheckBox* widget, CheckBox& box);
void bindButton(QAbstractButton* widget, Button& button);
void bindLabel(QLabel* widget, Label& label);
void bindGroupBox(QGroupBox* widget, GroupBox& box);
void bindScrollBar(QScrollBar* widget, ScrollBar& bar);
void bindProgressBar(QProgressBar* widget, ProgressBar& bar);
// The group box holds one radio button per item, made here.
void bindRadioGroup(QGroupBox* widget, RadioGroup& group);
void bindPageControl(QTabWidget* widget, PageControl& pages);
// The picture is drawn by `render`; geometry follows the model.
void bindImage(QLabel* widget, Image& image, std::function<QPixmap(const Picture&)> render);

// Adds a hook to a control, keeping those already there, for as long as the
// control lives.
void addUpdateHook(Control& control, std::function<void()> hook);
// Adds a view's hook, which runs while `owner` lives and is dropped after.
void addUpdateHook(Control& control, QObject* owner, std::function<void()> hook);
// The hooks a control holds now, for tests.
std::size_t updateHookCount(Control& control);

} // namespace velkan::platform::ui
