#include "platform/ui/MachineFileDialog.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolButton>

#include "platform/Files.h"
#include "platform/WinPath.h"
#include "platform/ui/WindowFrame.h"

namespace velkan::platform::ui {

namespace {

namespace fs = std::filesystem;

const QString kHostFilesLabel = "Linux files";

// The yellow folder and the white page of the Windows 95 list.
QIcon listIcon(bool folder) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    if (folder) {
        p.setPen(QColor(128, 128, 0));
        p.setBrush(QColor(255, 255, 0));
        p.drawRect(1, 3, 5, 2);
        p.drawRect(0, 4, 13, 9);
        p.setPen(Qt::black);
        p.drawLine(0, 13, 13, 13);
        p.drawLine(13, 4, 13, 13);
    } else {
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawRect(2, 0, 10, 14);
        p.setPen(QColor(128, 128, 128));
        for (int y = 3; y < 12; y += 2)
            p.drawLine(4, y, 10, y);
    }
    p.end();
    return QIcon(pixmap);
}

// Windows' wildcard match, case blind: "*.ico", "*.*" (every name).
bool matches(const QString& name, const QStringList& patterns) {
    for (const QString& pattern : patterns) {
        if (pattern == "*.*" || pattern == "*")
            return true;
        const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(pattern),
                                    QRegularExpression::CaseInsensitiveOption);
        if (re.match(name).hasMatch())
            return true;
    }
    return false;
}

// The host's own folders are shown by their host paths ("/home/ann"), the
// machine's by their Windows paths.
bool isHostFolder(const QString& folder) {
    return folder.startsWith('/');
}

QString withBackslash(const QString& folder) {
    const QChar separator = isHostFolder(folder) ? '/' : '\\';
    return folder.endsWith(separator) ? folder : folder + separator;
}

// The folder above, or the same one at a drive's root.
QString parentOf(const QString& folder) {
    QString f = folder;
    if (isHostFolder(f)) {
        const QString up = QString::fromStdString(fs::path(f.toStdString()).parent_path().string());
        return up.isEmpty() ? "/" : up;
    }
    if (f.size() <= 3)
        return f;
    if (f.endsWith('\\'))
        f.chop(1);
    const qsizetype cut = f.lastIndexOf('\\');
    return cut <= 2 ? f.left(3) : f.left(cut);
}

class FileDialog : public QDialog {
public:
    FileDialog(const Machine& machine, const FileDialogRequest& request, bool saving, QWidget* parent)
        : QDialog(parent), machine_(machine), request_(request), saving_(saving),
          hostFiles_(request.hostFilesServe && !saving) {
        setObjectName(saving ? "SaveDialog" : "OpenDialog");
        setWindowTitle(request.title.empty() ? (saving ? "Save As" : "Open")
                                             : QString::fromLatin1(request.title.c_str()));
        auto* grid = new QGridLayout(this);
        grid->setContentsMargins(8, 8, 8, 8);
        grid->setHorizontalSpacing(6);

        auto* lookLabel = new QLabel(saving ? "Save &in:" : "Look &in:", this);
        lookIn_ = new QComboBox(this);
        lookIn_->setObjectName("LookIn");
        lookLabel->setBuddy(lookIn_);
        auto* up = new QToolButton(this);
        up->setObjectName("UpOneLevel");
        up->setText("..");
        up->setToolTip("Up One Level");
        auto* top = new QHBoxLayout;
        top->addWidget(lookLabel);
        top->addWidget(lookIn_, 1);
        top->addWidget(up);
        grid->addLayout(top, 0, 0, 1, 3);

        list_ = new QListWidget(this);
        list_->setObjectName("FileList");
        list_->setViewMode(QListView::ListMode);
        list_->setFlow(QListView::TopToBottom);
        list_->setWrapping(true);
        list_->setResizeMode(QListView::Adjust);
        list_->setMinimumSize(340, 150);
        grid->addWidget(list_, 1, 0, 1, 3);

        auto* nameLabel = new QLabel("File &name:", this);
        name_ = new QLineEdit(this);
        name_->setObjectName("FileName");
        nameLabel->setBuddy(name_);
        auto* ok = new QPushButton(saving ? "&Save" : "&Open", this);
        ok->setDefault(true);
        grid->addWidget(nameLabel, 2, 0);
        grid->addWidget(name_, 2, 1);
        grid->addWidget(ok, 2, 2);

        auto* typeLabel = new QLabel(saving ? "Save as &type:" : "Files of &type:", this);
        types_ = new QComboBox(this);
        types_->setObjectName("FilesOfType");
        typeLabel->setBuddy(types_);
        auto* cancel = new QPushButton("Cancel", this);
        cancel->setAutoDefault(false);
        grid->addWidget(typeLabel, 3, 0);
        grid->addWidget(types_, 3, 1);
        grid->addWidget(cancel, 3, 2);

        filters_ = parseFileFilter(request.filter);
        for (const auto& f : filters_)
            types_->addItem(QString::fromLatin1(f.description.c_str()));
        if (request.filterIndex >= 1 && request.filterIndex <= static_cast<int>(filters_.size()))
            types_->setCurrentIndex(request.filterIndex - 1);

        if (!saving) {
            preview_ = new QLabel(this);
            preview_->setObjectName("Preview");
            preview_->setFixedSize(96, 150);
            preview_->setAlignment(Qt::AlignCenter);
            preview_->setFrameStyle(QFrame::Sunken | QFrame::Panel);
            grid->addWidget(preview_, 0, 3, 4, 1);
        }

        QString start = QString::fromLatin1(request.initialFolder.c_str());
        if (start.isEmpty() || !directoryExists(machine_, start.toStdString()))
            start = "C:\\";
        name_->setText(QString::fromLatin1(request.fileName.c_str()));
        enter(start);

        connect(up, &QToolButton::clicked, this, [this] { enter(parentOf(folder_)); });
        connect(lookIn_, &QComboBox::activated, this, [this](int index) {
            const QString target = lookIn_->itemData(index).toString();
            if (!folderExists(target)) {
                say(target.left(2) + "\\ is not accessible.\r\rThe device is not ready.", MessageIcon::Error,
                    MessageButtons::OK);
                fillLookIn();
                return;
            }
            enter(target);
        });
        connect(types_, &QComboBox::activated, this, [this] { fillList(); });
        connect(list_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
            if (!item)
                return;
            if (!item->data(Qt::UserRole).toBool())
                name_->setText(item->text());
            showPreview(item);
        });
        connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
            if (item->data(Qt::UserRole).toBool())
                enter(withBackslash(folder_) + item->text());
            else
                tryAccept(item->text());
        });
        connect(ok, &QPushButton::clicked, this, [this] { tryAccept(name_->text()); });
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        name_->setFocus();
    }

    std::optional<std::string> chosen;

private:
    bool folderExists(const QString& folder) const {
        std::error_code ec;
        if (isHostFolder(folder))
            return hostFiles_ && fs::is_directory(fs::path(folder.toStdString()), ec);
        return directoryExists(machine_, folder.toStdString());
    }

    std::optional<fs::path> hostPathOf(const QString& path) const {
        if (isHostFolder(path))
            return hostFiles_ ? std::optional<fs::path>(path.toStdString()) : std::nullopt;
        auto host = resolveWinPath(machine_, path.toStdString());
        return host ? std::optional<fs::path>(*host) : std::nullopt;
    }

    void enter(const QString& folder) {
        folder_ = folder;
        fillLookIn();
        fillList();
    }

    // The drives, with the way down to the current folder under its drive.
    void fillLookIn() {
        lookIn_->clear();
        int current = 0;
        for (char letter : machine_.drives()) {
            const QString root = QString(QChar(letter)) + ":\\";
            lookIn_->addItem(listIcon(true), root, root);
            if (folder_.left(1).compare(QString(QChar(letter)), Qt::CaseInsensitive) != 0)
                continue;
            current = lookIn_->count() - 1;
            QString path = root;
            int depth = 1;
            for (const QString& part : folder_.mid(3).split('\\', Qt::SkipEmptyParts)) {
                path = withBackslash(path) + part;
                lookIn_->addItem(listIcon(true), QString(depth * 2, ' ') + part, path);
                current = lookIn_->count() - 1;
                ++depth;
            }
        }
        if (hostFiles_) {
            // The host's files below the machine's drives, as Windows lists
            // the network below the local disks.
            lookIn_->addItem(listIcon(true), kHostFilesLabel, QString("/"));
            if (isHostFolder(folder_)) {
                current = lookIn_->count() - 1;
                QString path = "/";
                int depth = 1;
                for (const QString& part : folder_.split('/', Qt::SkipEmptyParts)) {
                    path = withBackslash(path) + part;
                    lookIn_->addItem(listIcon(true), QString(depth * 2, ' ') + part, path);
                    current = lookIn_->count() - 1;
                    ++depth;
                }
            }
        }
        lookIn_->setCurrentIndex(current);
    }

    void fillList() {
        list_->clear();
        QStringList patterns;
        const int type = types_->currentIndex();
        if (type >= 0 && type < static_cast<int>(filters_.size()))
            patterns = QString::fromLatin1(filters_[std::size_t(type)].patterns.c_str()).split(';', Qt::SkipEmptyParts);
        if (patterns.isEmpty())
            patterns << "*.*";
        auto host = hostPathOf(folder_);
        if (!host)
            return;
        std::vector<QString> folders, files;
        // Through the file layer, which also reads a drive kept as a disk image.
        auto entries = host::findFiles(*host, "*.*", true);
        for (const FindEntry& entry : entries ? *entries : std::vector<FindEntry>{}) {
            const QString name = QString::fromStdString(entry.name);
            if (entry.name == "." || entry.name == "..")
                continue;
            // The host's hidden files stay hidden, as they do in its own file manager.
            if (isHostFolder(folder_) && name.startsWith('.'))
                continue;
            if (entry.directory)
                folders.push_back(name);
            else if (matches(name, patterns))
                files.push_back(name);
        }
        auto byName = [](const QString& a, const QString& b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        };
        std::sort(folders.begin(), folders.end(), byName);
        std::sort(files.begin(), files.end(), byName);
        for (const QString& f : folders) {
            auto* item = new QListWidgetItem(listIcon(true), f, list_);
            item->setData(Qt::UserRole, true);
        }
        for (const QString& f : files) {
            auto* item = new QListWidgetItem(listIcon(false), f, list_);
            item->setData(Qt::UserRole, false);
        }
    }

    void showPreview(QListWidgetItem* item) {
        if (!preview_)
            return;
        preview_->clear();
        if (item->data(Qt::UserRole).toBool())
            return;
        auto host = hostPathOf(withBackslash(folder_) + item->text());
        QImage image = host ? QImageReader(QString::fromStdString(host->string())).read() : QImage();
        if (image.isNull()) {
            preview_->setText("(none)");
            return;
        }
        if (image.width() > preview_->width() - 8 || image.height() > preview_->height() - 8)
            image = image.scaled(preview_->width() - 8, preview_->height() - 8, Qt::KeepAspectRatio);
        preview_->setPixmap(QPixmap::fromImage(image));
    }

    void tryAccept(QString name) {
        name = name.trimmed();
        if (name.isEmpty())
            return;
        // A drive letter or a leading backslash names the file from a root;
        // anything else lies in the folder shown.
        QString path;
        if (name.size() >= 2 && name[1] == ':')
            path = name;
        else if (hostFiles_ && name.startsWith('/'))
            path = name;
        else if (name.startsWith('\\') && !isHostFolder(folder_))
            path = folder_.left(2) + name;
        else
            path = withBackslash(folder_) + name;
        if (folderExists(path)) {
            name_->clear();
            enter(path);
            return;
        }
        const QString base = path.mid(path.lastIndexOf('\\') + 1);
        if (!request_.defaultExtension.empty() && !base.contains('.'))
            path += "." + QString::fromLatin1(request_.defaultExtension.c_str());
        if (isHostFolder(path)) {
            acceptHostFile(path);
            return;
        }
        const bool exists = fileExists(machine_, path.toStdString());
        if (!saving_ && request_.fileMustExist && !exists) {
            say(path + "\rFile not found.\rPlease verify the correct file name was given.",
                MessageIcon::Warning, MessageButtons::OK);
            return;
        }
        if (saving_ && request_.overwritePrompt && exists &&
            say(path + " already exists.\rDo you want to replace it?", MessageIcon::Warning,
                MessageButtons::YesNo) != IDYES)
            return;
        chosen = path.toStdString();
        accept();
    }

    // Only a regular file of the host serves, and only through the name the
    // grant gives it: the caller copies its bytes and never sees the host path.
    void acceptHostFile(const QString& path) {
        std::error_code ec;
        const fs::path host(path.toStdString());
        if (!fs::is_regular_file(host, ec)) {
            say(path + "\rFile not found.\rPlease verify the correct file name was given.",
                MessageIcon::Warning, MessageButtons::OK);
            return;
        }
        chosen = grantHostFile(host);
        accept();
    }

    int say(const QString& text, MessageIcon icon, MessageButtons buttons) {
        return showMessageBox(this, {text.toLatin1().toStdString(), windowTitle().toLatin1().toStdString(),
                                     icon, buttons});
    }

    const Machine& machine_;
    const FileDialogRequest& request_;
    bool saving_;
    bool hostFiles_;
    std::vector<FileFilter> filters_;
    QString folder_;
    QComboBox* lookIn_ = nullptr;
    QListWidget* list_ = nullptr;
    QLineEdit* name_ = nullptr;
    QComboBox* types_ = nullptr;
    QLabel* preview_ = nullptr;
};

} // namespace

std::optional<std::string> machineFileDialog(const Machine& machine, const FileDialogRequest& request,
                                             bool saving, QWidget* parent) {
    FileDialog dialog(machine, request, saving, parent);
    dialog.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
    dialog.layout()->activate();
    dialog.setFixedSize(dialog.sizeHint());
    auto frame = frameWindow(dialog);
    centreOverOwner(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosen;
}

} // namespace velkan::platform::ui
