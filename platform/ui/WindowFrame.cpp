#include "platform/ui/WindowFrame.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

namespace velkan::platform::ui {

namespace {

WindowFramer& framer() {
    static WindowFramer instance;
    return instance;
}

QStyle::StandardPixmap standardIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Error: return QStyle::SP_MessageBoxCritical;
    case MessageIcon::Warning: return QStyle::SP_MessageBoxWarning;
    case MessageIcon::Information: return QStyle::SP_MessageBoxInformation;
    case MessageIcon::Question: return QStyle::SP_MessageBoxQuestion;
    case MessageIcon::None: break;
    }
    return QStyle::SP_CustomBase;
}

QString buttonCaption(int id) {
    switch (id) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDABORT: return "&Abort";
    case IDRETRY: return "&Retry";
    case IDIGNORE: return "&Ignore";
    case IDYES: return "&Yes";
    case IDNO: return "&No";
    }
    return {};
}


constexpr const char* kAnswerProperty = "velkanAnswer";

} // namespace

QString messageBoxLines(const std::string& text) {
    QStringList lines;
    for (const auto& line : messageLines(text))
        lines << QString::fromLatin1(line.c_str());
    return lines.join('\n');
}

void setWindowFramer(WindowFramer f) { framer() = std::move(f); }

std::shared_ptr<void> frameWindow(QWidget& window) {
    if (!framer() || !window.isWindow())
        return {};
    // The frame moves the window's widgets into its client area, and a moved
    // widget loses the focus the dialog gave it.
    QWidget* focus = window.focusWidget();
    auto frame = framer()(window);
    if (focus)
        focus->setFocus();
    return frame;
}

void centreOverOwner(QWidget& window, bool onScreen) {
    QWidget* owner = window.parentWidget() ? window.parentWidget()->window() : nullptr;
    QRect over = owner && !onScreen && owner->isVisible() ? owner->frameGeometry() : QRect();
    if (over.isEmpty())
        if (QScreen* screen = QGuiApplication::primaryScreen())
            over = screen->availableGeometry();
    window.move(over.center() - window.rect().center());
}

MessageBoxDialog::MessageBoxDialog(QWidget* parent, const MessageBoxRequest& request)
    : dialog_(std::make_unique<QDialog>(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint |
                                                    Qt::WindowTitleHint | Qt::WindowCloseButtonHint)),
      request_(request) {
    QDialog& d = *dialog_;
    d.setObjectName("MessageBox");
    d.setWindowTitle(QString::fromLatin1(request.caption.c_str()));
    // Windows' own spacing in pixels at the small font: 11 around, the icon's
    // 32 square, buttons of 75 by 23 six apart and centred.
    auto* column = new QVBoxLayout(&d);
    column->setContentsMargins(11, 11, 11, 12);
    column->setSpacing(14);
    auto* top = new QHBoxLayout;
    top->setSpacing(16);
    if (request.icon != MessageIcon::None) {
        auto* icon = new QLabel(&d);
        icon->setObjectName("MessageIcon");
        icon->setPixmap(d.style()->standardIcon(standardIcon(request.icon), nullptr, &d).pixmap(32, 32));
        icon->setFixedSize(32, 32);
        top->addWidget(icon, 0, Qt::AlignTop);
    }
    auto* text = new QLabel(&d);
    text->setObjectName("MessageText");
    text->setTextFormat(Qt::PlainText);
    text->setText(messageBoxLines(request.text));
    text->setMinimumHeight(32);
    top->addWidget(text, 1, Qt::AlignLeft | Qt::AlignVCenter);
    column->addLayout(top);

    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    row->addStretch(1);
    const auto ids = buttonIds(request.buttons);
    for (int id : ids) {
        auto* button = new QPushButton(buttonCaption(id), &d);
        button->setObjectName(QString::fromLatin1(std::string(buttonName(id)).c_str()));
        button->setFixedSize(75, 23);
        button->setProperty(kAnswerProperty, id);
        if (id == ids.front()) {
            button->setDefault(true);
            button->setFocus();
        }
        QObject::connect(button, &QPushButton::clicked, &d, [&d, id] { d.done(id); });
        // In a Windows message box the underlined letter alone presses its
        // button: nothing else there takes typing.
        const QString caption = button->text();
        if (const qsizetype amp = caption.indexOf('&'); amp >= 0 && amp + 1 < caption.size()) {
            auto* letter = new QShortcut(QKeySequence(caption[amp + 1].toUpper()), &d);
            QObject::connect(letter, &QShortcut::activated, button, &QPushButton::click);
        }
        row->addWidget(button);
    }
    row->addStretch(1);
    column->addLayout(row);
    column->activate();
    d.setFixedSize(d.sizeHint());
}

MessageBoxDialog::~MessageBoxDialog() = default;

int MessageBoxDialog::exec() {
    QDialog& d = *dialog_;
    {
        auto frame = frameWindow(d);
        centreOverOwner(d);
        const int result = d.exec();
        for (int id : buttonIds(request_.buttons))
            if (result == id)
                return id;
    }
    // Escape or the close box: the answer that changes nothing.
    return safeAnswer(request_.buttons);
}

QString messageBoxText(QWidget* window) {
    if (!window)
        return {};
    auto* label = window->findChild<QLabel*>("MessageText");
    return label ? label->text() : QString();
}

std::vector<QAbstractButton*> messageBoxButtons(QWidget* window) {
    std::vector<QAbstractButton*> out;
    if (!window)
        return out;
    for (auto* button : window->findChildren<QPushButton*>())
        if (button->property(kAnswerProperty).isValid())
            out.push_back(button);
    return out;
}

int showMessageBox(QWidget* parent, const MessageBoxRequest& request) {
    MessageBoxDialog box(parent, request);
    return box.exec();
}

} // namespace velkan::platform::ui
