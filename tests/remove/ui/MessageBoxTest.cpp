#include "platform/ui/QtQuestions.h"
#include "platform/ui/WindowFrame.h"
#include "remove/UninstallTexts.h"
#include "remove/Uninstaller.h"
#include "tests/remove/InstalledMachine.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace velkan;
namespace fs = std::filesystem;

namespace {

struct ShownBox {
    QString title, text;
    QStringList buttons;
};

// Plays the user: waits for each message box to come up, notes what it
// shows and presses the next of `presses` (buttons are named "Yes", "OK", ...).
class BoxAnswerer {
public:
    explicit BoxAnswerer(QStringList presses) : presses_(std::move(presses)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
        timer_.start(10);
    }
    const std::vector<ShownBox>& shown() const { return shown_; }

private:
    void answer() {
        QWidget* box = QApplication::activeModalWidget();
        if (!box || box->objectName() != "MessageBox" || !box->isVisible() || presses_.isEmpty())
            return;
        ShownBox seen{box->windowTitle(), platform::ui::messageBoxText(box), {}};
        for (QAbstractButton* button : platform::ui::messageBoxButtons(box))
            seen.buttons << button->objectName();
        seen.buttons.sort();
        shown_.push_back(seen);
        if (auto* button = box->findChild<QPushButton*>(presses_.takeFirst()))
            button->click();
    }

    QStringList presses_;
    QTimer timer_;
    std::vector<ShownBox> shown_;
};

} // namespace

TEST(UninstallMessageBoxes, AskAndReportInQtBoxes) {
    int argc = 1;
    char name[] = "removeui_tests";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);

    test::InstalledMachine m;
    platform::ui::QtQuestions questions(m.machine());
    BoxAnswerer user({"Yes", "OK"});
    EXPECT_EQ(remove::Uninstaller(m.machine(), questions).run(), remove::Outcome::Uninstalled);

    ASSERT_EQ(user.shown().size(), 2u);
    EXPECT_EQ(user.shown()[0].title, "Uninstalling...");
    EXPECT_EQ(user.shown()[0].text,
              platform::ui::QtQuestions::messageText(remove::confirmationText()));
    EXPECT_TRUE(user.shown()[0].text.contains("\tDo you want to continue?"));
    EXPECT_EQ(user.shown()[0].buttons, QStringList({"No", "Yes"}));
    EXPECT_EQ(user.shown()[1].title, "Uninstalling...");
    EXPECT_EQ(user.shown()[1].text, "Velkan has been successfully uninstalled.");
    EXPECT_EQ(user.shown()[1].buttons, QStringList({"OK"}));
    EXPECT_FALSE(fs::exists(m.hostPath("C:\\Program Files\\Velkan\\Velkrun.exe")));
}
