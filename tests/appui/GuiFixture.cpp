#include "tests/appui/GuiFixture.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QTimer>
#include <deque>

#include "app/ui/Dialogs.h"
#include "caption/ui/CaptionControl.h"
#include "platform/ui/Win95Look.h"
#include "platform/ui/WindowFrame.h"

namespace velkan::test {

namespace {

std::deque<std::function<void(QWidget*)>>& modalActions() {
    static std::deque<std::function<void(QWidget*)>> actions;
    return actions;
}

// Watches for modal windows and hands each to the next queued action.
void pollModal() {
    static QTimer* timer = nullptr;
    if (timer)
        return;
    timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [] {
        static QWidget* last = nullptr;
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == last || modalActions().empty() || !modal->isVisible())
            return;
        last = modal;
        auto action = std::move(modalActions().front());
        modalActions().pop_front();
        action(modal);
        // The same window may stay open after the action; let it be met again.
        QTimer::singleShot(50, [] { last = nullptr; });
    });
    timer->start();
}

} // namespace

QApplication& guiApp() {
    static int argc = 1;
    static char name[] = "appui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        auto* a = new QApplication(argc, argv);
        QApplication::setApplicationName(app::Application::kTitle);
        platform::ui::applyWin95Look(*a);
        caption::ui::frameProgramWindows();
        return a;
    }();
    pollModal();
    return *app;
}

void whenModal(std::function<void(QWidget*)> action) {
    guiApp();
    modalActions().push_back(std::move(action));
}

int pendingModalActions() { return static_cast<int>(modalActions().size()); }

void clickButton(QWidget* window, const QString& nameOrText) {
    for (auto* button : window->findChildren<QAbstractButton*>()) {
        if (button->objectName() == nameOrText || button->text() == nameOrText) {
            button->click();
            return;
        }
    }
    throw std::runtime_error("no button " + nameOrText.toStdString() + " in " +
                             window->windowTitle().toStdString());
}

QString messageText(QWidget* box) {
    return platform::ui::messageBoxText(box);
}

std::string screenshot(QWidget* widget, const std::string& name) {
    QDir().mkpath(VELKAN_SCREENSHOT_DIR);
    const std::string path = std::string(VELKAN_SCREENSHOT_DIR) + "/" + name + ".png";
    widget->grab().save(QString::fromStdString(path));
    return path;
}

GuiRun::GuiRun(const std::filesystem::path& root, std::vector<std::string> args)
    : machine(root), questions(machine) {
    guiApp();
    env = std::make_unique<app::Environment>(machine, questions, clock, std::move(args));
    app::ui::registerWindowViews(questions, *env);
    application = std::make_unique<app::Application>(*env);
}

GuiRun::~GuiRun() {
    window_.reset();
    application.reset();
}

void GuiRun::start() {
    application->createForms();
    if (application->terminated())
        return;
    window_ = std::make_unique<app::ui::MainWindow>(*application->MainForm);
    questions.setParentWindow(window_.get());
    window_->show();
    // Accelerators reach only the active window.
    QApplication::setActiveWindow(window_.get());
    window_->activateWindow();
    QApplication::processEvents();
}

} // namespace velkan::test
