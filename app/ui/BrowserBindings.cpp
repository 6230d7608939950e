#include "app/ui/BrowserBindings.h"

#include "platform/ui/ControlBinding.h"

#include <QKeyEvent>
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

} // namespace

void bindFolderList(QListWidget* widget, FolderList& list) {
    bindCommon(widget, list);
    QPointer<QListWidget> view(widget);
    auto show = [view, &list] {
        if (!view)
            return;
        QSignalBlocker block(view);
        view->clear();
        const QIcon open = view->style()->standardIcon(QStyle::SP_DirOpenIcon);
        const QIcon closed = view->style()->standardIcon(QStyle::SP_DirClosedIcon);
        for (const auto& item : list.items()) {
            auto* row = new QListWidgetItem(item.open ? open : closed,
                                            QString(item.level * 2, ' ') +
                                                QString::fromLatin1(item.caption.c_str()));
            view->addItem(row);
        }
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
