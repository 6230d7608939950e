#include "app/ui/MainWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include "app/ui/Pages.h"
#include "platform/ui/ControlBinding.h"
#include "ui_MainWindow.h"

namespace velkan::app::ui {

using namespace platform::ui;

MainWindow::MainWindow(TMainForm& form, QWidget* parent)
    : QDialog(parent), form_(form), ui_(new Ui::MainForm) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    // The pages in their order: Main, Theme Packs, Other, About.
    ui_->MainPC->addTab(new MainPage(form, ui_->MainPC), "&Main");
    ui_->MainPC->addTab(new ThemePage(form, ui_->MainPC), "&Theme Packs");
    ui_->MainPC->addTab(new OtherPage(form, ui_->MainPC), "&Other");
    ui_->MainPC->addTab(new AboutPage(form, ui_->MainPC), "&About");
    for (int i = 0; i < ui_->MainPC->count(); ++i)
        ui_->MainPC->setTabText(i, QString::fromLatin1(form.MainPC.pages()[i].c_str()));

    // The model keeps the window's size, which LangBn changes.
    if (form.width() == 0) {
        form.setWidth(width());
        form.setHeight(height());
    }
    if (form.MainPC.width() == 0)
        form.MainPC.setBounds(ui_->MainPC->x(), ui_->MainPC->y(), ui_->MainPC->width(),
                              ui_->MainPC->height());
    CaptionControl1 = std::make_unique<caption::ui::TCaptionControl>(this);
    CaptionControl1->setCaptionGradient(caption::cgAlways);
    bindPageControl(ui_->MainPC, form.MainPC);
    bindButton(ui_->OKBn, form.OKBn);
    bindButton(ui_->CancelBn, form.CancelBn);
    bindButton(ui_->RestoreBn, form.RestoreBn);
    addUpdateHook(form, [this] { followModel(); });
    followModel();

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

MainWindow::~MainWindow() = default;

void MainWindow::followModel() {
    setWindowTitle(QString::fromLatin1(form_.caption().c_str()));
    const QSize client(form_.width(), form_.height());
    setFixedSize(CaptionControl1 ? CaptionControl1->windowSize(client) : client);
    if (form_.closed() && isVisible())
        QDialog::done(QDialog::Accepted);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The close box closes the model; its close sequence runs first.
    form_.close();
    event->accept();
}

void MainWindow::reject() {
    // Escape closes the window as the close box does.
    form_.close();
    QDialog::reject();
}

} // namespace velkan::app::ui
