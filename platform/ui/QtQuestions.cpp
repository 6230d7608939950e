#include "platform/ui/QtQuestions.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/WinPath.h"
#include "platform/ui/MachineFileDialog.h"

namespace velkan::platform::ui {

namespace {

QMessageBox::Icon qtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QString buttonCaption(int id) {
    switch (id) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDABORT: return "&Abort";
    case IDRETRY: return "&Retry";
    case IDIGNORE: return "&Ignore";
    case IDYES: return "&Yes";
    case IDNO: return "&No";
    }
    return {};
}

} // namespace

QtQuestions::QtQuestions(Machine machine) : machine_(std::move(machine)) {}

void QtQuestions::registerModalView(const std::string& windowName, ModalView view) {
    views_[windowName] = std::move(view);
}

QString QtQuestions::messageText(const std::string& text) {
    QStringList lines;
    for (const auto& line : messageLines(text))
        lines << QString::fromLatin1(line.c_str());
    return lines.join('\n');
}

int QtQuestions::messageBox(const MessageBoxRequest& request) {
    QMessageBox box(parent_);
    box.setObjectName("MessageBox");
    box.setWindowTitle(QString::fromLatin1(request.caption.c_str()));
    box.setText(messageText(request.text));
    box.setIcon(qtIcon(request.icon));
    std::map<QAbstractButton*, int> ids;
    const auto buttons = buttonIds(request.buttons);
    for (int id : buttons) {
        auto role = id == IDCANCEL || id == IDNO ? QMessageBox::RejectRole : QMessageBox::AcceptRole;
        QPushButton* button = box.addButton(buttonCaption(id), role);
        button->setObjectName(QString::fromLatin1(std::string(buttonName(id)).c_str()));
        ids[button] = id;
        if (id == buttons.front())
            box.setDefaultButton(button);
    }
    box.exec();
    auto it = ids.find(box.clickedButton());
    return it == ids.end() ? safeAnswer(request.buttons) : it->second;
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
    auto it = views_.find(window.windowName());
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
