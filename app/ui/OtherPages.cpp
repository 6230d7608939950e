#include <QEvent>
#include <QImage>
#include <QPointer>
#include <QToolButton>

#include "app/ui/BrowserBindings.h"
#include "app/ui/IconFmWindow.h"
#include "app/ui/Pages.h"
#include "app/ui/Pictures.h"
#include "app/ui/PreviewWindow.h"
#include "hidden/ui/SecretPanelView.h"
#include "ui_AboutPage.h"
#include "ui_OtherPage.h"
#include "ui_ThemePage.h"

namespace velkan::app::ui {

using namespace platform::ui;

namespace {

// Runs `action` whenever the mouse moves over (or enters) the widget.
class MouseOver : public QObject {
public:
    MouseOver(QObject* parent, std::function<void()> action)
        : QObject(parent), action_(std::move(action)) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter)
            action_();
        return false;
    }

private:
    std::function<void()> action_;
};

} // namespace

ThemePage::ThemePage(TMainForm& f, QWidget* parent) : QWidget(parent), ui_(new Ui::TabSheet3) {
    ui_->setupUi(this);
    bindImage(ui_->Img10, f.packs.Img10, renderPicture);
    bindImage(ui_->Img12, f.packs.Img12, renderPicture);
    bindImage(ui_->Img14, f.packs.Img14, renderPicture);
    bindImage(ui_->Img16, f.packs.Img16, renderPicture);
    bindImage(ui_->Img22, f.packs.Img22, renderPicture);
    bindImage(ui_->Img32, f.packs.Img32, renderPicture);
    for (QFrame* bevel : {ui_->Bev1, ui_->Bev2, ui_->Bev3, ui_->Bev4, ui_->Bev5, ui_->Bev6})
        bevel->setFrameShadow(f.packs.bevelsLowered ? QFrame::Sunken : QFrame::Raised);
    // The mark's frame is placed by the start-up; keep it above the images.
    bindGeometry(ui_->MetrcBv, f.packs.MetrcBv);
    ui_->MetrcBv->raise();
    // A transparent picture lets the page show through wherever it has the
    // colour of its bottom-left pixel, as a transparent image does on Windows.
    bindImage(ui_->ImgLg, f.packs.ImgLg, [&f](const platform::Picture& picture) {
        QPixmap pixmap = renderPicture(picture);
        if (pixmap.isNull() || !f.packs.ImgLg.transparent())
            return pixmap;
        QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        const QRgb key = image.pixel(0, image.height() - 1);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) == key)
                    image.setPixel(x, y, qRgba(0, 0, 0, 0));
        return QPixmap::fromImage(image);
    });
    bindGeometry(ui_->ImgLg, f.packs.ImgLg);
    bindButton(ui_->TranspSB, f.packs.TranspSB);
    bindButton(ui_->ThemeBn, f.packs.ThemeBn);

    bindGroupBox(ui_->DircetoryGB, f.packs.DircetoryGB);
    bindDriveBox(ui_->DriveCB, f.packs.DriveCB);
    // A pack's texts and folder names read in the machine's code page, as
    // the Main page reads the same bytes once the pack is loaded.
    const auto packText = shellTextConversion(f);
    bindFolderList(ui_->DirListBox, f.packs.DirListBox, packText);
    bindLabel(ui_->Info, f.packs.Info);
    // A load makes the note room for two lines; it stays where it is.
    addUpdateHook(f.packs.Info, [info = QPointer<QLabel>(ui_->Info), &f] {
        if (info && f.packs.Info.width() > 0 && f.packs.Info.height() > 0)
            info->resize(f.packs.Info.width(), f.packs.Info.height());
    });
    bindProgressBar(ui_->ProgressBar, f.packs.ProgressBar);
    bindButton(ui_->OpenTh, f.packs.OpenTh);
    bindGroupBox(ui_->AboutThemeGB, f.packs.AboutThemeGB);
    addUpdateHook(f.packs.AboutThemeGB,
                  [box = QPointer<QGroupBox>(ui_->AboutThemeGB), &f, packText] {
                      if (box)
                          box->setTitle(packText.toQt(f.packs.AboutThemeGB.caption()));
                  });
    ui_->AboutThemeGB->setTitle(packText.toQt(f.packs.AboutThemeGB.caption()));
    bindGroupBox(ui_->DescrGB, f.packs.DescrGB);
    bindGroupBox(ui_->AuthorGB, f.packs.AuthorGB);
    bindGroupBox(ui_->PrevGB, f.packs.PrevGB);
    bindRichEdit(ui_->AboutRE, f.packs.AboutRE, packText);
    bindRichEdit(ui_->AuthorRE, f.packs.AuthorRE, packText);
    bindImage(ui_->Imag1, f.packs.Imag1, renderPicture);
    bindImage(ui_->Imag2, f.packs.Imag2, renderPicture);
    bindImage(ui_->Imag3, f.packs.Imag3, renderPicture);
    // The "Other start menu icons" pop-up: the mouse over MoreBn opens it,
    // over the rest of the page closes it.
    bindButton(ui_->MoreBn, f.packs.MoreBn);
    addUpdateHook(f.packs.MoreBn, [more = QPointer<QToolButton>(ui_->MoreBn), &f] {
        if (more)
            more->setChecked(f.packs.MoreBn.down());
    });
    ui_->MoreBn->setMouseTracking(true);
    // Its moves must not reach PrevGB below it, whose handler closes the pop-up.
    ui_->MoreBn->setAttribute(Qt::WA_NoMousePropagation);
    ui_->MoreBn->installEventFilter(new MouseOver(ui_->MoreBn, [&f] { f.MoreBnMouseMove(); }));
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui_->DircetoryGB, ui_->AboutThemeGB, ui_->PrevGB, ui_->Info, ui_->Img10, ui_->Img12,
             ui_->Img14, ui_->Img16, ui_->Img22, ui_->Img32, ui_->Imag1, ui_->Imag2, ui_->Imag3,
             ui_->ImgLg}) {
        w->setMouseTracking(true);
        w->installEventFilter(new MouseOver(w, [&f] { f.Imag1MouseMove(); }));
    }
    if (f.IconFm)
        new IconFmWindow(*f.IconFm, this);

    connect(ui_->ThPreviewBn, &QPushButton::clicked, this, [this, &f] {
        auto* preview = findChild<PreviewWindow*>();
        if (!preview)
            preview = new PreviewWindow(f, PreviewWindow::Source::BrowsedPack, this);
        preview->show();
        preview->raise();
    });
}

ThemePage::~ThemePage() = default;

OtherPage::OtherPage(TMainForm& f, QWidget* parent) : QWidget(parent), ui_(new Ui::TabSheet4) {
    ui_->setupUi(this);
    bindGroupBox(ui_->StartUpGB, f.other.StartUpGB);
    bindCheckBox(ui_->AutoCB, f.other.AutoCB);
    bindLabel(ui_->L13, f.other.L13);
    bindGroupBox(ui_->ColGB, f.other.ColGB);
    bindLabel(ui_->L15, f.other.L15);
    bindCheckBox(ui_->ColorsCB, f.other.ColorsCB);
    bindLabel(ui_->L16, f.other.L16);
    bindGroupBox(ui_->RebGB, f.other.RebGB);
    bindLabel(ui_->L17, f.other.L17);
    bindButton(ui_->RebBn, f.other.RebBn);
    bindLabel(ui_->L18, f.other.L18);
    bindEdit(ui_->IconSzEd, f.other.IconSzEd);
    ui_->L18->setBuddy(ui_->IconSzEd);
}

OtherPage::~OtherPage() = default;

AboutPage::AboutPage(TMainForm& f, QWidget* parent) : QWidget(parent), ui_(new Ui::TabSheet1) {
    ui_->setupUi(this);
    bindGroupBox(ui_->AboutGB, f.about.AboutGB);
    ui_->AboutLogo->setPixmap(QPixmap::fromImage(windowsLogoIcon()));
    // The dialog font has no large sizes; the heading takes a plain sans serif.
    QFont big(QStringLiteral("Sans Serif"));
    big.setPixelSize(20);
    big.setBold(true);
    ui_->NameLb->setFont(big);
    ui_->NameLb->setText("Velkan '97");
    ui_->VersionLb->setText("version 2.51 - a Windows 95 shell customiser");
    ui_->AboutLb->setText(
        "Changes the Start button's text, tooltip and icon, the Start menu's captions, logo and "
        "icons, hides Start menu entries and loads theme packs, with or without the Internet "
        "Explorer 4 desktop update. The original Explorer.exe and User.exe are kept as "
        "Explorer.sav and User.sav; Restore puts them back.");
    bindEdit(ui_->HomePageEd, f.about.HomePageEd);
    bindEdit(ui_->MailEd, f.about.MailEd);
    bindButton(ui_->Go1, f.about.Go1);
    bindButton(ui_->Go2, f.about.Go2);
    bindButton(ui_->Readme, f.about.Readme);
    // The box and the labels of its first two rows open the hidden panel; the
    // description below them does not.
    ui_->SecrPn->bind(f.about.SecrPn);
    hidden::ui::openOnPress({ui_->AboutGB}, f.about.SecrPn);
    ui_->AboutLb->setAttribute(Qt::WA_NoMousePropagation);
}

AboutPage::~AboutPage() = default;

} // namespace velkan::app::ui
