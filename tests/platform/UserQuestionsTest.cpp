#include "platform/UserQuestions.h"

#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <thread>

using namespace velkan::platform;

namespace {

struct RestoreWindow : ModalWindow {
    bool userBoxChecked = true;
    std::string windowName() const override { return "TRestoreFm"; }
    std::string caption() const override { return "Restoring original settings..."; }
};

int ask(const std::string& input, MessageButtons buttons, std::string* shown = nullptr) {
    std::istringstream in(input);
    std::ostringstream out;
    ConsoleQuestions console(in, out);
    int answer = console.messageBox("text", "Caption...", MessageIcon::Question, buttons);
    if (shown)
        *shown = out.str();
    return answer;
}

} // namespace

TEST(MessageText, CarriageReturnsBreakLinesAndLeadingBlanksStay) {
    EXPECT_EQ(messageLines("  Icon must be 10x10\ror 16x16"),
              (std::vector<std::string>{"  Icon must be 10x10", "or 16x16"}));
    EXPECT_EQ(messageLines("a\r\nb\n\rc"), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(messageLines(""), (std::vector<std::string>{""}));
}

TEST(FileFilter, SplitsWindowsFilterStrings) {
    EXPECT_EQ(
        parseFileFilter("Bitmap files (*.bmp)|*.bmp|RLE files (*.rle)|*.rle|All files (*.*)|*.*"),
        (std::vector<FileFilter>{{"Bitmap files (*.bmp)", "*.bmp"},
                                 {"RLE files (*.rle)", "*.rle"},
                                 {"All files (*.*)", "*.*"}}));
    EXPECT_EQ(parseFileFilter("Pictures|*.bmp;*.ico|Dangling"),
              (std::vector<FileFilter>{{"Pictures", "*.bmp;*.ico"}}));
    EXPECT_TRUE(parseFileFilter("").empty());
}

TEST(ConsoleQuestions, PrintsTheBoxAndTakesNamesOrInitialsInAnyCase) {
    std::string shown;
    std::istringstream in("y\n");
    std::ostringstream out;
    ConsoleQuestions console(in, out);
    EXPECT_EQ(console.messageBox(" You can't hide this item\rThis option will hide only some.",
                                 "Warning...", MessageIcon::Error, MessageButtons::YesNo),
              IDYES);
    EXPECT_EQ(out.str(), "---- Warning... ----\n(error)\n You can't hide this item\n"
                         "This option will hide only some.\n[Yes] [No]\n> ");

    EXPECT_EQ(ask("No\n", MessageButtons::YesNoCancel), IDNO);
    EXPECT_EQ(ask("  CANCEL \n", MessageButtons::YesNoCancel), IDCANCEL);
    EXPECT_EQ(ask("i\n", MessageButtons::AbortRetryIgnore), IDIGNORE);
    EXPECT_EQ(ask("r\n", MessageButtons::RetryCancel), IDRETRY);
    EXPECT_EQ(ask("\n", MessageButtons::OKCancel), IDOK); // Enter: the first button
}

TEST(ConsoleQuestions, BadAnswerAsksAgain) {
    std::string shown;
    EXPECT_EQ(ask("maybe\nyes please\nc\n", MessageButtons::OKCancel, &shown), IDCANCEL);
    EXPECT_NE(shown.find("Please answer OK, Cancel."), std::string::npos);
    std::size_t first = shown.find("---- Caption... ----");
    std::size_t second = shown.find("---- Caption... ----", first + 1);
    std::size_t third = shown.find("---- Caption... ----", second + 1);
    EXPECT_NE(third, std::string::npos); // asked three times
}

TEST(ConsoleQuestions, EndOfInputTakesTheSafeAnswer) {
    EXPECT_EQ(ask("", MessageButtons::OK), IDOK);
    EXPECT_EQ(ask("", MessageButtons::OKCancel), IDCANCEL);
    EXPECT_EQ(ask("", MessageButtons::YesNo), IDNO);
    EXPECT_EQ(ask("", MessageButtons::YesNoCancel), IDCANCEL);
    EXPECT_EQ(ask("", MessageButtons::RetryCancel), IDCANCEL);
    EXPECT_EQ(ask("", MessageButtons::AbortRetryIgnore), IDABORT);
    EXPECT_EQ(ask("nonsense", MessageButtons::YesNo), IDNO); // bad answer, then the end
}

TEST(ConsoleQuestions, FileDialogPathsFollowTheDialogsRules) {
    FileDialogRequest request;
    request.title = "Choose an icon file with 16 colors";
    request.filter = "Icon files (*.ico)|*.ico|All files (*.*)|*.*";
    request.defaultExtension = "ico";
    request.initialFolder = "C:\\Velkan\\Themes";

    auto choose = [&](const std::string& input, bool save = false) {
        std::istringstream in(input);
        std::ostringstream out;
        ConsoleQuestions console(in, out);
        return save ? console.saveFile(request) : console.openFile(request);
    };
    EXPECT_EQ(choose("Start\n"), "C:\\Velkan\\Themes\\Start.ico");
    EXPECT_EQ(choose("sub/logo.bmp\n"), "C:\\Velkan\\Themes\\sub\\logo.bmp");
    EXPECT_EQ(choose("\\WINDOWS\\x.ico\n"), "C:\\WINDOWS\\x.ico");
    EXPECT_EQ(choose("d:/Icons/a.ico\n"), "d:\\Icons\\a.ico");
    EXPECT_EQ(choose(""), std::nullopt);
    EXPECT_EQ(choose("\n"), std::nullopt);
    request.fileName = "Icon 5";
    EXPECT_EQ(choose("\n", true), "C:\\Velkan\\Themes\\Icon 5.ico");
}

TEST(ConsoleQuestions, FileMustExistAndOverwriteAskAgain) {
    std::set<std::string> existing{"C:\\A\\there.ico"};
    auto exists = [&](const std::string& path) { return existing.count(path) > 0; };
    FileDialogRequest request;
    request.title = "Save";
    request.initialFolder = "C:\\A";
    request.fileMustExist = true;
    request.overwritePrompt = true;
    {
        std::istringstream in("missing.ico\nthere.ico\n");
        std::ostringstream out;
        ConsoleQuestions console(in, out, exists);
        EXPECT_EQ(console.openFile(request), "C:\\A\\there.ico");
        EXPECT_NE(out.str().find("C:\\A\\missing.ico\nFile not found."), std::string::npos);
    }
    {
        std::istringstream in("there.ico\nn\nthere.ico\ny\n");
        std::ostringstream out;
        ConsoleQuestions console(in, out, exists);
        EXPECT_EQ(console.saveFile(request), "C:\\A\\there.ico");
        EXPECT_NE(out.str().find("C:\\A\\there.ico already exists.\nDo you want to replace it?"),
                  std::string::npos);
    }
    {
        std::istringstream in("new.ico\n");
        std::ostringstream out;
        ConsoleQuestions console(in, out, exists);
        EXPECT_EQ(console.saveFile(request), "C:\\A\\new.ico"); // nothing to overwrite
    }
}

TEST(ConsoleQuestions, ModalWindowShowsItsCaption) {
    std::istringstream in("ok\n");
    std::ostringstream out;
    ConsoleQuestions console(in, out);
    RestoreWindow window;
    EXPECT_EQ(console.showModal(window), IDOK);
    EXPECT_NE(out.str().find("---- Restoring original settings... ----"), std::string::npos);
}

TEST(ScriptedQuestions, AnswersInOrderAndRecordsEveryField) {
    ScriptedQuestions questions;
    questions.press(IDNO)
        .chooseFile("C:\\Icons\\a.ico")
        .cancelFileDialog()
        .onModal("TRestoreFm", [](ModalWindow& window) {
            static_cast<RestoreWindow&>(window).userBoxChecked = false;
            return IDOK;
        });

    EXPECT_EQ(questions.messageBox("Remove?", "Uninstalling...", MessageIcon::None,
                                   MessageButtons::YesNo),
              IDNO);
    FileDialogRequest open;
    open.title = "Open";
    open.filter = "ICO|*.ico";
    open.filterIndex = 1;
    open.initialFolder = "C:\\Icons";
    open.fileMustExist = true;
    EXPECT_EQ(questions.openFile(open), "C:\\Icons\\a.ico");
    FileDialogRequest save;
    save.title = "Save";
    save.defaultExtension = "ico";
    save.fileName = "Icon 5";
    save.overwritePrompt = true;
    EXPECT_EQ(questions.saveFile(save), std::nullopt);
    RestoreWindow window;
    EXPECT_EQ(questions.showModal(window), IDOK);
    EXPECT_FALSE(window.userBoxChecked);
    EXPECT_EQ(questions.unusedAnswers(), 0u);

    const auto& asked = questions.asked();
    ASSERT_EQ(asked.size(), 4u);
    EXPECT_EQ(asked[0].kind, ScriptedQuestions::Kind::MessageBox);
    EXPECT_EQ(asked[0].box.text, "Remove?");
    EXPECT_EQ(asked[0].box.caption, "Uninstalling...");
    EXPECT_EQ(asked[0].box.icon, MessageIcon::None);
    EXPECT_EQ(asked[0].box.buttons, MessageButtons::YesNo);
    EXPECT_EQ(asked[1].kind, ScriptedQuestions::Kind::OpenFile);
    EXPECT_EQ(asked[1].file.filter, "ICO|*.ico");
    EXPECT_EQ(asked[1].file.initialFolder, "C:\\Icons");
    EXPECT_TRUE(asked[1].file.fileMustExist);
    EXPECT_EQ(asked[2].kind, ScriptedQuestions::Kind::SaveFile);
    EXPECT_EQ(asked[2].file.fileName, "Icon 5");
    EXPECT_EQ(asked[2].file.defaultExtension, "ico");
    EXPECT_TRUE(asked[2].file.overwritePrompt);
    EXPECT_EQ(asked[3].kind, ScriptedQuestions::Kind::Modal);
    EXPECT_EQ(asked[3].windowName, "TRestoreFm");
}

TEST(ScriptedQuestions, QuestionsTheScriptDidNotExpectFailLoudly) {
    ScriptedQuestions questions;
    EXPECT_THROW(questions.messageBox("Drive not ready.", "Error...", MessageIcon::Error),
                 UnexpectedQuestion);
    EXPECT_EQ(questions.asked().size(), 1u); // recorded all the same

    questions.chooseFile("C:\\x.ico");
    EXPECT_THROW(questions.messageBox("text", "caption"), UnexpectedQuestion); // wrong kind

    questions.press(IDYES);
    EXPECT_THROW(questions.messageBox("text", "caption", MessageIcon::None, MessageButtons::OK),
                 UnexpectedQuestion); // a button the box does not have

    questions.onModal("TWarnForm", [](ModalWindow&) { return IDOK; });
    RestoreWindow window;
    EXPECT_THROW(questions.showModal(window), UnexpectedQuestion); // another window
    try {
        questions.openFile({});
        FAIL() << "no answer was scripted";
    } catch (const UnexpectedQuestion& e) {
        EXPECT_NE(std::string(e.what()).find("open dialog"), std::string::npos);
    }
}

TEST(PostedWork, RunsOnTheCallingThreadInOrderAndLaterPostsWait) {
    ScriptedQuestions questions;
    std::vector<int> ran;
    std::thread::id runner;
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i)
            questions.post([&, i] {
                ran.push_back(i);
                runner = std::this_thread::get_id();
            });
    });
    worker.join();
    EXPECT_TRUE(ran.empty()); // nothing runs until the window thread pumps
    questions.post([&] { questions.post([&] { ran.push_back(-1); }); });
    questions.processPosted();
    ASSERT_EQ(ran.size(), 100u);
    EXPECT_EQ(ran.front(), 0);
    EXPECT_EQ(ran.back(), 99);
    EXPECT_EQ(runner, std::this_thread::get_id());
    questions.processPosted();
    EXPECT_EQ(ran.back(), -1); // posted while running: ran at the next pump
}
