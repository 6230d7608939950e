#include "platform/ui/ControlBinding.h"

#include <algorithm>
#include <memory>
#include <vector>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPointer>
#include <QProgressBar>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/SysColors.h"

namespace velkan::platform::ui {

namespace {

QColor sysColor(int index) {
    COLORREF c = GetSysColor(index);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

// Key presses pass the edit's KeyPress handler; double clicks reach its own.
class EditFilter : public QObject {
public:
    EditFilter(QLineEdit* edit, Edit& model, std::function<void()> onDoubleClick)
        : QObject(edit), model_(model), onDoubleClick_(std::move(onDoubleClick)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && model_.onKeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            const QString text = key->text();
            if (key->key() == Qt::Key_Backspace)
                return !model_.onKeyPress('\b');
            if (text.size() == 1 && text[0].isPrint())
                return !model_.onKeyPress(static_cast<char>(text[0].toLatin1()));
        }
        if (event->type() == QEvent::MouseButtonDblClick && onDoubleClick_) {
            onDoubleClick_();
            return true;
        }
        return false;
    }

private:
    Edit& model_;
    std::function<void()> onDoubleClick_;
};

} // namespace

TextConversion TextConversion::latin1() {
    return {[](const std::string& s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); },
            [](const QString& s) { return s.toLatin1().toStdString(); }};
}

namespace {

// A control's hooks in the order they were added: the one it had (its
// model's own) and those added since, a view's hook kept only while its view
// lives. A dialog shown again and again leaves no hooks of its earlier
// showings behind.
struct UpdateHooks {
    struct Hook {
        bool owned = false;
        QPointer<QObject> owner;
        std::function<void()> run;
        bool gone() const { return owned && owner.isNull(); }
    };
    std::vector<Hook> hooks;

    void prune() {
        std::erase_if(hooks, [](const Hook& hook) { return hook.gone(); });
    }
    void run() {
        prune();
        // A hook may add more; those run from the next update on.
        const auto now = hooks;
        for (const Hook& hook : now)
            if (!hook.gone())
                hook.run();
    }
};

struct RunHooks {
    std::shared_ptr<UpdateHooks> hooks;
    void operator()() const { hooks->run(); }
};

UpdateHooks& hooksOf(Control& control) {
    if (auto* installed = control.onUpdate.target<RunHooks>())
        return *installed->hooks;
    auto hooks = std::make_shared<UpdateHooks>();
    if (control.onUpdate)
        hooks->hooks.push_back({false, {}, std::move(control.onUpdate)});
    control.onUpdate = RunHooks{hooks};
    return *hooks;
}

} // namespace

void addUpdateHook(Control& control, std::function<void()> hook) {
    UpdateHooks& hooks = hooksOf(control);
    hooks.prune();
    hooks.hooks.push_back({false, {}, std::move(hook)});
}

void addUpdateHook(Control& control, QObject* owner, std::function<void()> hook) {
    UpdateHooks& hooks = hooksOf(control);
    hooks.prune();
    hooks.hooks.push_back({true, QPointer<QObject>(owner), std::move(hook)});
}

std::size_t updateHookCount(Control& control) {
    UpdateHooks& hooks = hooksOf(control);
    hooks.prune();
    return hooks.hooks.size();
}

void bindCommon(QWidget* widget, Control& control) {
    auto show = [widget, &control] {
        widget->setEnabled(control.enabled());
        if (!widget->isWindow())
            widget->setVisible(control.visible());
        widget->setToolTip(control.showHint() ? QString::fromLatin1(control.hint().c_str()) : QString());
    };
    show();
    addUpdateHook(control, widget, show);
}

void bindGeometry(QWidget* widget, Control& control) {
    auto place = [widget, &control] {
        if (control.width() > 0 && control.height() > 0)
            widget->setGeometry(control.left(), control.top(), control.width(), control.height());
        else
            widget->move(control.left(), control.top());
    };
    place();
    addUpdateHook(control, widget, place);
}

void bindEdit(QLineEdit* widget, Edit& edit, TextConversion conversion,
              std::function<void()> onDoubleClick) {
    bindCommon(widget, edit);
    auto show = [widget, &edit, conversion] {
        const QString text = conversion.toQt(edit.text());
        if (widget->text() != text) {
            QSignalBlocker block(widget);
            widget->setText(text);
        }
        // The limit is on typing: a longer text set by the program shows whole,
        // as the model holds it.
        const int limit = edit.maxLength() > 0 ? edit.maxLength() : 32767;
        widget->setMaxLength(std::max(limit, static_cast<int>(text.size())));
        widget->setReadOnly(edit.readOnly());
        if (edit.selLength() > 0)
            widget->setSelection(edit.selStart(), edit.selLength());
        QPalette p = widget->palette();
        const QColor base = edit.color() == ControlColor::ButtonFace ? sysColor(COLOR_BTNFACE)
                                                                     : sysColor(COLOR_WINDOW);
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            p.setColor(group, QPalette::Base, base);
        widget->setPalette(p);
    };
    show();
    addUpdateHook(edit, widget, show);
    QObject::connect(widget, &QLineEdit::textEdited, widget, [widget, &edit, conversion, show](const QString& text) {
        // Paste and drop bring characters the key filter never saw: each
        // character of the new text must pass it, or the edit is left as it was.
        if (edit.onKeyPress) {
            const QString before = conversion.toQt(edit.text());
            qsizetype head = 0, tail = 0;
            while (head < before.size() && head < text.size() && before[head] == text[head])
                ++head;
            while (tail < before.size() - head && tail < text.size() - head &&
                   before[before.size() - 1 - tail] == text[text.size() - 1 - tail])
                ++tail;
            for (QChar c : text.mid(head, text.size() - head - tail))
                if (c.isPrint() && !edit.onKeyPress(static_cast<char>(c.toLatin1()))) {
                    show();
                    return;
                }
        }
        // The typing limit holds for pasted text too.
        if (edit.maxLength() > 0 && text.size() > edit.maxLength() && text.size() > conversion.toQt(edit.text()).size()) {
            show();
            return;
        }
        edit.userSetText(conversion.fromQt(text));
    });
    widget->installEventFilter(new EditFilter(widget, edit, std::move(onDoubleClick)));
}

void bindCheckBox(QCheckBox* widget, CheckBox& box) {
    bindCommon(widget, box);
    widget->setTristate(false);
    auto show = [widget, &box] {
        QSignalBlocker block(widget);
        widget->setText(QString::fromLatin1(box.caption().c_str()));
        switch (box.state()) {
        case CheckState::Unchecked: widget->setCheckState(Qt::Unchecked); break;
        case CheckState::Checked: widget->setCheckState(Qt::Checked); break;
        case CheckState::Grayed: widget->setCheckState(Qt::PartiallyChecked); break;
        }
    };
    show();
    addUpdateHook(box, widget, show);
    // The model decides the next state; the widget only shows it.
    QObject::connect(widget, &QCheckBox::clicked, widget, [widget, &box, show] {
        box.userClick();
        show();
        (void)widget;
    });
}

void bindButton(QAbstractButton* widget, Button& button) {
    bindCommon(widget, button);
    auto show = [widget, &button] {
        if (!button.caption().empty())
            widget->setText(QString::fromLatin1(button.caption().c_str()));
        if (widget->isCheckable()) {
            QSignalBlocker block(widget);
            widget->setChecked(button.down());
        }
    };
    show();
    addUpdateHook(button, widget, show);
    QObject::connect(widget, &QAbstractButton::clicked, widget, [widget, &button, show] {
        button.click();
        if (widget->isCheckable())
            show();
    });
}

void bindLabel(QLabel* widget, Label& label) {
    bindCommon(widget, label);
    auto show = [widget, &label] {
        widget->setText(QString::fromLatin1(label.caption().c_str()));
        QPalette p = widget->palette();
        p.setColor(QPalette::WindowText, label.fontColor() < 0
                                             ? sysColor(COLOR_WINDOWTEXT)
                                             : QColor::fromRgb(static_cast<QRgb>(label.fontColor())));
        widget->setPalette(p);
    };
    show();
    addUpdateHook(label, widget, show);
}

void bindGroupBox(QGroupBox* widget, GroupBox& box) {
    bindCommon(widget, box);
    auto show = [widget, &box] { widget->setTitle(QString::fromLatin1(box.caption().c_str())); };
    show();
    addUpdateHook(box, widget, show);
}

void bindScrollBar(QScrollBar* widget, ScrollBar& bar) {
    bindCommon(widget, bar);
    auto show = [widget, &bar] {
        QSignalBlocker block(widget);
        widget->setRange(bar.min(), bar.max());
        widget->setValue(bar.position());
    };
    show();
    addUpdateHook(bar, widget, show);
    QObject::connect(widget, &QScrollBar::valueChanged, widget,
                     [&bar](int value) { bar.setPosition(value); });
}

void bindProgressBar(QProgressBar* widget, ProgressBar& bar) {
    bindCommon(widget, bar);
    auto show = [widget, &bar] {
        widget->setRange(bar.min(), bar.max());
        widget->setValue(bar.position());
        widget->repaint();
    };
    show();
    addUpdateHook(bar, widget, show);
}

void bindRadioGroup(QGroupBox* widget, RadioGroup& group) {
    bindCommon(widget, group);
    widget->setTitle(QString::fromLatin1(group.caption().c_str()));
    auto* buttons = new QButtonGroup(widget);
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(6, 4, 4, 4);
    layout->setSpacing(0);
    for (std::size_t i = 0; i < group.items().size(); ++i) {
        auto* radio = new QRadioButton(QString::fromLatin1(group.items()[i].c_str()), widget);
        radio->setObjectName(QString("VersionItem%1").arg(i));
        layout->addWidget(radio);
        buttons->addButton(radio, static_cast<int>(i));
    }
    layout->addStretch();
    auto show = [buttons, &group] {
        QSignalBlocker block(buttons);
        if (group.itemIndex() < 0) {
            buttons->setExclusive(false);
            for (auto* b : buttons->buttons())
                b->setChecked(false);
            buttons->setExclusive(true);
        } else if (auto* b = buttons->button(group.itemIndex())) {
            b->setChecked(true);
        }
    };
    show();
    addUpdateHook(group, widget, show);
    QObject::connect(buttons, &QButtonGroup::idClicked, widget,
                     [&group](int id) { group.setItemIndex(id); });
}

void bindPageControl(QTabWidget* widget, PageControl& pages) {
    bindCommon(widget, pages);
    auto show = [widget, &pages] {
        QSignalBlocker block(widget);
        widget->setCurrentIndex(pages.activePage());
        if (pages.width() > 0)
            widget->resize(pages.width(), widget->height());
    };
    show();
    addUpdateHook(pages, widget, show);
    QObject::connect(widget, &QTabWidget::currentChanged, widget,
                     [&pages](int index) { pages.userSelectPage(index); });
}

void bindImage(QLabel* widget, Image& image, std::function<QPixmap(const Picture&)> render) {
    bindCommon(widget, image);
    auto show = [widget, &image, render] {
        QPixmap pixmap = render(image.picture());
        if (pixmap.isNull())
            widget->clear();
        else
            widget->setPixmap(pixmap);
    };
    show();
    addUpdateHook(image, widget, show);
}

} // namespace velkan::platform::ui
