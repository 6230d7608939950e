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

// A picture preview beside the file list, for icon and bitmap files.
class PreviewPane : public QLabel {
public:
    explicit PreviewPane(QWidget* parent) : QLabel(parent) {
        setObjectName("Preview");
        setFixedSize(96, 150);
        setAlignment(Qt::AlignCenter);
        setFrameStyle(QFrame::Sunken | QFrame::Panel);
    }
    void showFile(const QString& file) {
        QImageReader reader(file);
        QImage image = reader.read();
        if (image.isNull()) {
            clear();
            setText("(none)");
            return;
        }
        if (image.width() > width() - 8 || image.height() > height() - 8)
            image = image.scaled(width() - 8, height() - 8, Qt::KeepAspectRatio);
        setPixmap(QPixmap::fromImage(image));
    }
};

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
    QFileDialog dialog(parent_, QString::fromLatin1(request.title.c_str()));
    dialog.setObjectName(saving ? "SaveDialog" : "OpenDialog");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(saving ? QFileDialog::AnyFile
                              : (request.fileMustExist ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile));
    if (!saving || !request.overwritePrompt)
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    const QStringList filters = qtFilters(request.filter);
    dialog.setNameFilters(filters);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[request.filterIndex - 1]);
    if (!request.defaultExtension.empty())
        dialog.setDefaultSuffix(QString::fromLatin1(request.defaultExtension.c_str()));

    // The machine's drives are the places the dialog offers.
    QList<QUrl> places;
    for (char letter : machine_.drives())
        if (auto root = machine_.driveRoot(letter))
            places << QUrl::fromLocalFile(QString::fromStdString(root->string()));
    dialog.setSidebarUrls(places);
    std::string start = request.initialFolder.empty() ? "C:\\" : request.initialFolder;
    if (auto host = resolveWinPath(machine_, start))
        dialog.setDirectory(QString::fromStdString(host->string()));
    if (!request.fileName.empty())
        dialog.selectFile(QString::fromLatin1(request.fileName.c_str()));

    if (!saving) {
        auto* preview = new PreviewPane(&dialog);
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
            grid->addWidget(preview, 1, grid->columnCount(), 1, 1);
        QObject::connect(&dialog, &QFileDialog::currentChanged, preview, &PreviewPane::showFile);
        // A name typed or chosen in the file box shows as well.
        if (auto* nameBox = dialog.findChild<QLineEdit*>("fileNameEdit"))
            QObject::connect(nameBox, &QLineEdit::textChanged, preview, [&dialog, preview](const QString& name) {
                preview->showFile(dialog.directory().filePath(name));
            });
    }

    while (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const std::string host = dialog.selectedFiles().front().toStdString();
        if (auto win = toWinPath(machine_, host))
            return *win;
        messageBox({"The file must lie on one of the machine's drives.\r" + host, "Error...",
                    MessageIcon::Error, MessageButtons::OK});
    }
    return std::nullopt;
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
