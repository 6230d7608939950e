// crash-driver: performs one of the product's flows on the machine named by
// VELKAN_MACHINE, headless, playing the user with fixed answers: every message
// box takes its affirmative button, the restart prompt is declined. Each box
// is printed as "BOX <caption>|<text>" (carriage returns as "\r") so that a
// caller sees what the user was told. The exit code is 0 once the flow ran to
// its end, 2 for a usage error, 3 when the product asked something no flow
// expects.
//
//   crash-driver ok        edit texts, load a Start-button icon and a logo,
//                          change an entry icon and a visibility box, OK
//   crash-driver again     a second OK with other texts and another Start-button
//                          icon, as made before the machine restarted
//   crash-driver restore   Restore with every box the dialog offers
//   crash-driver autoload  the start with "/t": the next pack of the rotation
//   crash-driver save      load the sample pack and save it as a new pack
//   crash-driver settings  change the colour depth and close with Cancel
//   crash-driver remove    the uninstaller, answering Yes
#include "app/Application.h"
#include "app/CreateThemeForm.h"
#include "app/Environment.h"
#include "app/mainform/MainForm.h"
#include "app/RebootForm.h"
#include "app/RestoreForm.h"
#include "app/WarnForm.h"
#include "platform/Clock.h"
#include "platform/Machine.h"
#include "platform/UserQuestions.h"
#include "remove/Uninstaller.h"

#include <cstdio>
#include <deque>
#include <iostream>
#include <string>
#include <vector>

namespace {

using namespace velkan;

const std::string kProgram = "C:\\Program Files\\Velkan\\";
const std::string kSample = kProgram + "Sample Theme Pack";

class DriverQuestions final : public platform::UserQuestions {
public:
    std::deque<std::string> files; // answers to the open and save dialogs, in order

    int messageBox(const platform::MessageBoxRequest& request) override {
        std::string text;
        for (char c : request.text)
            text += c == '\r' ? std::string("\\r") : std::string(1, c);
        std::printf("BOX %s|%s\n", request.caption.c_str(), text.c_str());
        std::fflush(stdout);
        using platform::MessageButtons;
        switch (request.buttons) {
        case MessageButtons::YesNo:
        case MessageButtons::YesNoCancel:
            return platform::IDYES;
        case MessageButtons::RetryCancel:
            return platform::IDCANCEL; // retrying a full disk only loops
        case MessageButtons::AbortRetryIgnore:
            return platform::IDABORT;
        default:
            return platform::IDOK;
        }
    }
    std::optional<std::string> openFile(const platform::FileDialogRequest&) override {
        return take();
    }
    std::optional<std::string> saveFile(const platform::FileDialogRequest&) override {
        return take();
    }
    int showModal(platform::ModalWindow& window) override {
        const std::string name = window.windowName();
        if (name == "TRebootForm") {
            auto& prompt = dynamic_cast<app::TRebootForm&>(window);
            prompt.DontrebootBn.click();
            return prompt.modalResult();
        }
        if (name == "TRestoreFm") {
            auto& dialog = dynamic_cast<app::TRestoreFm&>(window);
            dialog.OKBnClick();
            return dialog.modalResult();
        }
        if (name == "TCreateTh") {
            auto& dialog = dynamic_cast<app::TCreateTh&>(window);
            dialog.NameEd.userSetText("Crash Pack");
            dialog.AuthEd.userSetText("Crash");
            dialog.DescrEd.userSetText("Saved while the disk fails");
            dialog.OkBnClick();
            // A dialog that stays open after a failed write is left with Cancel.
            if (dialog.modalResult() == 0)
                dialog.CancBnClick();
            return dialog.modalResult();
        }
        if (name == "TWarnForm") {
            auto& warn = dynamic_cast<app::TWarnForm&>(window);
            warn.CloseBn.click();
            return warn.modalResult();
        }
        std::printf("UNEXPECTED window %s\n", name.c_str());
        std::fflush(stdout);
        std::exit(3);
    }
    void post(std::function<void()> work) override { posted_.post(std::move(work)); }
    void processPosted() override { posted_.runPending(); }

private:
    std::optional<std::string> take() {
        if (files.empty()) {
            std::printf("UNEXPECTED file dialog\n");
            std::fflush(stdout);
            std::exit(3);
        }
        std::string path = files.front();
        files.pop_front();
        return path;
    }
    platform::PostedWork posted_;
};

struct Run {
    platform::Machine machine = platform::Machine::fromEnvironment();
    DriverQuestions questions;
    platform::ManualClock clock;
    app::Environment env;
    app::Application application;

    explicit Run(std::vector<std::string> args = {})
        : env(machine, questions, clock, std::move(args)), application(env) {}

    app::TMainForm& form() { return *application.MainForm; }
    void start() { application.createForms(); }
    void endIfOpen() {
        if (!application.terminated())
            form().close();
    }
};

void browse(app::TMainForm& f, const std::string& folder) {
    if (f.packs.DirListBox.setDirectory(folder))
        f.DirListBoxClick();
}

int flowOk() {
    Run run;
    run.start();
    auto& f = run.form();
    f.main.StartEdit.userSetText("Crash");
    f.main.TooltipEdit.userSetText("Pulled the plug");
    f.main.ProgEdit.userSetText("&Apps");
    f.main.ShutEdit.userSetText("Off");
    run.questions.files.push_back(kSample + "\\Icon16.ico");
    f.main.StartSE.click();
    run.questions.files.push_back(kSample + "\\Logo.bmp");
    f.main.LogoBn.click();
    f.main.ScrollBar.setPosition(20);
    f.setSlotIcon(f.main.RunImgSB, kSample + "\\3.ico");
    f.main.FindCB.userClick();
    f.OKBn.click();
    run.endIfOpen();
    return 0;
}

int flowAgain() {
    Run run;
    run.start();
    auto& f = run.form();
    f.main.StartEdit.userSetText("Again");
    f.main.ProgEdit.userSetText("&Twice");
    run.questions.files.push_back(kProgram + "Sun Theme Pack\\Icon16.ico");
    f.main.StartSE.click();
    f.OKBn.click();
    run.endIfOpen();
    return 0;
}

int flowRestore() {
    Run run;
    run.start();
    run.form().RestoreBn.click();
    run.endIfOpen();
    return 0;
}

int flowAutoload() {
    Run run({"/t"});
    run.start();
    run.endIfOpen();
    return 0;
}

int flowSave() {
    Run run;
    run.start();
    auto& f = run.form();
    browse(f, kSample);
    f.packs.ThemeBn.click();
    f.main.SaveThBn.click();
    f.CancelBn.click();
    run.endIfOpen();
    return 0;
}

int flowSettings() {
    Run run;
    run.start();
    auto& f = run.form();
    f.other.ColorsCB.userClick();
    f.CancelBn.click();
    run.endIfOpen();
    return 0;
}

int flowRemove() {
    DriverQuestions questions;
    remove::Uninstaller(platform::Machine::fromEnvironment(), questions).run();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string flow = argc == 2 ? argv[1] : "";
    if (flow == "ok")
        return flowOk();
    if (flow == "again")
        return flowAgain();
    if (flow == "restore")
        return flowRestore();
    if (flow == "autoload")
        return flowAutoload();
    if (flow == "save")
        return flowSave();
    if (flow == "settings")
        return flowSettings();
    if (flow == "remove")
        return flowRemove();
    std::fprintf(stderr, "usage: crash-driver ok|again|restore|autoload|save|settings|remove\n");
    return 2;
}
