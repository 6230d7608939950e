#include "hidden/ui/PaintBoxView.h"

#include "platform/ui/ControlBinding.h"

#include <QImage>
#include <QPainter>
#include <QPointer>

namespace velkan::hidden::ui {

PaintBoxView::PaintBoxView(QWidget* parent) : QWidget(parent) {}

void PaintBoxView::bind(PaintBox& box) {
    box_ = &box;
    platform::ui::bindCommon(this, box);
    QPointer<PaintBoxView> self(this);
    platform::ui::addUpdateHook(box, [self] {
        if (self)
            self->update();
    });
}

void PaintBoxView::paintEvent(QPaintEvent*) {
    if (!box_)
        return;
    QImage image(box_->width(), box_->height(), QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const platform::COLORREF c = box_->pixel(x, y);
            line[x] =
                c == Surface::kUnpainted
                    ? qRgba(0, 0, 0, 0)
                    : qRgb(platform::GetRValue(c), platform::GetGValue(c), platform::GetBValue(c));
        }
    }
    QPainter painter(this);
    painter.drawImage(0, 0, image);
}

} // namespace velkan::hidden::ui
