#pragma once

#include "hidden/PaintBox.h"

#include <QWidget>

namespace velkan::hidden::ui {

// Shows a paint box: its place on the panel's surface, with the panel showing
// through wherever nothing was drawn. Mouse presses go on to the panel.
class PaintBoxView : public QWidget {
public:
    explicit PaintBoxView(QWidget* parent = nullptr);

    void bind(PaintBox& box);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PaintBox* box_ = nullptr;
};

} // namespace velkan::hidden::ui
