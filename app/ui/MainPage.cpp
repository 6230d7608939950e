#include <QFont>

#include "app/ui/Pages.h"
#include "app/ui/Pictures.h"
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

MainPage::MainPage(TMainForm& f, QWidget* parent) : QWidget(parent), ui_(new Ui::TabSheet2) {
    ui_->setupUi(this);
    const auto text = shellTextConversion(f);
    auto dbl = [&f](platform::Edit& e) { return [&f, &e] { f.ProgEditDblClick(e); }; };

    bindGroupBox(ui_->StartButtonGB, f.StartButtonGB);
    bindEdit(ui_->StartEdit, f.StartEdit, text, dbl(f.StartEdit));
    bindEdit(ui_->TooltipEdit, f.TooltipEdit, text, dbl(f.TooltipEdit));
    bindImage(ui_->MyImage, f.MyImage, renderPicture);
    bindButton(ui_->StartSE, f.StartSE);

    bindGroupBox(ui_->StartMenuGB, f.StartMenuGB);
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
    }
    bindCheckBox(ui_->ContrCB, f.ContrCB);
    bindCheckBox(ui_->FindCB, f.FindCB);
    bindCheckBox(ui_->RunCB, f.RunCB);
    bindCheckBox(ui_->LogCB, f.LogCB);
    bindCheckBox(ui_->SuspCB, f.SuspCB);
    bindCheckBox(ui_->ShutCB, f.ShutCB);

    // The logo column: its behaviour is in pixels, so the model places it.
    QPalette grey = ui_->Pnl2->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    ui_->Pnl2->setPalette(grey);
    ui_->Pnl2->setAutoFillBackground(true);
    bindImage(ui_->LogoImage, f.LogoImage, renderPicture);
    bindGeometry(ui_->LogoImage, f.LogoImage);
    bindButton(ui_->WinlogoSE, f.WinlogoSE);
    bindGeometry(ui_->WinlogoSE, f.LogoImage);
    bindLabel(ui_->Metka, f.Metka);
    bindGeometry(ui_->Metka, f.Metka);
    QString small = windowsFontFamily("Small Fonts");
    QFont markFont(small.isEmpty() ? font().family() : small);
    markFont.setPixelSize(9);
    ui_->Metka->setFont(markFont);
    ui_->Metka->setAttribute(Qt::WA_TranslucentBackground);
    bindScrollBar(ui_->ScrollBar, f.ScrollBar);
    bindLabel(ui_->ScrollCount, f.ScrollCount);

    bindButton(ui_->IconBn, f.IconBn);
    bindButton(ui_->LogoBn, f.LogoBn);
    bindButton(ui_->SaveThBn, f.SaveThBn);
    bindButton(ui_->LangBn, f.LangBn);
    bindLabel(ui_->DescrLb, f.DescrLb);
    bindRadioGroup(ui_->VersionRG, f.VersionRG);
}

MainPage::~MainPage() = default;

} // namespace velkan::app::ui
