#include "app/ui/PreviewWindow.h"

#include "app/PreviewSources.h"
#include "platform/ui/ControlBinding.h"
#include "preview/StartMenuLook.h"
#include "preview/ui/StartMenuPicture.h"

#include <QTime>
#include <QVBoxLayout>

namespace velkan::app::ui {

using shellpatch::Entry;

PreviewWindow::PreviewWindow(TMainForm& form, Source source, QWidget* parent)
    : QWidget(parent, Qt::Tool), form_(form), source_(source), image_(new QLabel(this)) {
    setObjectName(source == Source::Edits ? "PreviewFm" : "PackPreviewFm");
    setWindowTitle(source == Source::Edits ? "Start menu after restart"
                                           : "Start menu with this theme pack");
    image_->setObjectName("PreviewImg");
    image_->setAlignment(Qt::AlignCenter);
    image_->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(image_);

    // Many controls change in one user action (a pack load touches them
    // all); one redraw after the action is enough.
    pending_.setSingleShot(true);
    pending_.setInterval(0);
    connect(&pending_, &QTimer::timeout, this, &PreviewWindow::refresh);

    for (platform::Control* c : std::initializer_list<platform::Control*>{
             &form.main.StartEdit, &form.main.TooltipEdit, &form.main.MyImage, &form.main.LogoImage,
             &form.main.ScrollBar, &form.main.VersionRG, &form.main.ContrCB, &form.main.FindCB,
             &form.main.RunCB, &form.main.LogCB, &form.main.SuspCB, &form.main.ShutCB,
             &form.packs.DirListBox})
        follow(*c);
    for (const auto& entry : shellpatch::kStartMenuEntries) {
        follow(form.captionEdit(entry.entry));
        follow(form.entryImage(entry.entry));
    }
    refresh();
}

void PreviewWindow::follow(platform::Control& control) {
    platform::ui::addUpdateHook(control, [self = QPointer<PreviewWindow>(this)] {
        if (self)
            self->scheduleRefresh();
    });
}

void PreviewWindow::scheduleRefresh() {
    if (isVisible())
        pending_.start();
}

void PreviewWindow::showEvent(QShowEvent* event) {
    refresh();
    QWidget::showEvent(event);
}

void PreviewWindow::refresh() {
    const auto sources = source_ == Source::Edits
                             ? previewSources(form_)
                             : packPreviewSources(form_, form_.packs.DirListBox.directory());
    auto look = preview::buildLook(form_.env.machine, sources);
    if (!look) {
        picture_ = QImage();
        image_->setPixmap({});
        image_->setText(QString::fromStdString("Nothing to show: " + look.error().message + "."));
        setFixedSize(320, 80);
        return;
    }
    preview::ui::PictureOptions options;
    options.clock = QTime::currentTime().toString("h:mm AP");
    picture_ = preview::ui::drawStartMenu(*look, options);
    image_->setText({});
    image_->setPixmap(QPixmap::fromImage(picture_));
    setFixedSize(picture_.size());
}

} // namespace velkan::app::ui
