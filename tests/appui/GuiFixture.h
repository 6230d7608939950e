#pragma once

#include <QApplication>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "app/Application.h"
#include "app/ui/MainWindow.h"
#include "platform/Clock.h"
#include "platform/ui/QtQuestions.h"
#include "tests/support/TempDir.h"

namespace velkan::test {

// The one QApplication of the test program, with the Windows 95 look.
QApplication& guiApp();

// Runs `action` on the next modal window that opens (a message box, the
// restart prompt, ...), as a user answering it would. Actions queue up and
// run in order, one per window.
void whenModal(std::function<void(QWidget*)> action);
// How many queued actions have not met their window yet.
int pendingModalActions();
// Clicks the button of a modal window found by object name or by text.
void clickButton(QWidget* window, const QString& nameOrText);
// The text of the message box (all lines joined by "\n").
QString messageText(QWidget* box);

// Saves a picture of the widget as <screenshots>/<name>.png and returns the path.
std::string screenshot(QWidget* widget, const std::string& name);

// A machine folder with Velkan installed, and the customiser running on it
// in this process with real windows.
class GuiRun {
public:
    explicit GuiRun(const std::filesystem::path& machineRoot, std::vector<std::string> args = {});
    ~GuiRun();

    // Runs the start-up (the first-run notice is answered by a queued action
    // when the test queued one) and shows the main window.
    void start();

    app::TMainForm& form() { return *application->MainForm; }
    app::ui::MainWindow& window() { return *window_; }
    template <class W> W* find(const char* name) { return window_->findChild<W*>(name); }

    platform::Machine machine;
    platform::ui::QtQuestions questions;
    platform::ManualClock clock;
    std::unique_ptr<app::Environment> env;
    std::unique_ptr<app::Application> application;

private:
    std::unique_ptr<app::ui::MainWindow> window_;
};

} // namespace velkan::test
