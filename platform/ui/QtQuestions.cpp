#include "platform/ui/QtQuestions.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/WinPath.h"
#include "platform/ui/MachineFileDialog.h"
#include "platform/ui/WindowFrame.h"

namespace velkan::platform::ui {

QtQuestions::QtQuestions(Machine machine) : machine_(std::move(machine)) {}

QString QtQuestions::messageText(const std::string& text) { return messageBoxLines(text); }

int QtQuestions::messageBox(const MessageBoxRequest& request) {
    return showMessageBox(parent_, request);
}

QStringList QtQuestions::qtFilters(const std::string& filter) {
    QStringList out;
    for (const auto& f : parseFileFilter(filter)) {
        QStringList patterns;
        for (const QString& p : QString::fromLatin1(f.patterns.c_str()).split(';', Qt::SkipEmptyParts)) {
            patterns << p;
            if (p != p.toUpper())
                patterns << p.toUpper();
        }
        out << QString::fromLatin1(f.description.c_str()) + " (" + patterns.join(' ') + ")";
    }
    return out;
}

std::optional<std::string> QtQuestions::fileDialog(const FileDialogRequest& request, bool saving) {
    // The machine's drives as its Windows shows them, never the host's
    // folders: a host path must not land where the machine reads it later.
    return machineFileDialog(machine_, request, saving, parent_);
}

std::optional<std::string> QtQuestions::openFile(const FileDialogRequest& request) {
    return fileDialog(request, false);
}

std::optional<std::string> QtQuestions::saveFile(const FileDialogRequest& request) {
    return fileDialog(request, true);
}

int QtQuestions::showModal(ModalWindow& window) {
    auto it = views_.find(std::type_index(typeid(window)));
    if (it == views_.end()) {
        // A window without a view of its own still gets its question asked.
        return messageBox({window.caption(), window.caption(), MessageIcon::None,
                           MessageButtons::OKCancel}) == IDOK
                   ? IDOK
                   : IDCANCEL;
    }
    return it->second(window, parent_);
}

void QtQuestions::post(std::function<void()> work) {
    QMetaObject::invokeMethod(qApp, std::move(work), Qt::QueuedConnection);
}

namespace {

// Drops what the user does to any window while the logic waits: the
// waits stand for a program that is busy, whose windows repaint but do not
// answer. Deferring the input instead would deliver it after the wait, to
// whatever window is under the pointer then.
class SwallowInput : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::Close:
        case QEvent::ContextMenu:
            event->ignore();
            return true;
        default:
            return false;
        }
    }
};

} // namespace

void QtQuestions::processPosted() {
    SwallowInput swallow;
    QCoreApplication::instance()->installEventFilter(&swallow);
    QCoreApplication::processEvents();
    QCoreApplication::instance()->removeEventFilter(&swallow);
}

} // namespace velkan::platform::ui
