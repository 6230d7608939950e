#pragma once

#include "app/mainform/MainForm.h"

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <string>

namespace velkan::app::ui {

// A tool window with the picture of the taskbar and the open Start menu as
// Windows will show them after OK and a restart. It follows the main
// window's edits, boxes, icons, logo and Start-button icon as they change;
// for a theme pack it shows the browser's current folder loaded on top.
class PreviewWindow : public QWidget {
    Q_OBJECT
public:
    enum class Source { Edits, BrowsedPack };

    PreviewWindow(TMainForm& form, Source source, QWidget* parent);

    // Draws the picture again from the current state.
    void refresh();
    // The picture shown (null while the shell cannot be read).
    QImage picture() const { return picture_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void follow(platform::Control& control);
    void scheduleRefresh();

    TMainForm& form_;
    Source source_;
    QLabel* image_;
    QTimer pending_;
    QImage picture_;
};

} // namespace velkan::app::ui
