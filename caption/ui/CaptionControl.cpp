#include "caption/ui/CaptionControl.h"

#include "caption/ButtonGlyph.h"
#include "caption/ButtonStrip.h"
#include "caption/ui/CaptionDrawing.h"
#include "platform/SysColors.h"
#include "platform/SystemMetrics.h"
#include "platform/ui/WindowFrame.h"

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QImage>
#include <QLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QShortcut>
#include <QWhatsThis>
#include <QWidget>
#include <QWindow>

namespace velkan::caption::ui {

using namespace platform;

namespace {

bool fixedSize(const QWidget* w) {
    return w->minimumSize() == w->maximumSize() ||
           w->windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint);
}

TFormBorderStyle borderStyleOf(const QWidget* w) {
    const Qt::WindowFlags flags = w->windowFlags();
    if (flags.testFlag(Qt::FramelessWindowHint))
        return bsNone;
    const bool fixed = fixedSize(w);
    if (w->windowType() == Qt::Tool)
        return fixed ? bsToolWindow : bsSizeToolWin;
    if (fixed)
        return w->windowType() == Qt::Dialog ? bsDialog : bsSingle;
    return bsSizeable;
}

TBorderIcons borderIconsOf(const QWidget* w) {
    const Qt::WindowFlags flags = w->windowFlags();
    constexpr Qt::WindowFlags hints = Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                      Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                                      Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint;
    if (!(flags & hints) && !flags.testFlag(Qt::CustomizeWindowHint)) {
        // No hints given: Qt's defaults for the window type.
        if (w->windowType() == Qt::Window)
            return biSystemMenu | biMinimize | biMaximize;
        return biSystemMenu;
    }
    TBorderIcons icons = 0;
    if (flags.testFlag(Qt::WindowSystemMenuHint) || flags.testFlag(Qt::WindowCloseButtonHint))
        icons |= biSystemMenu;
    if (flags.testFlag(Qt::WindowMinimizeButtonHint))
        icons |= biMinimize;
    if (flags.testFlag(Qt::WindowMaximizeButtonHint))
        icons |= biMaximize;
    if (flags.testFlag(Qt::WindowContextHelpButtonHint))
        icons |= biHelp;
    return icons;
}

// IDI_APPLICATION: a blank window.
void drawApplicationIcon(QPainter& p, int size) {
    const int m = size / 8;
    QRect r(m, m * 2, size - 2 * m - 1, size - 4 * m - 1);
    p.fillRect(r, Qt::white);
    p.fillRect(r.left(), r.top(), r.width(), size / 6, sysColor(COLOR_ACTIVECAPTION));
    p.setPen(Qt::black);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
}

} // namespace

TCaptionControl::TCaptionControl(QObject* owner) {
    auto* form = qobject_cast<QWidget*>(owner);
    if (!form || !form->isWindow())
        throw ECaptionError(kOwnerMustBeForm);
    owner_ = form;
    ownerFlags_ = form->windowFlags();
    borderStyle_ = borderStyleOf(form);
    borderIcons_ = borderIconsOf(form);
    clientSize_ = form->size();

    client_ = new QWidget(form);
    client_->setObjectName("ClientArea");
    adoptChildren();
    form->installEventFilter(this);
    connect(form, &QObject::destroyed, this, [this] {
        unhooked_ = true;
        client_ = nullptr;
    });
    auto* menuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), form);
    connect(menuKey, &QShortcut::activated, this, [this] {
        if (owner_ && model_.enabled() && (borderIcons_ & biSystemMenu)) {
            QRect bar = captionRect();
            showSystemMenu(owner_->mapToGlobal(QPoint(bar.left(), bar.bottom() + 1)));
        }
    });
    decorate();
}

TCaptionControl::~TCaptionControl() {
    if (unhooked_ || !owner_)
        return;
    owner_->removeEventFilter(this);
    model_.setEnabled(false);
    decorate();
}

void TCaptionControl::setCaptionGradient(TCaptionGradient value) {
    if (model_.setCaptionGradient(value))
        repaintFrame();
}

void TCaptionControl::setShowButtons(bool value) {
    if (model_.setShowButtons(value))
        repaintFrame();
}

void TCaptionControl::setCaptionDirection(TDirection value) {
    model_.setCaptionDirection(value);
}

void TCaptionControl::setButtonsDirection(TDirection value) {
    if (model_.setButtonsDirection(value))
        repaintFrame();
}

void TCaptionControl::setWindowDirection(TDirection value) {
    model_.setWindowDirection(value);
}

void TCaptionControl::setRtlReading(bool value) {
    model_.setRtlReading(value);
}

void TCaptionControl::setEnabled(bool value) {
    if (!model_.setEnabled(value))
        return;
    decorate();
    repaintFrame();
}

void TCaptionControl::setBorderStyle(TFormBorderStyle style) {
    borderStyle_ = style;
    decorate();
    repaintFrame();
}

void TCaptionControl::setBorderIcons(TBorderIcons icons) {
    borderIcons_ = icons;
    repaintFrame();
}

Margins TCaptionControl::margins() const {
    if (!model_.enabled())
        return {};
    return nonClientMargins(borderStyle_);
}

QSize TCaptionControl::windowSize(QSize client) const {
    const Margins m = margins();
    return client + QSize(m.left + m.right, m.top + m.bottom);
}

QRect TCaptionControl::captionRect() const {
    if (!owner_ || !model_.enabled())
        return {};
    return qRect(caption::captionRect(borderStyle_, owner_->width(), owner_->height()));
}

QRect TCaptionControl::buttonRect(int index) const {
    if (index < 0 || index >= int(drawnButtons_.size()) || !drawnButtons_[std::size_t(index)])
        return {};
    const QRect bar = captionRect();
    return qRect(drawnButtons_[std::size_t(index)]->offset(bar.left(), bar.top()));
}

void TCaptionControl::decorate() {
    if (!owner_)
        return;
    const bool visible = owner_->isVisible();
    const QPoint pos = owner_->pos();
    Qt::WindowFlags flags = ownerFlags_;
    if (model_.enabled())
        flags |= Qt::FramelessWindowHint;
    if (owner_->windowFlags() != flags) {
        owner_->setWindowFlags(flags);
        owner_->move(pos);
    }
    const QSize outer = windowSize(clientSize_);
    if (fixedSize(owner_))
        owner_->setFixedSize(outer);
    else
        owner_->resize(outer);
    placeClient();
    if (visible)
        owner_->show();
}

void TCaptionControl::placeClient() {
    if (!owner_ || !client_)
        return;
    const Margins m = margins();
    client_->setGeometry(m.left, m.top, owner_->width() - m.left - m.right,
                         owner_->height() - m.top - m.bottom);
    clientSize_ = client_->size();
}

void TCaptionControl::adoptChildren() {
    if (!owner_ || !client_ || adopting_)
        return;
    adopting_ = true;
    if (QLayout* layout = owner_->layout())
        client_->setLayout(layout);
    for (QObject* child : owner_->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget == client_ || widget->isWindow())
            continue;
        const QRect geometry = widget->geometry();
        const bool hidden = widget->testAttribute(Qt::WA_WState_ExplicitShowHide) &&
                            widget->testAttribute(Qt::WA_WState_Hidden);
        widget->setParent(client_);
        widget->setGeometry(geometry);
        if (!hidden)
            widget->show();
    }
    adopting_ = false;
}

void TCaptionControl::repaintFrame() {
    if (!owner_)
        return;
    QRegion frame(owner_->rect());
    if (client_)
        frame -= client_->geometry();
    owner_->update(frame);
}

void TCaptionControl::systemColoursChanged() {
    model_.rebuildGradientTable();
    repaintFrame();
}

bool TCaptionControl::eventFilter(QObject* watched, QEvent* event) {
    if (watched != owner_ || unhooked_)
        return false;
    switch (event->type()) {
    case QEvent::Resize:
        model_.setMaximized(owner_->isMaximized());
        placeClient();
        repaintFrame();
        return false;
    case QEvent::WindowStateChange:
        model_.setMaximized(owner_->isMaximized());
        repaintFrame();
        return false;
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
        model_.setActive(event->type() == QEvent::WindowActivate);
        repaintFrame();
        return false;
    case QEvent::ApplicationPaletteChange:
        systemColoursChanged();
        return false;
    case QEvent::ChildAdded:
        // Widgets given to the form later belong in its client area too.
        if (!adopting_)
            QMetaObject::invokeMethod(
                this, [this] { adoptChildren(); }, Qt::QueuedConnection);
        return false;
    case QEvent::WindowTitleChange:
        repaintFrame();
        return false;
    default:
        break;
    }
    if (!model_.enabled())
        return false;
    switch (event->type()) {
    case QEvent::Paint:
        paintNonClient();
        return true;
    case QEvent::MouseButtonPress:
        return mousePress(static_cast<QMouseEvent*>(event), false);
    case QEvent::MouseButtonDblClick:
        return mousePress(static_cast<QMouseEvent*>(event), true);
    case QEvent::MouseMove:
        return mouseMove(static_cast<QMouseEvent*>(event));
    case QEvent::MouseButtonRelease:
        return mouseRelease(static_cast<QMouseEvent*>(event));
    default:
        return false;
    }
}

void TCaptionControl::paintNonClient() {
    QPainter p(owner_);
    drawWindowFrame(p, owner_->rect(), borderStyle_ == bsNone ? 0 : frameWidth(borderStyle_));
    const QRect bar = captionRect();
    if (!bar.isEmpty())
        paintCaption(p, bar);
}

void TCaptionControl::paintCaption(QPainter& window, QRect bar) {
    const int w = bar.width();
    const int h = bar.height();
    // Composed off-screen and copied in one block, so the bar is never seen
    // half drawn.
    QPixmap buffer(w, h);
    QPainter p(&buffer);

    const bool gradient = model_.paintsGradient();
    if (!gradient) {
        p.fillRect(0, 0, w, h, qColor(model_.solidColour()));
    } else {
        const auto& row = model_.gradientTable()[model_.active() ? 1 : 0];
        for (int band = 0; band < 64; ++band) {
            const BandSpan span = gradientBand(w, band);
            if (span.last > span.first)
                p.fillRect(span.first, 0, span.last - span.first, h,
                           qColor(row[std::size_t(band)]));
        }
    }

    const CaptionLayout layout =
        layoutCaption(borderStyle_, borderIcons_, model_.maximized(), w, h);
    if (layout.hasIcon) {
        const int cx = GetSystemMetrics(SM_CXICON);
        const int cy = GetSystemMetrics(SM_CYICON);
        QImage scratch(cx, cy, QImage::Format_RGB32);
        scratch.fill(gradient ? QColor(Qt::black) : qColor(model_.solidColour()));
        QPainter ip(&scratch);
        QIcon icon = owner_->windowIcon();
        if (icon.isNull())
            icon = QApplication::windowIcon();
        if (!icon.isNull())
            icon.paint(&ip, 0, 0, cx, cy);
        else
            drawApplicationIcon(ip, cx);
        ip.end();
        p.drawImage(qRect(layout.icon), scratch);
    }
    for (const StandardButton& b : layout.buttons)
        drawCaptionButton(p, b.rect, b.glyph, standardPressed_ == b.glyph && standardShown_,
                          b.inactive);

    Rect work = layout.work;
    if (model_.showButtons() && !model_.Buttons.empty() && !isToolWindow(borderStyle_)) {
        const int bw = captionButtonWidth();
        const StripLayout strip =
            layoutStrip(model_.Buttons, model_.buttonsDirection(), work, layout.buttonsLeft, bw);
        model_.recordStrip(strip.firstButtonLeft, bw);
        drawnButtons_ = strip.buttons;
        for (int i = 0; i < model_.Buttons.count(); ++i) {
            if (!strip.buttons[std::size_t(i)])
                continue;
            const Rect r = *strip.buttons[std::size_t(i)];
            const bool pushed = model_.drawnPushed(i);
            drawPushFrame(p, r, pushed);
            bool drawn = false;
            if (OnButtonDraw) {
                canvas_ = &p;
                p.save();
                OnButtonDraw(*this, i, drawn);
                p.restore();
                canvas_ = nullptr;
            }
            if (!drawn)
                drawButtonGlyph(p, *model_.Buttons.item(i), glyphRect(r, pushed));
        }
        work = strip.work;
    } else {
        model_.clearStrip();
        drawnButtons_.clear();
    }

    work.left += 2;
    p.save();
    p.setPen(qColor(model_.textColour()));
    if (auto font = captionFont(isToolWindow(borderStyle_)))
        p.setFont(*font);
    std::string text = owner_->windowTitle().toLatin1().toStdString();
    bool drawn = false;
    if (OnDrawCaption)
        OnDrawCaption(*this, text, p, work, drawn);
    if (!drawn && !work.empty()) {
        int flags = Qt::AlignVCenter | Qt::TextSingleLine;
        flags |= model_.captionDirection() == dirRight ? Qt::AlignRight : Qt::AlignLeft;
        if (model_.rtlReading())
            flags |= Qt::TextForceRightToLeft;
        p.setClipRect(qRect(work));
        const QString title = QString::fromLatin1(text.c_str());
        p.drawText(qRect(work), flags, title);
        // The bitmap face has no bold cut and nothing synthesises one for it
        // without antialiasing; Windows' bold of such a face is the text
        // again one pixel right.
        if (p.font().bold())
            p.drawText(qRect(work).translated(1, 0), flags, title);
    }
    p.restore();
    p.end();
    window.drawPixmap(bar.topLeft(), buffer);
}

Point TCaptionControl::windowPoint(QMouseEvent* e) const {
    const QPoint pos = e->position().toPoint();
    return {pos.x(), pos.y()};
}

std::optional<CaptionGlyph> TCaptionControl::standardButtonAt(Point pt) const {
    const QRect bar = captionRect();
    if (bar.isEmpty())
        return std::nullopt;
    const CaptionLayout layout =
        layoutCaption(borderStyle_, borderIcons_, model_.maximized(), bar.width(), bar.height());
    for (const StandardButton& b : layout.buttons)
        if (!b.inactive && b.rect.offset(bar.left(), bar.top()).contains(pt.x, pt.y))
            return b.glyph;
    return std::nullopt;
}

bool TCaptionControl::mousePress(QMouseEvent* e, bool doubleClick) {
    const Point pt = windowPoint(e);
    if (client_ && client_->geometry().contains(pt.x, pt.y))
        return false;
    const QRect barQ = captionRect();
    const Rect bar{barQ.left(), barQ.top(), barQ.right() + 1, barQ.bottom() + 1};
    if (e->button() == Qt::RightButton) {
        model_.setRightPress(true);
        return true;
    }
    if (e->button() != Qt::LeftButton)
        return false;

    if (model_.press(bar, pt)) {
        // An enabled button looks pushed from the press on.
        model_.move(bar, pt);
        repaintFrame();
        return true;
    }
    if (auto glyph = standardButtonAt(pt)) {
        standardPressed_ = glyph;
        standardShown_ = true;
        repaintFrame();
        return true;
    }
    if (!bar.contains(pt.x, pt.y)) {
        const Qt::Edges edges = frameEdgesAt(pt);
        if (edges && !owner_->isMaximized()) {
            if (owner_->windowHandle() && owner_->windowHandle()->startSystemResize(edges))
                return true;
            sizing_ = edges;
            moveStart_ = e->globalPosition().toPoint();
            sizeStart_ = owner_->geometry();
        }
        return true;
    }

    const CaptionLayout layout =
        layoutCaption(borderStyle_, borderIcons_, model_.maximized(), bar.width(), bar.height());
    if (layout.hasIcon && layout.icon.offset(bar.left, bar.top).contains(pt.x, pt.y)) {
        if (doubleClick)
            owner_->close();
        else
            showSystemMenu(owner_->mapToGlobal(QPoint(bar.left, bar.bottom)));
        return true;
    }
    if (doubleClick) {
        if ((borderIcons_ & biMaximize) && (borderStyle_ == bsSizeable || borderStyle_ == bsSingle))
            owner_->isMaximized() ? owner_->showNormal() : owner_->showMaximized();
        return true;
    }
    if (owner_->isMaximized())
        return true;
    if (owner_->windowHandle() && owner_->windowHandle()->startSystemMove())
        return true;
    moving_ = true;
    moveStart_ = e->globalPosition().toPoint();
    windowStart_ = owner_->pos();
    return true;
}

bool TCaptionControl::mouseMove(QMouseEvent* e) {
    const Point pt = windowPoint(e);
    if (moving_) {
        owner_->move(windowStart_ + e->globalPosition().toPoint() - moveStart_);
        return true;
    }
    if (sizing_) {
        const QPoint d = e->globalPosition().toPoint() - moveStart_;
        QRect g = sizeStart_;
        if (sizing_ & Qt::LeftEdge)
            g.setLeft(g.left() + d.x());
        if (sizing_ & Qt::RightEdge)
            g.setRight(g.right() + d.x());
        if (sizing_ & Qt::TopEdge)
            g.setTop(g.top() + d.y());
        if (sizing_ & Qt::BottomEdge)
            g.setBottom(g.bottom() + d.y());
        const QSize least = owner_->minimumSize().expandedTo(
            QSize(GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)));
        if (g.width() >= least.width() && g.height() >= least.height())
            owner_->setGeometry(g);
        return true;
    }
    const QRect barQ = captionRect();
    const Rect bar{barQ.left(), barQ.top(), barQ.right() + 1, barQ.bottom() + 1};
    if (model_.pressedIndex() >= 0) {
        if (model_.move(bar, pt))
            repaintFrame();
        return true;
    }
    if (standardPressed_) {
        const bool over = standardButtonAt(pt) == standardPressed_;
        if (over != standardShown_) {
            standardShown_ = over;
            repaintFrame();
        }
        return true;
    }
    return false;
}

bool TCaptionControl::mouseRelease(QMouseEvent* e) {
    const Point pt = windowPoint(e);
    const QRect barQ = captionRect();
    const Rect bar{barQ.left(), barQ.top(), barQ.right() + 1, barQ.bottom() + 1};
    if (e->button() == Qt::RightButton) {
        if (!model_.rightPress())
            return false;
        model_.setRightPress(false);
        const QPoint global = e->globalPosition().toPoint();
        if (popupMenu_)
            popupMenu_->popup(global);
        else if (bar.contains(pt.x, pt.y) && (borderIcons_ & biSystemMenu))
            showSystemMenu(global);
        return true;
    }
    if (e->button() != Qt::LeftButton)
        return false;
    if (moving_ || sizing_) {
        moving_ = false;
        sizing_ = {};
        return true;
    }
    if (model_.pressedIndex() >= 0) {
        if (auto clicked = model_.release(bar, pt)) {
            TCaptionButton* button = model_.Buttons.item(*clicked);
            bool pushed = button->Pushed;
            if (OnButtonClick)
                OnButtonClick(*this, *clicked, pushed);
            // The handler may have changed the list.
            if (TCaptionButton* still = model_.Buttons.item(*clicked))
                still->Pushed = pushed;
        }
        repaintFrame();
        return true;
    }
    if (standardPressed_) {
        const CaptionGlyph glyph = *standardPressed_;
        const bool over = standardButtonAt(pt) == glyph;
        standardPressed_.reset();
        standardShown_ = false;
        repaintFrame();
        if (over)
            standardButtonClicked(glyph);
        return true;
    }
    return false;
}

Qt::Edges TCaptionControl::frameEdgesAt(Point pt) const {
    if (borderStyle_ != bsSizeable && borderStyle_ != bsSizeToolWin)
        return {};
    const Margins m = margins();
    // Windows lets the corners be grabbed a caption button's width along
    // either edge.
    const int corner = GetSystemMetrics(SM_CXSIZE);
    const int w = owner_->width();
    const int h = owner_->height();
    Qt::Edges edges;
    const bool left = pt.x < m.left, right = pt.x >= w - m.right;
    const bool top = pt.y < frameHeight(borderStyle_), bottom = pt.y >= h - m.bottom;
    if (left || (pt.x < corner && (top || bottom)))
        edges |= Qt::LeftEdge;
    if (right || (pt.x >= w - corner && (top || bottom)))
        edges |= Qt::RightEdge;
    if (top || (pt.y < corner && (left || right)))
        edges |= Qt::TopEdge;
    if (bottom || (pt.y >= h - corner && (left || right)))
        edges |= Qt::BottomEdge;
    return edges;
}

void TCaptionControl::standardButtonClicked(CaptionGlyph glyph) {
    switch (glyph) {
    case CaptionGlyph::Close:
        owner_->close();
        break;
    case CaptionGlyph::Minimize:
        owner_->showMinimized();
        break;
    case CaptionGlyph::Maximize:
        owner_->showMaximized();
        break;
    case CaptionGlyph::Restore:
        owner_->showNormal();
        break;
    case CaptionGlyph::Help:
        QWhatsThis::enterWhatsThisMode();
        break;
    }
}

void TCaptionControl::showSystemMenu(QPoint globalPos) {
    if (!owner_)
        return;
    QPointer<QWidget> owner = owner_;
    QMenu menu(owner_);
    menu.setObjectName("SystemMenu");
    const bool sizeable = borderStyle_ == bsSizeable || borderStyle_ == bsSizeToolWin;
    const bool maximized = owner_->isMaximized();
    const bool dialog = borderStyle_ == bsDialog || isToolWindow(borderStyle_);
    if (!dialog) {
        QAction* restore = menu.addAction("&Restore", [owner] { owner->showNormal(); });
        restore->setEnabled(maximized || owner_->isMinimized());
    }
    QAction* move = menu.addAction("&Move", [owner] {
        if (owner->windowHandle())
            owner->windowHandle()->startSystemMove();
    });
    move->setEnabled(!maximized);
    if (!dialog) {
        QAction* size = menu.addAction("&Size", [owner] {
            if (owner->windowHandle())
                owner->windowHandle()->startSystemResize(Qt::BottomEdge | Qt::RightEdge);
        });
        size->setEnabled(sizeable && !maximized);
        QAction* min = menu.addAction("Mi&nimize", [owner] { owner->showMinimized(); });
        min->setEnabled(borderIcons_ & biMinimize);
        QAction* max = menu.addAction("Ma&ximize", [owner] { owner->showMaximized(); });
        max->setEnabled((borderIcons_ & biMaximize) && !maximized);
    }
    menu.addSeparator();
    QAction* close = menu.addAction("&Close\tAlt+F4", [owner] { owner->close(); });
    QFont bold = close->font();
    bold.setBold(true);
    close->setFont(bold);
    menu.exec(globalPos);
}

void frameProgramWindows() {
    platform::ui::setWindowFramer([](QWidget& window) -> std::shared_ptr<void> {
        return std::make_shared<TCaptionControl>(&window);
    });
}

} // namespace velkan::caption::ui
