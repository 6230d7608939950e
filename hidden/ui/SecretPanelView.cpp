#include "hidden/ui/SecretPanelView.h"

#include "platform/ui/ControlBinding.h"
#include "ui_SecretPanel.h"

#include <QMouseEvent>

namespace velkan::hidden::ui {

namespace {

class PressFilter : public QObject {
public:
    PressFilter(QObject* parent, SecretPanel& panel) : QObject(parent), panel_(panel) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress)
            panel_.AboutGBMouseDown(shiftState(*static_cast<QMouseEvent*>(event)));
        return QObject::eventFilter(watched, event);
    }

private:
    SecretPanel& panel_;
};

} // namespace

SecretPanelView::SecretPanelView(QWidget* parent) : QFrame(parent), ui_(new Ui::SecrPn) {
    ui_->setupUi(this);
    // The dialog font has no large sizes; the greeting takes a plain sans serif.
    QFont big(QStringLiteral("Sans Serif"));
    big.setPixelSize(19);
    big.setBold(true);
    ui_->CngrLb->setFont(big);
    QFont bold = ui_->L13->font();
    bold.setBold(true);
    ui_->L13->setFont(bold);
}

SecretPanelView::~SecretPanelView() = default;

void SecretPanelView::bind(SecretPanel& panel) {
    panel_ = &panel;
    using namespace platform::ui;
    bindCommon(this, panel);
    bindLabel(ui_->CngrLb, panel.CngrLb);
    bindLabel(ui_->L11, panel.L11);
    bindLabel(ui_->L12, panel.L12);
    bindLabel(ui_->L13, panel.L13);
    ui_->PB1->bind(panel.PB1);
    ui_->PB2->bind(panel.PB2);
    bindButton(ui_->FernBn, panel.FernBn);
    bindButton(ui_->SunBn, panel.SunBn);
}

void SecretPanelView::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void SecretPanelView::mouseReleaseEvent(QMouseEvent* event) {
    // A click: pressed and let go over the panel (or a label or paint box on it).
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click && panel_)
        panel_->SecrPnClick();
}

ShiftState shiftState(const QMouseEvent& event) {
    ShiftState s = 0;
    const auto keys = event.modifiers();
    if (keys & Qt::ShiftModifier)
        s |= ssShift;
    if (keys & Qt::ControlModifier)
        s |= ssCtrl;
    if (keys & Qt::AltModifier)
        s |= ssAlt;
    const auto buttons = event.buttons() | event.button();
    if (buttons & Qt::LeftButton)
        s |= ssLeft;
    if (buttons & Qt::RightButton)
        s |= ssRight;
    if (buttons & Qt::MiddleButton)
        s |= ssMiddle;
    if (event.type() == QEvent::MouseButtonDblClick)
        s |= ssDouble;
    return s;
}

void openOnPress(std::initializer_list<QWidget*> widgets, SecretPanel& panel) {
    for (QWidget* w : widgets)
        w->installEventFilter(new PressFilter(w, panel));
}

} // namespace velkan::hidden::ui
