#pragma once

#include "caption/CaptionGeometry.h"
#include "caption/CaptionModel.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QMenu;
class QPainter;
class QWidget;
class QMouseEvent;

namespace velkan::caption::ui {

class TCaptionControl;

using TDrawCaptionEvent = std::function<void(TCaptionControl& Sender, std::string& CaptionText,
                                             QPainter& DC, Rect Rect, bool& Drawn)>;
// The painter of the caption bar being drawn is `Sender.canvas()`.
using TCaptionButtonDrawEvent =
    std::function<void(TCaptionControl& Sender, int ButtonIndex, bool& Drawn)>;
using TCaptionButtonClickEvent =
    std::function<void(TCaptionControl& Sender, int ButtonIndex, bool& Pushed)>;

// Takes over the title bar of a top-level window: the window loses the
// window manager's decoration and the control paints its frame and caption
// (gradient, icon, standard buttons, extra buttons, text) and handles
// moving, activation, the standard buttons and the system menu. The window's
// widgets move into a client area inside that frame; give the window its
// client size through windowSize(). With Enabled false the window has its
// normal decoration back.
//
// The control belongs to whoever creates it; when the owner is destroyed
// first the control lets go of it.
class TCaptionControl : public QObject {
    Q_OBJECT
public:
    // Raises ECaptionError when `owner` is not a top-level window.
    explicit TCaptionControl(QObject* owner);
    ~TCaptionControl() override;

    TCaptionGradient CaptionGradient() const { return model_.captionGradient(); }
    void setCaptionGradient(TCaptionGradient value);
    bool ShowButtons() const { return model_.showButtons(); }
    void setShowButtons(bool value);
    TDirection CaptionDirection() const { return model_.captionDirection(); }
    void setCaptionDirection(TDirection value);
    TDirection ButtonsDirection() const { return model_.buttonsDirection(); }
    void setButtonsDirection(TDirection value);
    TDirection WindowDirection() const { return model_.windowDirection(); }
    void setWindowDirection(TDirection value);
    bool RtlReading() const { return model_.rtlReading(); }
    void setRtlReading(bool value);
    bool Enabled() const { return model_.enabled(); }
    void setEnabled(bool value);
    TCaptionButtonsList& Buttons() { return model_.Buttons; }
    QMenu* PopupMenu() const { return popupMenu_; }
    void setPopupMenu(QMenu* menu) { popupMenu_ = menu; }

    TDrawCaptionEvent OnDrawCaption;
    TCaptionButtonDrawEvent OnButtonDraw;
    TCaptionButtonClickEvent OnButtonClick;

    // The owner as a form: its border style and icons, read from its window
    // flags at construction.
    TFormBorderStyle borderStyle() const { return borderStyle_; }
    void setBorderStyle(TFormBorderStyle style);
    TBorderIcons borderIcons() const { return borderIcons_; }
    void setBorderIcons(TBorderIcons icons);
    // The extended style bits the direction properties switch.
    unsigned extendedStyle() const { return model_.extendedStyle(); }
    bool isActive() const { return model_.active(); }
    bool isMaximized() const { return model_.maximized(); }

    // The window size that gives the owner a client area of `client`.
    QSize windowSize(QSize client) const;
    // The widget that holds the owner's contents.
    QWidget* clientArea() const { return client_; }
    // The caption bar in window coordinates (empty when nothing is painted).
    QRect captionRect() const;
    // Where extra button `index` was drawn at the last paint, in window
    // coordinates; empty when it was not drawn.
    QRect buttonRect(int index) const;
    // The painter of the caption bar while OnButtonDraw runs, else null.
    QPainter* canvas() const { return canvas_; }

    // Asks the owner to paint its frame again.
    void repaintFrame();
    // Rebuilds the gradient from the system colours after a scheme change.
    void systemColoursChanged();
    // The system menu at a global position.
    void showSystemMenu(QPoint globalPos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Margins margins() const;
    void decorate();
    void placeClient();
    void adoptChildren();
    void paintNonClient();
    void paintCaption(QPainter& window, QRect bar);
    Point windowPoint(QMouseEvent* e) const;
    bool mousePress(QMouseEvent* e, bool doubleClick);
    bool mouseMove(QMouseEvent* e);
    bool mouseRelease(QMouseEvent* e);
    Qt::Edges frameEdgesAt(Point p) const;
    std::optional<CaptionGlyph> standardButtonAt(Point p) const;
    void standardButtonClicked(CaptionGlyph glyph);

    QPointer<QWidget> owner_;
    QWidget* client_ = nullptr;
    CaptionModel model_;
    TFormBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_ = biSystemMenu;
    Qt::WindowFlags ownerFlags_;
    QSize clientSize_;
    QMenu* popupMenu_ = nullptr;
    QPainter* canvas_ = nullptr;
    std::vector<std::optional<Rect>> drawnButtons_;
    bool unhooked_ = false;
    bool adopting_ = false;

    // Standard caption button under a left press, and whether it shows pushed.
    std::optional<CaptionGlyph> standardPressed_;
    bool standardShown_ = false;
    // Sizing the window by its frame: the edges being dragged.
    Qt::Edges sizing_;
    QRect sizeStart_;
    // Moving the window by its caption.
    bool moving_ = false;
    QPoint moveStart_;
    QPoint windowStart_;
};

// Gives the windows the platform layer opens (message boxes, the open and
// save dialogs) this frame too, so the whole program looks the same on any
// desktop.
void frameProgramWindows();

} // namespace velkan::caption::ui
