#pragma once

#include <deque>
#include <functional>
#include <iosfwd>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace velkan::platform {

// The buttons a message box can return, with Windows' numbers. A modal
// window's result uses the same numbers (1 = OK, 2 = Cancel, ...).
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

enum class MessageIcon {
    None,
    Error,       // MB_ICONHAND / MB_ICONERROR
    Warning,     // MB_ICONEXCLAMATION
    Information, // MB_ICONASTERISK
    Question,    // MB_ICONQUESTION
};

enum class MessageButtons { OK, OKCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };

// The button ids a button set offers, in the order the box shows them.
std::vector<int> buttonIds(MessageButtons buttons);
// "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No".
std::string_view buttonName(int id);
// What closing the box without choosing (Escape, end of input) answers:
// Cancel where there is one, else No, else Abort, else OK.
int safeAnswer(MessageButtons buttons);

// A "\r" in a message text is a line break ("\r\n" counts as one).
std::vector<std::string> messageLines(std::string_view text);

struct MessageBoxRequest {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::OK;
};

// One entry of a Windows filter string: "Icon files (*.ico)" and "*.ico".
struct FileFilter {
    std::string description;
    std::string patterns; // ";"-separated, e.g. "*.bmp;*.rle"
    friend bool operator==(const FileFilter&, const FileFilter&) = default;
};

// Splits "Icons (*.ico)|*.ico|All files (*.*)|*.*" into its pairs. A
// description without patterns (a trailing odd entry) is dropped, as the
// common dialogs drop it.
std::vector<FileFilter> parseFileFilter(std::string_view filter);

struct FileDialogRequest {
    std::string title;
    std::string filter;           // Windows filter string, "|"-separated
    int filterIndex = 1;          // 1-based, as in OPENFILENAME
    std::string defaultExtension; // without the dot; added to a name that has none
    std::string initialFolder;    // Windows path
    std::string fileName;         // proposed name, may be empty
    bool fileMustExist = false;   // open: only an existing file is accepted
    bool overwritePrompt = false; // save: ask before choosing an existing file
    // Open: the host's own files may be picked too (see grantHostFile), for
    // loads that only copy the file's bytes and never keep its name.
    bool hostFilesServe = false;
};

// The model of a dialog window (its state and handlers) that logic wants shown
// modally. The Qt layer finds the view for it by windowName(); tests act on the
// model directly.
class ModalWindow {
public:
    virtual ~ModalWindow() = default;
    // The window's class name, e.g. "TRestoreFm".
    virtual std::string windowName() const = 0;
    // Its caption, for a user interface that can only show text.
    virtual std::string caption() const = 0;
};

// Work handed from any thread to the thread that owns the windows. Threads
// post; the owner runs what was posted, in order, with runPending().
class PostedWork {
public:
    void post(std::function<void()> work);
    // Runs, in order, what was posted before the call; work posted meanwhile
    // waits for the next call. Returns how many pieces ran.
    std::size_t runPending();
    bool empty() const;

private:
    mutable std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
};

// The one way logic talks to the user: message boxes, the open and save
// dialogs, modal windows, and posting work to the window thread.
class UserQuestions {
public:
    virtual ~UserQuestions() = default;

    // Returns the id of the button pressed (IDOK, IDYES, ...).
    virtual int messageBox(const MessageBoxRequest& request) = 0;
    int messageBox(std::string text, std::string caption, MessageIcon icon = MessageIcon::None,
                   MessageButtons buttons = MessageButtons::OK);

    // The Windows path chosen, or nothing when the user cancelled.
    virtual std::optional<std::string> openFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> saveFile(const FileDialogRequest& request) = 0;

    // Shows `window` modally and returns its modal result (IDOK, IDCANCEL, ...).
    virtual int showModal(ModalWindow& window) = 0;

    // Called from any thread; `work` runs later on the window thread.
    virtual void post(std::function<void()> work) = 0;

    // Runs the work posted so far on the calling (window) thread. A display
    // implementation's event loop does this by itself; the others do it when
    // the logic pumps (for example during a Clock::wait).
    virtual void processPosted() = 0;
};

// Questions on a terminal, for runs without a display. The box is printed to
// `out` and the answer read from `in`: a button's name or first letter, any
// case; an empty line presses the first button, as Enter does; anything else
// asks again. At the end of input the safe answer is taken (safeAnswer). The
// file dialogs read a Windows path, relative to the dialog's folder; an empty
// line takes the proposed name, and with none, like the end of input, cancels.
class ConsoleQuestions final : public UserQuestions {
public:
    // `fileExists` tells whether a Windows path names an existing file; it is
    // needed for the "file must exist" and overwrite checks and may be empty.
    ConsoleQuestions(std::istream& in, std::ostream& out,
                     std::function<bool(const std::string&)> fileExists = {});

    int messageBox(const MessageBoxRequest& request) override;
    using UserQuestions::messageBox;
    std::optional<std::string> openFile(const FileDialogRequest& request) override;
    std::optional<std::string> saveFile(const FileDialogRequest& request) override;
    // Shows the window's caption and lets the user close it with OK or Cancel.
    int showModal(ModalWindow& window) override;
    void post(std::function<void()> work) override;
    void processPosted() override;

private:
    std::optional<std::string> askPath(const FileDialogRequest& request, bool saving);
    bool readLine(std::string& line);

    std::istream& in_;
    std::ostream& out_;
    std::function<bool(const std::string&)> fileExists_;
    PostedWork posted_;
};

// Thrown by ScriptedQuestions when the logic asks something the test did not
// script, or when the script's next answer does not fit the question.
class UnexpectedQuestion : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// Answers from a script, for tests. Every question is recorded with all its
// fields; answers are taken in order.
class ScriptedQuestions final : public UserQuestions {
public:
    enum class Kind { MessageBox, OpenFile, SaveFile, Modal };
    struct Question {
        Kind kind = Kind::MessageBox;
        MessageBoxRequest box;  // for MessageBox
        FileDialogRequest file; // for OpenFile and SaveFile
        std::string windowName; // for Modal
    };
    using ModalAction = std::function<int(ModalWindow&)>;

    // The next message box answers `button`, which must be one it offers.
    ScriptedQuestions& press(int button);
    // The next file dialog (open or save) chooses `windowsPath`.
    ScriptedQuestions& chooseFile(std::string windowsPath);
    // The next file dialog is cancelled.
    ScriptedQuestions& cancelFileDialog();
    // The next modal window named `windowName` is handed to `action`, which
    // plays the user and returns the modal result.
    ScriptedQuestions& onModal(std::string windowName, ModalAction action);

    int messageBox(const MessageBoxRequest& request) override;
    using UserQuestions::messageBox;
    std::optional<std::string> openFile(const FileDialogRequest& request) override;
    std::optional<std::string> saveFile(const FileDialogRequest& request) override;
    int showModal(ModalWindow& window) override;
    void post(std::function<void()> work) override;
    void processPosted() override;

    const std::vector<Question>& asked() const { return asked_; }
    std::size_t unusedAnswers() const { return answers_.size(); }

private:
    struct Press {
        int button;
    };
    struct File {
        std::optional<std::string> path;
    };
    struct Modal {
        std::string windowName;
        ModalAction action;
    };
    using Answer = std::variant<Press, File, Modal>;

    Answer takeAnswer(const Question& question);
    std::optional<std::string> fileDialog(Kind kind, const FileDialogRequest& request);

    std::deque<Answer> answers_;
    std::vector<Question> asked_;
    PostedWork posted_;
};

// Whether there is a desktop to show windows on (an X or Wayland display, or
// a Qt platform chosen by hand); without one the programs ask on the terminal.
bool displayAvailable();

} // namespace velkan::platform
