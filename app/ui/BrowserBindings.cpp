#include "app/ui/BrowserBindings.h"

#include "platform/ui/ControlBinding.h"

#include <algorithm>

#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>

namespace velkan::app::ui {

using namespace platform::ui;

namespace {

// The keyboard works the list as the mouse does: a new entry chosen with the
// keys runs the click handler, and Enter opens the entry and goes no further,
// so it never presses the window's OK.
class FolderKeys : public QObject {
public:
    FolderKeys(QListWidget* widget, FolderList& list) : QObject(widget), view_(widget), list_(list) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !view_)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (view_->currentRow() >= 0)
                list_.userClick(view_->currentRow());
            return true;
        }
        const int before = view_->currentRow();
        QTimer::singleShot(0, view_, [view = view_, &list = list_, before] {
            if (view && view->currentRow() >= 0 && view->currentRow() != before)
                list.userClick(view->currentRow());
        });
        return false;
    }

private:
    QPointer<QListWidget> view_;
    FolderList& list_;
};

// The folder of the Windows 95 file dialogs' tree, yellow with a dark
// outline, opened for the current folder and its ancestors; `level` steps of
// 8 pixels of indentation come before it, as the tree indents.
QIcon folderIcon(bool open, int level, int width) {
    QPixmap pixmap(width, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.translate(level * 8, 0);
    const QColor outline(128, 128, 0), face(255, 255, 0), black(0, 0, 0), white(255, 255, 255);
    p.setPen(outline);
    p.setBrush(face);
    p.drawRect(1, 3, 5, 2);   // the tab
    p.drawRect(0, 4, 13, 9);  // the back
    p.setPen(white);
    p.drawLine(1, 5, 12, 5);
    if (open) {
        // The front swung down: a slanted leaf over the back.
        const QPoint leaf[] = {{2, 7}, {15, 7}, {12, 13}, {0, 13}};
        p.setPen(black);
        p.setBrush(face);
        p.drawPolygon(leaf, 4);
    } else {
        p.setPen(black);
        p.drawLine(0, 13, 13, 13);
        p.drawLine(13, 4, 13, 13);
    }
    p.end();
    return QIcon(pixmap);
}

} // namespace

void bindFolderList(QListWidget* widget, FolderList& list) {
    bindCommon(widget, list);
    QPointer<QListWidget> view(widget);
    auto show = [view, &list] {
        if (!view)
            return;
        QSignalBlocker block(view);
        view->clear();
        int deepest = 0;
        for (const auto& item : list.items())
            deepest = std::max(deepest, item.level);
        const int width = 16 + 8 * deepest;
        view->setIconSize(QSize(width, 16));
        for (const auto& item : list.items())
            view->addItem(new QListWidgetItem(folderIcon(item.open, item.level, width),
                                              QString::fromLatin1(item.caption.c_str())));
        if (list.itemIndex() >= 0 && list.itemIndex() < view->count())
            view->setCurrentRow(list.itemIndex());
    };
    show();
    addUpdateHook(list, show);
    widget->installEventFilter(new FolderKeys(widget, list));
    // One click opens a folder, as the folder list of the file dialogs does.
    QObject::connect(widget, &QListWidget::itemClicked, widget,
                     [view, &list](QListWidgetItem* item) {
                         if (view)
                             list.userClick(view->row(item));
                     });
}

void bindDriveBox(QComboBox* widget, DriveBox& box) {
    bindCommon(widget, box);
    for (char letter : box.drives())
        widget->addItem(QString(QChar(letter).toLower()) + ":", QChar(letter));
    QPointer<QComboBox> view(widget);
    auto show = [view, &box] {
        if (!view)
            return;
        QSignalBlocker block(view);
        view->setCurrentIndex(view->findData(QChar(box.drive())));
    };
    show();
    addUpdateHook(box, show);
    QObject::connect(widget, &QComboBox::activated, widget, [view, &box](int index) {
        if (view)
            box.userSelect(view->itemData(index).toChar().toLatin1());
    });
}

void bindRichEdit(QPlainTextEdit* widget, platform::Edit& edit) {
    bindCommon(widget, edit);
    widget->setReadOnly(edit.readOnly());
    QPointer<QPlainTextEdit> view(widget);
    auto show = [view, &edit] {
        if (!view)
            return;
        const QString text = QString::fromLatin1(edit.text().c_str());
        if (view->toPlainText() != text)
            view->setPlainText(text);
    };
    show();
    addUpdateHook(edit, show);
}

} // namespace velkan::app::ui
