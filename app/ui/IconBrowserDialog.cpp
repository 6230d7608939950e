#include "app/ui/IconBrowserDialog.h"

#include "caption/ui/CaptionControl.h"

#include "app/BrwsIcnForm.h"
#include "platform/ui/ControlBinding.h"
#include "ui_IconBrowserDialog.h"

#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QLabel>
#include <QPointer>
#include <QScreen>

namespace velkan::app::ui {

using namespace platform::ui;

namespace {

QIcon toQIcon(const platform::Icon& icon) {
    if (icon.width <= 0)
        return {};
    QImage image(icon.width, icon.height, QImage::Format_ARGB32);
    for (int y = 0; y < icon.height; ++y)
        for (int x = 0; x < icon.width; ++x)
            image.setPixel(x, y, icon.rgba(x, y));
    return QIcon(QPixmap::fromImage(image));
}

// Key releases in the list go to the model's key handler.
class ListKeys : public QObject {
public:
    ListKeys(TBrwsIcnForm& model, QObject* parent) : QObject(parent), model_(model) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            // Enter and Escape act on release, as the list's own key-up does.
            return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
                   key->key() == Qt::Key_Escape;
        }
        if (event->type() != QEvent::KeyRelease)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        char c = 0;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            c = TBrwsIcnForm::kEnter;
        else if (key->key() == Qt::Key_Escape)
            c = TBrwsIcnForm::kEscape;
        model_.LstVwKeyUp(c);
        return c != 0;
    }

private:
    TBrwsIcnForm& model_;
};

} // namespace

int showIconBrowser(TBrwsIcnForm& model, QWidget* parent) {
    QDialog dialog(parent);
    Ui::BrwsIcnForm ui;
    ui.setupUi(&dialog);
    dialog.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
    const QSize client = dialog.size();
    dialog.setFixedSize(client);
    dialog.setWindowTitle(QString::fromLatin1(model.Form::caption().c_str()));
    // Enter belongs to the file box and the list: no button may take it as
    // the dialog's default (Browse or "Save as icon" would open a file dialog).
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    // The Windows 95 frame and caption, as every window of the program has.
    caption::ui::TCaptionControl frame(&dialog);
    dialog.setFixedSize(frame.windowSize(client));
    if (QScreen* screen = QGuiApplication::primaryScreen())
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());

    bindEdit(ui.NameEd, model.NameEd);
    bindButton(ui.BrowseBn, model.BrowseBn);
    bindButton(ui.SaveBn, model.SaveBn);
    bindButton(ui.OKBn, model.OKBn);
    bindButton(ui.CancelBn, model.CancelBn);
    QObject::connect(ui.NameEd, &QLineEdit::returnPressed, &dialog,
                     [&model] { model.NameEdKeyPress(TBrwsIcnForm::kEnter, &model.NameEd); });

    auto* panel0 = new QLabel(ui.StatusBar);
    auto* panel1 = new QLabel(ui.StatusBar);
    panel0->setObjectName("Panel0");
    panel1->setObjectName("Panel1");
    panel0->setFixedWidth(60);
    panel1->setFixedWidth(200);
    ui.StatusBar->addWidget(panel0);
    ui.StatusBar->addWidget(panel1);

    QPointer<QDialog> alive(&dialog);
    QListWidget* list = ui.LstVw;
    auto showStatus = [alive, panel0, panel1, &model] {
        if (!alive)
            return;
        panel0->setText(QString::fromLatin1(model.Status.panel(0).c_str()));
        panel1->setText(QString::fromLatin1(model.Status.panel(1).c_str()));
    };
    // The list view shows the model's items; its pictures come from the image list.
    auto showList = [alive, list, &model] {
        if (!alive)
            return;
        QSignalBlocker block(list);
        const auto& items = model.LstVw.items();
        if (static_cast<std::size_t>(list->count()) > items.size())
            list->clear();
        for (std::size_t i = list->count(); i < items.size(); ++i) {
            auto* item = new QListWidgetItem(QString::fromLatin1(items[i].c_str()), list);
            if (i < model.LstVw.images().size())
                item->setIcon(toQIcon(model.LstVw.images()[i]));
        }
        list->setCurrentRow(model.LstVw.selected());
    };
    showStatus();
    showList();
    addUpdateHook(model.Status, showStatus);
    addUpdateHook(model.LstVw, showList);
    QObject::connect(list, &QListWidget::currentRowChanged, &dialog, [&model](int row) {
        model.LstVw.select(row);
        model.LstVwClick();
    });
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog,
                     [&model](QListWidgetItem*) { model.LstVwDblClick(); });
    list->installEventFilter(new ListKeys(model, &dialog));
    model.onFocusFileBox = [alive, &ui] {
        if (alive)
            ui.NameEd->setFocus();
    };

    model.setModalResult(0);
    addUpdateHook(model, [alive, &model] {
        if (alive && model.modalResult() != 0 && alive->isVisible())
            alive->done(model.modalResult());
    });
    ui.NameEd->setFocus();
    const int result = dialog.exec();
    model.onFocusFileBox = nullptr;
    if (model.modalResult() != 0)
        return model.modalResult();
    // The close box or Escape outside the list: closed without accepting.
    model.FormClose();
    return result == QDialog::Accepted ? platform::IDOK : platform::IDCANCEL;
}

} // namespace velkan::app::ui
