#pragma once

#include "hidden/SecretPanel.h"

#include <QFrame>
#include <QObject>
#include <initializer_list>
#include <memory>

namespace Ui {
class SecrPn;
}

namespace velkan::hidden::ui {

// The hidden panel "SecrPn", laid out in its form file and bound to the
// panel's model. A click anywhere on it but its buttons closes it.
class SecretPanelView : public QFrame {
public:
    explicit SecretPanelView(QWidget* parent = nullptr);
    ~SecretPanelView() override;

    void bind(SecretPanel& panel);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::unique_ptr<Ui::SecrPn> ui_;
    SecretPanel* panel_ = nullptr;
    bool pressed_ = false;
};

// The keys and buttons of a Qt mouse event as the handlers take them.
ShiftState shiftState(const QMouseEvent& event);

// Presses on each of `widgets` (and what they pass on to their parents) reach
// the panel's AboutGBMouseDown.
void openOnPress(std::initializer_list<QWidget*> widgets, SecretPanel& panel);

} // namespace velkan::hidden::ui
