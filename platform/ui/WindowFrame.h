#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/UserQuestions.h"

class QAbstractButton;
class QDialog;
class QLabel;
class QWidget;

namespace velkan::platform::ui {

// The frame and caption of the program's own windows. The painter of the
// Windows 95 frame lives in a layer above this one, so the program hands it
// down at start; without it (tests of this layer, a program that did not set
// one) the windows keep the desktop's frame.
using WindowFramer = std::function<std::shared_ptr<void>(QWidget& window)>;
void setWindowFramer(WindowFramer framer);
// Frames a top-level window whose client size is already set; the frame
// lasts as long as the returned handle.
std::shared_ptr<void> frameWindow(QWidget& window);

// Places a window without a desktop frame over the middle of its owner, as
// Windows centres a dialog, or of the screen when it has none.
void centreOverOwner(QWidget& window, bool onScreen = false);

// A Windows 95 message box: the icon at the left, the text beside it, the
// buttons in a row in the middle below. A dialog of our own rather than
// Qt's, which lays itself out again when shown and would slip out of the
// frame.
class MessageBoxDialog {
public:
    MessageBoxDialog(QWidget* parent, const MessageBoxRequest& request);
    ~MessageBoxDialog();
    // Shows it modally; the button pressed, or the safe answer when the box
    // was closed without one.
    int exec();

    QDialog& dialog() { return *dialog_; }

private:
    std::unique_ptr<QDialog> dialog_;
    MessageBoxRequest request_;
};

// What a message box shows, for those who find it on screen (tests, the
// uninstaller's console fallback): its text and its buttons.
QString messageBoxText(QWidget* window);
std::vector<QAbstractButton*> messageBoxButtons(QWidget* window);

// A message text as the box shows it, its "\r" breaks as lines.
QString messageBoxLines(const std::string& text);

// A message box over `parent`, framed like every window of the program.
int showMessageBox(QWidget* parent, const MessageBoxRequest& request);

} // namespace velkan::platform::ui
