#pragma once

#include "app/IconFm.h"
#include "caption/ui/CaptionControl.h"

#include <QWidget>
#include <memory>

namespace Ui {
class IconFm;
}

namespace velkan::app::ui {

// The tool window "Other start menu icons", shown and hidden by its model;
// it reports losing activation and being closed to the model.
class IconFmWindow : public QWidget {
public:
    // `anchor` is the main window the pop-up is placed against.
    IconFmWindow(TIconFm& model, QWidget* anchor);
    ~IconFmWindow() override;

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void followModel();

    TIconFm& model_;
    QWidget* anchor_;
    std::unique_ptr<Ui::IconFm> ui_;
    std::unique_ptr<caption::ui::TCaptionControl> frame_;
};

} // namespace velkan::app::ui
