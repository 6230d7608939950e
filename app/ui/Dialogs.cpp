#include "app/ui/Dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QScreen>

#include "app/CreateThemeForm.h"
#include "app/RebootForm.h"
#include "app/RestoreForm.h"
#include "app/WarnForm.h"
#include "app/ui/IconBrowserDialog.h"
#include "app/ui/Pages.h"
#include "caption/ui/CaptionControl.h"
#include "platform/ui/WindowFrame.h"
#include "platform/ui/ControlBinding.h"
#include "ui_CreateThemeDialog.h"
#include "ui_ProgressWindow.h"
#include "ui_RebootDialog.h"
#include "ui_RestoreDialog.h"
#include "ui_WarnDialog.h"

namespace velkan::app::ui {

using namespace platform::ui;

namespace {

// Shows a dialog view of a form model until a handler gives the model a
// modal result; the close box ends it with Cancel and no handler.
int runModal(QDialog& dialog, platform::Form& model, bool centreOnScreen = false) {
    dialog.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
    const QSize client = dialog.size();
    dialog.setFixedSize(client);
    // The Windows 95 frame and caption on any desktop, with or without a
    // window manager, as the main window has them.
    caption::ui::TCaptionControl frame(&dialog);
    dialog.setFixedSize(frame.windowSize(client));
    // Without the desktop's frame nobody places the dialog.
    platform::ui::centreOverOwner(dialog, centreOnScreen);
    model.setModalResult(0);
    QPointer<QDialog> view(&dialog);
    addUpdateHook(model, &dialog, [view, &model] {
        if (view && model.modalResult() != 0 && view->isVisible())
            view->done(model.modalResult());
    });
    int result = dialog.exec();
    if (model.modalResult() != 0)
        return model.modalResult();
    return result == QDialog::Accepted ? platform::IDOK : platform::IDCANCEL;
}

int showRestore(TRestoreFm& model, QWidget* parent) {
    QDialog dialog(parent);
    Ui::RestoreFm ui;
    ui.setupUi(&dialog);
    dialog.setWindowTitle(QString::fromLatin1(model.Form::caption().c_str()));
    bindLabel(ui.RestoreLb, model.RestoreLb);
    bindCheckBox(ui.CB1, model.CB1);
    bindCheckBox(ui.CB2, model.CB2);
    bindCheckBox(ui.CB3, model.CB3);
    bindCheckBox(ui.CB4, model.CB4);
    bindButton(ui.OKBn, model.OKBn);
    bindButton(ui.CancelBn, model.CancelBn);
    return runModal(dialog, model);
}

int showReboot(TRebootForm& model, QWidget* parent) {
    QDialog dialog(parent);
    Ui::RebootForm ui;
    ui.setupUi(&dialog);
    dialog.setWindowTitle(QString::fromLatin1(model.Form::caption().c_str()));
    bindLabel(ui.RebootLabel, model.RebootLabel);
    bindButton(ui.RebootBn, model.RebootBn);
    bindButton(ui.DontrebootBn, model.DontrebootBn);
    return runModal(dialog, model);
}

int showWarn(TWarnForm& model, QWidget* parent) {
    QDialog dialog(parent);
    Ui::WarnForm ui;
    ui.setupUi(&dialog);
    dialog.setWindowTitle(QString::fromLatin1(model.Form::caption().c_str()));
    bindLabel(ui.L1, model.L1);
    bindCheckBox(ui.DontFutCB, model.DontFutCB);
    bindButton(ui.CloseBn, model.CloseBn);
    // Closed by its close box it counts as OK: the rebuild goes on anyway.
    // It stands on its own, in the middle of the screen.
    return runModal(dialog, model, true);
}

int showCreateTheme(TCreateTh& model, QWidget* parent) {
    QDialog dialog(parent);
    Ui::CreateTh ui;
    ui.setupUi(&dialog);
    dialog.setWindowTitle(QString::fromLatin1(model.Form::caption().c_str()));
    bindGroupBox(ui.ThemeGB, model.ThemeGB);
    bindLabel(ui.NameLb, model.NameLb);
    bindLabel(ui.AuthLb, model.AuthLb);
    bindLabel(ui.DescrLb, model.DescrLb);
    const std::pair<QLineEdit*, platform::Edit*> edits[] = {
        {ui.NameEd, &model.NameEd}, {ui.AuthEd, &model.AuthEd}, {ui.DescrEd, &model.DescrEd}};
    // What is typed here is saved as the pack's texts: the machine's code page.
    const auto packText = shellTextConversion(model.mainForm());
    for (auto [view, edit] : edits) {
        bindEdit(view, *edit, packText);
        // Enter saves from any of the three edits.
        QObject::connect(view, &QLineEdit::returnPressed, view,
                         [&model] { (void)model.NameEdKeyPress(13); });
    }
    bindButton(ui.OkBn, model.OkBn);
    bindButton(ui.CancBn, model.CancBn);
    // Enter is the edits' own key: a default button would save a second time.
    for (QPushButton* button : {ui.OkBn, ui.CancBn}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    ui.NameEd->setFocus();
    return runModal(dialog, model);
}

} // namespace

void registerWindowViews(platform::ui::QtQuestions& questions, Environment& env) {
    questions.registerModalView(showRestore);
    questions.registerModalView(showReboot);
    questions.registerModalView(showWarn);
    questions.registerModalView(showIconBrowser);
    questions.registerModalView(showCreateTheme);
    env.showProgressWindow = [&questions](TAutoTheme& model) -> std::shared_ptr<void> {
        // Owned by the main window, so that the desktop keeps it above that
        // window while the work runs.
        auto* dialog = new QDialog(questions.parentWindow(), Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint |
                                                Qt::WindowTitleHint);
        auto ui = std::make_shared<Ui::AutoTheme>();
        ui->setupUi(dialog);
        dialog->setFixedSize(dialog->size());
        dialog->setWindowTitle(QString::fromLatin1(model.caption().c_str()));
        bindLabel(ui->L1, model.L1);
        bindProgressBar(ui->AutoThemePB, model.AutoThemePB);
        auto frame = std::make_shared<caption::ui::TCaptionControl>(dialog);
        platform::ui::centreOverOwner(*dialog, true);
        dialog->show();
        dialog->raise();
        dialog->repaint();
        QApplication::processEvents();
        return std::shared_ptr<void>(dialog, [ui, frame](void* d) mutable {
            frame.reset();
            delete static_cast<QDialog*>(d);
        });
    };
}

} // namespace velkan::app::ui
