#include "app/ui/IconFmWindow.h"

#include "app/ui/Pictures.h"
#include "caption/ui/CaptionControl.h"
#include "platform/ui/ControlBinding.h"
#include "ui_IconFmWindow.h"

#include <QCloseEvent>
#include <QPointer>

namespace velkan::app::ui {

using namespace platform::ui;

IconFmWindow::IconFmWindow(TIconFm& model, QWidget* anchor)
    : QWidget(anchor, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), model_(model),
      anchor_(anchor), ui_(new Ui::IconFm) {
    ui_->setupUi(this);
    setFixedSize(size());
    setWindowTitle(QString::fromLatin1(model.caption().c_str()));
    // The small caption of a Windows 95 tool window, on any desktop.
    frame_ = std::make_unique<caption::ui::TCaptionControl>(this);
    QLabel* labels[] = {ui_->Imag1, ui_->Imag2, ui_->Imag3, ui_->Imag4,
                        ui_->Imag5, ui_->Imag6, ui_->Imag7};
    auto images = model.images();
    for (std::size_t i = 0; i < images.size(); ++i)
        bindImage(labels[i], *images[i], renderPicture);
    bindButton(ui_->UpBn, model.UpBn);
    ui_->UpBn->setCheckable(true);
    QPointer<IconFmWindow> alive(this);
    addUpdateHook(model, [alive] {
        if (alive)
            alive->followModel();
    });
    addUpdateHook(model.UpBn, [alive, this] {
        if (alive)
            ui_->UpBn->setChecked(model_.UpBn.down());
    });
    followModel();
}

IconFmWindow::~IconFmWindow() = default;

void IconFmWindow::followModel() {
    if (model_.visible() == isVisible())
        return;
    if (model_.visible()) {
        // The model's place is relative to the main window's corner.
        const QPoint corner = anchor_ ? anchor_->window()->pos() : QPoint();
        move(corner + QPoint(150, 400));
        show();
    } else {
        hide();
    }
}

void IconFmWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow())
        model_.FormDeactivate();
}

void IconFmWindow::closeEvent(QCloseEvent* event) {
    model_.FormClose();
    event->accept();
}

} // namespace velkan::app::ui
