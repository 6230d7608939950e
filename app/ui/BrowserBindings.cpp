#include "app/ui/BrowserBindings.h"

#include "platform/ui/ControlBinding.h"

#include <QPointer>
#include <QSignalBlocker>
#include <QStyle>

namespace velkan::app::ui {

using namespace platform::ui;

void bindFolderList(QListWidget* widget, FolderList& list, platform::ui::TextConversion text) {
    bindCommon(widget, list);
    QPointer<QListWidget> view(widget);
    auto show = [view, &list, text] {
        if (!view)
            return;
        QSignalBlocker block(view);
        view->clear();
        const QIcon open = view->style()->standardIcon(QStyle::SP_DirOpenIcon);
        const QIcon closed = view->style()->standardIcon(QStyle::SP_DirClosedIcon);
        for (const auto& item : list.items()) {
            auto* row = new QListWidgetItem(item.open ? open : closed,
                                            QString(item.level * 2, ' ') +
                                                text.toQt(item.caption));
            view->addItem(row);
        }
        if (list.itemIndex() >= 0 && list.itemIndex() < view->count())
            view->setCurrentRow(list.itemIndex());
    };
    show();
    addUpdateHook(list, show);
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
