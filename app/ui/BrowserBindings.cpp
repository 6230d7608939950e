#include "app/ui/BrowserBindings.h"

#include "platform/ui/ControlBinding.h"

#include <algorithm>

#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
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
// outline, opened for the current folder and its ancestors.
QPixmap folderPixmap(bool open) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
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
    return pixmap;
}

constexpr int kLevelRole = Qt::UserRole + 1;
constexpr int kOpenRole = Qt::UserRole + 2;

// Draws a row as the Windows 95 folder list does: 8 pixels of indentation a
// level, the folder, then the name right after it, highlighted by itself.
class FolderRows : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const int level = index.data(kLevelRole).toInt();
        const QRect row = option.rect;
        const int left = row.left() + 2 + level * 8;
        p->drawPixmap(left, row.top() + (row.height() - 16) / 2, folderPixmap(index.data(kOpenRole).toBool()));
        const QString text = index.data(Qt::DisplayRole).toString();
        const QFontMetrics metrics(option.font);
        const QRect textBox(left + 19, row.top(), metrics.horizontalAdvance(text) + 4, row.height());
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        if (selected)
            p->fillRect(textBox, option.palette.color(QPalette::Highlight));
        p->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        p->setFont(option.font);
        p->drawText(textBox.adjusted(2, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
        if (option.state.testFlag(QStyle::State_HasFocus))
            QStyledItemDelegate::paint(p, focusOnly(option, textBox), index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QFontMetrics metrics(option.font);
        return {2 + index.data(kLevelRole).toInt() * 8 + 23 +
                    metrics.horizontalAdvance(index.data(Qt::DisplayRole).toString()),
                std::max(16, metrics.height()) + 2};
    }

private:
    // The dotted focus frame around the name alone.
    static QStyleOptionViewItem focusOnly(const QStyleOptionViewItem& option, QRect box) {
        QStyleOptionViewItem o = option;
        o.rect = box;
        o.features = QStyleOptionViewItem::None;
        o.text.clear();
        o.state &= ~QStyle::State_Selected;
        o.backgroundBrush = Qt::NoBrush;
        return o;
    }
};

} // namespace

void bindFolderList(QListWidget* widget, FolderList& list, platform::ui::TextConversion text) {
    bindCommon(widget, list);
    QPointer<QListWidget> view(widget);
    auto show = [view, &list, text] {
        if (!view)
            return;
        QSignalBlocker block(view);
        view->clear();
        for (const auto& item : list.items()) {
            auto* row = new QListWidgetItem(text.toQt(item.caption));
            row->setData(kLevelRole, item.level);
            row->setData(kOpenRole, item.open);
            view->addItem(row);
        }
        if (list.itemIndex() >= 0 && list.itemIndex() < view->count())
            view->setCurrentRow(list.itemIndex());
    };
    show();
    addUpdateHook(list, show);
    widget->installEventFilter(new FolderKeys(widget, list));
    widget->setItemDelegate(new FolderRows(widget));
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

void bindRichEdit(QPlainTextEdit* widget, platform::Edit& edit,
                  platform::ui::TextConversion conversion) {
    bindCommon(widget, edit);
    widget->setReadOnly(edit.readOnly());
    QPointer<QPlainTextEdit> view(widget);
    auto show = [view, &edit, conversion] {
        if (!view)
            return;
        const QString text = conversion.toQt(edit.text());
        if (view->toPlainText() != text)
            view->setPlainText(text);
    };
    show();
    addUpdateHook(edit, show);
}

} // namespace velkan::app::ui
