#include "platform/UserQuestions.h"

#include "platform/Text.h"

#include <cstdlib>

#include <cctype>
#include <istream>
#include <ostream>

namespace velkan::platform {
namespace {

std::string lowered(std::string_view text) {
    return asciiLowercase(text);
}

// What a person typed at the terminal, without the line's blanks around it.
std::string answerText(std::string_view text) {
    return std::string(platform::trimmed(text, " \t\r\n"));
}

bool contains(const std::vector<int>& ids, int id) {
    for (int each : ids)
        if (each == id)
            return true;
    return false;
}

std::string_view iconWord(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::None:
        return {};
    case MessageIcon::Error:
        return "(error)";
    case MessageIcon::Warning:
        return "(warning)";
    case MessageIcon::Information:
        return "(information)";
    case MessageIcon::Question:
        return "(question)";
    }
    return {};
}

std::string buttonList(MessageButtons buttons, std::string_view separator) {
    std::string list;
    for (int id : buttonIds(buttons)) {
        if (!list.empty())
            list += separator;
        list += buttonName(id);
    }
    return list;
}

// The button an answer names: its whole name or its first letter, any case.
std::optional<int> buttonNamed(MessageButtons buttons, std::string_view answer) {
    std::string wanted = lowered(answerText(answer));
    if (wanted.empty())
        return std::nullopt;
    for (int id : buttonIds(buttons)) {
        std::string name = lowered(buttonName(id));
        if (wanted == name || wanted == name.substr(0, 1))
            return id;
    }
    return std::nullopt;
}

bool isAbsoluteWinPath(std::string_view path) {
    bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
                 path[1] == ':' && (path[2] == '\\' || path[2] == '/');
    bool unc = path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
    return drive || unc;
}

// The Windows path an answer typed into a file dialog stands for: relative to
// the dialog's folder, with forward slashes turned round and the default
// extension added to a name that has none, as the common dialogs do.
std::string dialogPath(std::string answer, const FileDialogRequest& request) {
    for (char& c : answer)
        if (c == '/')
            c = '\\';
    if (!isAbsoluteWinPath(answer) && !request.initialFolder.empty()) {
        std::string folder = request.initialFolder;
        for (char& c : folder)
            if (c == '/')
                c = '\\';
        if (!answer.empty() && answer[0] == '\\') {
            // "\WINDOWS\x.ico": the root of the folder's drive.
            if (folder.size() >= 2 && folder[1] == ':')
                answer = folder.substr(0, 2) + answer;
        } else {
            if (folder.back() != '\\')
                folder += '\\';
            answer = folder + answer;
        }
    }
    std::size_t nameStart = answer.find_last_of('\\');
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    if (!request.defaultExtension.empty() && answer.find('.', nameStart) == std::string::npos)
        answer += "." + request.defaultExtension;
    return answer;
}

std::string describe(const ScriptedQuestions::Question& question) {
    switch (question.kind) {
    case ScriptedQuestions::Kind::MessageBox:
        return "message box \"" + question.box.caption + "\": \"" + question.box.text + "\"";
    case ScriptedQuestions::Kind::OpenFile:
        return "open dialog \"" + question.file.title + "\"";
    case ScriptedQuestions::Kind::SaveFile:
        return "save dialog \"" + question.file.title + "\"";
    case ScriptedQuestions::Kind::Modal:
        return "modal window " + question.windowName;
    }
    return {};
}

} // namespace

std::vector<int> buttonIds(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::OK:
        return {IDOK};
    case MessageButtons::OKCancel:
        return {IDOK, IDCANCEL};
    case MessageButtons::YesNo:
        return {IDYES, IDNO};
    case MessageButtons::YesNoCancel:
        return {IDYES, IDNO, IDCANCEL};
    case MessageButtons::RetryCancel:
        return {IDRETRY, IDCANCEL};
    case MessageButtons::AbortRetryIgnore:
        return {IDABORT, IDRETRY, IDIGNORE};
    }
    return {IDOK};
}

std::string_view buttonName(int id) {
    switch (id) {
    case IDOK:
        return "OK";
    case IDCANCEL:
        return "Cancel";
    case IDABORT:
        return "Abort";
    case IDRETRY:
        return "Retry";
    case IDIGNORE:
        return "Ignore";
    case IDYES:
        return "Yes";
    case IDNO:
        return "No";
    }
    return {};
}

int safeAnswer(MessageButtons buttons) {
    std::vector<int> ids = buttonIds(buttons);
    for (int safe : {IDCANCEL, IDNO, IDABORT})
        if (contains(ids, safe))
            return safe;
    return ids.front();
}

std::vector<std::string> messageLines(std::string_view text) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    return lines;
}

std::vector<FileFilter> parseFileFilter(std::string_view filter) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= filter.size()) {
        std::size_t bar = filter.find('|', start);
        if (bar == std::string_view::npos) {
            parts.emplace_back(filter.substr(start));
            break;
        }
        parts.emplace_back(filter.substr(start, bar - start));
        start = bar + 1;
    }
    std::vector<FileFilter> result;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
        result.push_back({parts[i], parts[i + 1]});
    return result;
}

void PostedWork::post(std::function<void()> work) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(work));
}

std::size_t PostedWork::runPending() {
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard lock(mutex_);
        batch.swap(queue_);
    }
    for (auto& work : batch)
        work();
    return batch.size();
}

bool PostedWork::empty() const {
    std::lock_guard lock(mutex_);
    return queue_.empty();
}

int UserQuestions::messageBox(std::string text, std::string caption, MessageIcon icon,
                              MessageButtons buttons) {
    return messageBox(MessageBoxRequest{std::move(text), std::move(caption), icon, buttons});
}

// ---- ConsoleQuestions ----

ConsoleQuestions::ConsoleQuestions(std::istream& in, std::ostream& out,
                                   std::function<bool(const std::string&)> fileExists)
    : in_(in), out_(out), fileExists_(std::move(fileExists)) {}

bool ConsoleQuestions::readLine(std::string& line) {
    out_ << "> " << std::flush;
    if (!std::getline(in_, line)) {
        out_ << '\n';
        return false;
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

int ConsoleQuestions::messageBox(const MessageBoxRequest& request) {
    for (;;) {
        out_ << "---- " << request.caption << " ----\n";
        if (std::string_view icon = iconWord(request.icon); !icon.empty())
            out_ << icon << '\n';
        for (const std::string& line : messageLines(request.text))
            out_ << line << '\n';
        out_ << "[" << buttonList(request.buttons, "] [") << "]\n";

        std::string answer;
        if (!readLine(answer))
            return safeAnswer(request.buttons);
        if (answerText(answer).empty())
            return buttonIds(request.buttons).front();
        if (auto id = buttonNamed(request.buttons, answer))
            return *id;
        out_ << "Please answer " << buttonList(request.buttons, ", ") << ".\n";
    }
}

std::optional<std::string> ConsoleQuestions::askPath(const FileDialogRequest& request,
                                                     bool saving) {
    for (;;) {
        out_ << "---- " << request.title << " ----\n";
        std::string types;
        for (const FileFilter& filter : parseFileFilter(request.filter))
            types += (types.empty() ? "" : ", ") + filter.description;
        if (!types.empty())
            out_ << "Files of type: " << types << '\n';
        if (!request.initialFolder.empty())
            out_ << "Look in: " << request.initialFolder << '\n';
        out_ << "File name";
        if (!request.fileName.empty())
            out_ << " [" << request.fileName << "]";
        out_ << ":\n";

        std::string answer;
        if (!readLine(answer))
            return std::nullopt;
        answer = answerText(answer);
        if (answer.empty())
            answer = request.fileName;
        if (answer.empty())
            return std::nullopt;
        std::string path = dialogPath(answer, request);

        bool exists = fileExists_ && fileExists_(path);
        if (!saving && request.fileMustExist && fileExists_ && !exists) {
            out_ << path << "\nFile not found.\nPlease verify the correct file name was given.\n";
            continue;
        }
        if (saving && request.overwritePrompt && exists) {
            int replace = messageBox(path + " already exists.\rDo you want to replace it?",
                                     request.title, MessageIcon::Warning, MessageButtons::YesNo);
            if (replace != IDYES)
                continue;
        }
        return path;
    }
}

std::optional<std::string> ConsoleQuestions::openFile(const FileDialogRequest& request) {
    return askPath(request, false);
}

std::optional<std::string> ConsoleQuestions::saveFile(const FileDialogRequest& request) {
    return askPath(request, true);
}

int ConsoleQuestions::showModal(ModalWindow& window) {
    return messageBox("This window needs a display. Close it with OK or Cancel.", window.caption(),
                      MessageIcon::None, MessageButtons::OKCancel);
}

void ConsoleQuestions::post(std::function<void()> work) {
    posted_.post(std::move(work));
}

void ConsoleQuestions::processPosted() {
    posted_.runPending();
}

// ---- ScriptedQuestions ----

ScriptedQuestions& ScriptedQuestions::press(int button) {
    answers_.push_back(Press{button});
    return *this;
}

ScriptedQuestions& ScriptedQuestions::chooseFile(std::string windowsPath) {
    answers_.push_back(File{std::move(windowsPath)});
    return *this;
}

ScriptedQuestions& ScriptedQuestions::cancelFileDialog() {
    answers_.push_back(File{std::nullopt});
    return *this;
}

ScriptedQuestions& ScriptedQuestions::onModal(std::string windowName, ModalAction action) {
    answers_.push_back(Modal{std::move(windowName), std::move(action)});
    return *this;
}

ScriptedQuestions::Answer ScriptedQuestions::takeAnswer(const Question& question) {
    asked_.push_back(question);
    if (answers_.empty())
        throw UnexpectedQuestion("unexpected " + describe(question) + ": no answer scripted");
    Answer answer = std::move(answers_.front());
    answers_.pop_front();

    bool fits = false;
    switch (question.kind) {
    case Kind::MessageBox:
        fits = std::holds_alternative<Press>(answer);
        break;
    case Kind::OpenFile:
    case Kind::SaveFile:
        fits = std::holds_alternative<File>(answer);
        break;
    case Kind::Modal:
        fits = std::holds_alternative<Modal>(answer) &&
               std::get<Modal>(answer).windowName == question.windowName;
        break;
    }
    if (!fits) {
        std::string scripted = std::holds_alternative<Press>(answer) ? "a button press"
                               : std::holds_alternative<File>(answer)
                                   ? "a file dialog answer"
                                   : "the modal window " + std::get<Modal>(answer).windowName;
        throw UnexpectedQuestion("unexpected " + describe(question) + ": the script expected " +
                                 scripted);
    }
    return answer;
}

int ScriptedQuestions::messageBox(const MessageBoxRequest& request) {
    Question question;
    question.kind = Kind::MessageBox;
    question.box = request;
    int button = std::get<Press>(takeAnswer(question)).button;
    if (!contains(buttonIds(request.buttons), button))
        throw UnexpectedQuestion("the script presses " +
                                 (buttonName(button).empty() ? std::to_string(button)
                                                             : std::string(buttonName(button))) +
                                 " on " + describe(question) + ", which offers " +
                                 buttonList(request.buttons, ", "));
    return button;
}

std::optional<std::string> ScriptedQuestions::fileDialog(Kind kind,
                                                         const FileDialogRequest& request) {
    Question question;
    question.kind = kind;
    question.file = request;
    return std::get<File>(takeAnswer(question)).path;
}

std::optional<std::string> ScriptedQuestions::openFile(const FileDialogRequest& request) {
    return fileDialog(Kind::OpenFile, request);
}

std::optional<std::string> ScriptedQuestions::saveFile(const FileDialogRequest& request) {
    return fileDialog(Kind::SaveFile, request);
}

int ScriptedQuestions::showModal(ModalWindow& window) {
    Question question;
    question.kind = Kind::Modal;
    question.windowName = window.windowName();
    Modal modal = std::get<Modal>(takeAnswer(question));
    return modal.action ? modal.action(window) : IDCANCEL;
}

void ScriptedQuestions::post(std::function<void()> work) {
    posted_.post(std::move(work));
}

void ScriptedQuestions::processPosted() {
    posted_.runPending();
}

bool displayAvailable() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (const char* v = std::getenv(name); v && *v)
            return true;
    return false;
}

} // namespace velkan::platform
