#include <QFont>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>

#include "app/ui/Pages.h"
#include "app/ui/Pictures.h"
#include "app/ui/PreviewWindow.h"
#include "platform/ui/Win95Look.h"
#include "ui_MainPage.h"

namespace velkan::app::ui {

using namespace platform::ui;
using shellpatch::Entry;

platform::ui::TextConversion shellTextConversion(TMainForm& form) {
    return {[&form](const std::string& text) {
                const auto codec = form.codec();
                QString out;
                for (char c : text)
                    out.append(QChar(codec.encodeChar(static_cast<unsigned char>(c))));
                return out;
            },
            [&form](const QString& text) {
                const auto codec = form.codec();
                std::string out;
                for (QChar c : text)
                    out.push_back(static_cast<char>(codec.decodeUnit(c.unicode())));
                return out;
            }};
}

namespace {

// A flat speed button over a picture: raised under the mouse it draws its
// edges only, and the picture stays visible through its face.
void keepPictureVisible(QToolButton* button) {
    QPalette palette = button->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setBrush(group, QPalette::Button, Qt::transparent);
    button->setPalette(palette);
}

// Mouse presses on an entry image or the button over it reach the model's
// MouseDown handlers, which choose the pop-up target and open PopMn.
class EntryMouse : public QObject {
public:
    EntryMouse(TMainForm& form, platform::Button* button, platform::Image* image, QObject* parent)
        : QObject(parent), form_(form), button_(button), image_(image) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::MouseButtonPress)
            return false;
        auto* mouse = static_cast<QMouseEvent*>(event);
        const auto which = mouse->button() == Qt::RightButton  ? MouseButton::Right
                           : mouse->button() == Qt::MiddleButton ? MouseButton::Middle
                                                                 : MouseButton::Left;
        if (button_)
            form_.ProgImgSBMouseDown(*button_, which);
        else
            form_.ShutImgMouseDown(*image_, which);
        return false;
    }

private:
    TMainForm& form_;
    platform::Button* button_;
    platform::Image* image_;
};

} // namespace

MainPage::MainPage(TMainForm& f, QWidget* parent) : QWidget(parent), ui_(new Ui::TabSheet2) {
    ui_->setupUi(this);
    const auto text = shellTextConversion(f);
    auto dbl = [&f](platform::Edit& e) { return [&f, &e] { f.ProgEditDblClick(e); }; };

    bindGroupBox(ui_->StartButtonGB, f.main.StartButtonGB);
    bindEdit(ui_->StartEdit, f.main.StartEdit, text, dbl(f.main.StartEdit));
    bindEdit(ui_->TooltipEdit, f.main.TooltipEdit, text, dbl(f.main.TooltipEdit));
    bindImage(ui_->MyImage, f.main.MyImage, renderPicture);
    bindButton(ui_->StartSE, f.main.StartSE);
    keepPictureVisible(ui_->StartSE);

    bindGroupBox(ui_->StartMenuGB, f.main.StartMenuGB);
    QLineEdit* edits[] = {ui_->ProgEdit, ui_->FavEdit,  ui_->DocEdit, ui_->ContrEdit,
                          ui_->FindEdit, ui_->HelpEdit, ui_->RunEdit, ui_->LogEdit,
                          ui_->SuspEdit, ui_->ShutEdit};
    QLabel* images[] = {ui_->ProgImg, ui_->FavImg,  ui_->DocImg, ui_->ContrImg, ui_->FindImg,
                        ui_->HelpImg, ui_->RunImg, ui_->LogImg, ui_->SuspImg,  ui_->ShutImg};
    QToolButton* buttons[] = {ui_->ProgImgSB, ui_->FavImgSB,  ui_->DocImgSB, ui_->ContrImgSB,
                              ui_->FindImgSB, ui_->HelpImgSB, ui_->RunImgSB, ui_->LogImgSB,
                              ui_->SuspImgSB, ui_->ShutImgSB};
    for (int i = 0; i < shellpatch::kEntryCount; ++i) {
        const auto entry = static_cast<Entry>(i);
        bindEdit(edits[i], f.captionEdit(entry), text, dbl(f.captionEdit(entry)));
        bindImage(images[i], f.entryImage(entry), renderPicture);
        bindButton(buttons[i], f.entryButton(entry));
        keepPictureVisible(buttons[i]);
        images[i]->installEventFilter(new EntryMouse(f, nullptr, &f.entryImage(entry), images[i]));
        buttons[i]->installEventFilter(
            new EntryMouse(f, &f.entryButton(entry), nullptr, buttons[i]));
    }
    // "&Restore icon" opens beside the entry image the mouse was pressed on.
    auto* menu = new QMenu(this);
    menu->setObjectName("PopMn");
    QAction* restore = menu->addAction(QString::fromLatin1(f.main.Restore.caption().c_str()));
    restore->setObjectName("Restore");
    connect(restore, &QAction::triggered, this, [&f] { f.main.Restore.click(); });
    QPointer<QMenu> alive(menu);
    f.main.PopMn.onPopup = [alive, &f, images](int, int) {
        if (!alive)
            return;
        for (QLabel* image : images)
            if (f.popupTarget && image->objectName() == QString::fromLatin1(f.popupTarget->name().c_str()))
                // The window's outer corner plus the image's place in its
                // own parent, as the form and the control count their Left
                // and Top, then 60 pixels on each axis.
                alive->popup(image->window()->frameGeometry().topLeft() + image->pos() +
                             QPoint(60, 60));
    };
    bindCheckBox(ui_->ContrCB, f.main.ContrCB);
    bindCheckBox(ui_->FindCB, f.main.FindCB);
    bindCheckBox(ui_->RunCB, f.main.RunCB);
    bindCheckBox(ui_->LogCB, f.main.LogCB);
    bindCheckBox(ui_->SuspCB, f.main.SuspCB);
    bindCheckBox(ui_->ShutCB, f.main.ShutCB);

    // The logo column: its behaviour is in pixels, so the model places it.
    QPalette grey = ui_->Pnl2->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    ui_->Pnl2->setPalette(grey);
    ui_->Pnl2->setAutoFillBackground(true);
    bindImage(ui_->LogoImage, f.main.LogoImage, renderPicture);
    bindGeometry(ui_->LogoImage, f.main.LogoImage);
    bindButton(ui_->WinlogoSE, f.main.WinlogoSE);
    keepPictureVisible(ui_->WinlogoSE);
    bindGeometry(ui_->WinlogoSE, f.main.LogoImage);
    bindLabel(ui_->Metka, f.main.Metka);
    bindGeometry(ui_->Metka, f.main.Metka);
    QString small = windowsFontFamily("Small Fonts");
    QFont markFont(small.isEmpty() ? font().family() : small);
    markFont.setPixelSize(9);
    ui_->Metka->setFont(markFont);
    ui_->Metka->setAttribute(Qt::WA_TranslucentBackground);
    bindScrollBar(ui_->ScrollBar, f.main.ScrollBar);
    bindLabel(ui_->ScrollCount, f.main.ScrollCount);

    bindButton(ui_->IconBn, f.main.IconBn);
    bindButton(ui_->LogoBn, f.main.LogoBn);
    bindButton(ui_->SaveThBn, f.main.SaveThBn);
    bindButton(ui_->LangBn, f.main.LangBn);
    bindLabel(ui_->DescrLb, f.main.DescrLb);
    bindRadioGroup(ui_->VersionRG, f.main.VersionRG);

    connect(ui_->PreviewBn, &QPushButton::clicked, this, [this, &f] {
        auto* preview = findChild<PreviewWindow*>();
        if (!preview)
            preview = new PreviewWindow(f, PreviewWindow::Source::Edits, this);
        preview->show();
        preview->raise();
    });
}

MainPage::~MainPage() = default;

} // namespace velkan::app::ui
