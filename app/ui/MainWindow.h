#pragma once

#include <QDialog>
#include <memory>

#include "app/mainform/MainForm.h"
#include "caption/ui/CaptionControl.h"

namespace Ui {
class MainForm;
}

namespace velkan::app::ui {

// The main window "Velkan ' 97 ver. 2.51": a fixed dialog with the four
// pages and OK, Cancel and Restore, bound to the main window's model. Closing
// it by its close box runs the model's close, like any other way out.
class MainWindow : public QDialog {
    Q_OBJECT
public:
    explicit MainWindow(TMainForm& form, QWidget* parent = nullptr);
    ~MainWindow() override;

    TMainForm& form() { return form_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void followModel();

    TMainForm& form_;
    std::unique_ptr<Ui::MainForm> ui_;
    // Paints the title bar as a gradient; declared last so that it lets go
    // of the window before the window goes.
    std::unique_ptr<caption::ui::TCaptionControl> CaptionControl1;
};

} // namespace velkan::app::ui
