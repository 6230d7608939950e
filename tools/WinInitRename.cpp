#include "tools/WinInitRename.h"

#include "platform/Text.h"

#include "platform/Files.h"
#include "platform/WinPath.h"

#include <system_error>

namespace velkan::machine {

namespace fs = std::filesystem;
using platform::Error;
using platform::Machine;
using platform::Result;
using platform::WinError;

namespace {

std::string_view trim(std::string_view s) {
    return platform::trimmed(s, " \t\r");
}

// The file operations a run of [Rename] lines needs, done for real or
// recorded in a view.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool isFile(const fs::path& p) = 0;
    virtual platform::Status remove(const fs::path& p) = 0;
    virtual platform::Status move(const fs::path& from, const fs::path& to) = 0;
};

bool isPlainFile(const fs::path& p) {
    auto found = platform::host::fileAttributes(p);
    return found && !found->directory;
}

class RealFiles : public FileSystem {
public:
    bool isFile(const fs::path& p) override { return isPlainFile(p); }
    platform::Status remove(const fs::path& p) override { return platform::host::deleteFile(p); }
    platform::Status move(const fs::path& from, const fs::path& to) override {
        // The move replaces the old file in one step, so the shell file is
        // never missing, not even for a moment.
        return platform::host::moveFile(from, to);
    }
};

class ViewFiles : public FileSystem {
public:
    explicit ViewFiles(RenameView& view) : view_(view) {}
    bool isFile(const fs::path& p) override { return view_.contentOfHost(p).has_value(); }
    platform::Status remove(const fs::path& p) override {
        view_.markDeleted(p);
        return {};
    }
    platform::Status move(const fs::path& from, const fs::path& to) override {
        view_.markMoved(from, to);
        return {};
    }

private:
    RenameView& view_;
};

RenameOutcome perform(const Machine& machine, const RenameLine& line, FileSystem& files) {
    RenameOutcome out;
    out.line = line;
    auto source = platform::resolveWinPath(machine, line.source);
    if (!source) {
        out.kind = RenameOutcome::Failed;
        out.detail = source.error().message;
        return out;
    }
    if (line.deletes()) {
        if (!files.isFile(*source)) {
            out.kind = RenameOutcome::NothingToDelete;
            return out;
        }
        if (auto removed = files.remove(*source); !removed) {
            out.kind = RenameOutcome::Failed;
            out.detail = removed.error().message;
            return out;
        }
        out.kind = RenameOutcome::Deleted;
        return out;
    }
    auto target = platform::resolveWinPath(machine, line.target);
    if (!target) {
        out.kind = RenameOutcome::Failed;
        out.detail = target.error().message;
        return out;
    }
    if (!files.isFile(*source)) {
        out.kind = RenameOutcome::SkippedMissing;
        return out;
    }
    if (auto moved = files.move(*source, *target); !moved) {
        out.kind = RenameOutcome::Failed;
        out.detail = moved.error().message;
        return out;
    }
    out.kind = RenameOutcome::Replaced;
    return out;
}

struct WinInit {
    fs::path host;
    std::string text;
};

Result<std::optional<WinInit>> readWinInit(const Machine& machine, std::string_view windowsFolder) {
    auto host = platform::resolveWinPath(machine, std::string(windowsFolder) + "\\WinInit.ini");
    if (!host)
        return host.error();
    if (!isPlainFile(*host))
        return std::optional<WinInit>();
    auto text = platform::host::readWholeFile(*host);
    if (!text)
        return text.error();
    return std::optional<WinInit>(WinInit{*host, *text});
}

} // namespace

bool RenameLine::deletes() const {
    return target.size() == 3 && (target[0] | 0x20) == 'n' && (target[1] | 0x20) == 'u' &&
           (target[2] | 0x20) == 'l';
}

std::string RenameOutcome::describe() const {
    switch (kind) {
    case Replaced:
        return line.target + " replaced by " + line.source;
    case Deleted:
        return line.source + " deleted";
    case NothingToDelete:
        return line.source + " was already gone";
    case SkippedMissing:
        return "skipped line " + std::to_string(line.lineNumber) + ": " + line.source +
               " is missing, " + line.target + " kept";
    case Failed:
        return "line " + std::to_string(line.lineNumber) + " (" + line.target + "=" + line.source +
               ") failed: " + detail;
    }
    return {};
}

std::vector<RenameLine> parseRenameSection(std::string_view text) {
    std::vector<RenameLine> lines;
    bool inRename = false;
    int number = 0;
    while (!text.empty()) {
        auto end = text.find_first_of("\r\n");
        std::string_view raw = text.substr(0, end);
        if (end == std::string_view::npos)
            text = {};
        else
            text.remove_prefix(end + (text.substr(end, 2) == "\r\n" ? 2 : 1));
        ++number;
        std::string_view line = trim(raw);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            auto close = line.find(']');
            std::string_view name = trim(line.substr(
                1, close == std::string_view::npos ? std::string_view::npos : close - 1));
            inRename = platform::sameFileName(name, "Rename");
            continue;
        }
        auto eq = line.find('=');
        if (!inRename || eq == std::string_view::npos)
            continue;
        RenameLine entry{std::string(trim(line.substr(0, eq))),
                         std::string(trim(line.substr(eq + 1))), number};
        if (!entry.target.empty() && !entry.source.empty())
            lines.push_back(std::move(entry));
    }
    return lines;
}

std::optional<fs::path> RenameView::contentOf(std::string_view winPath) const {
    auto host = platform::resolveWinPath(machine_, winPath);
    if (!host)
        return std::nullopt;
    return contentOfHost(*host);
}

// A path the view has recorded, spelt as first recorded: a file that a line
// moved under a new name is found again under any case of that name, as on
// the FAT disk, where resolving it would find the moved file.
std::size_t RenameView::recorded(const fs::path& host) const {
    for (std::size_t i = 0; i < changed_.size(); ++i)
        if (platform::sameFileName(changed_[i].first.string(), host.string()))
            return i;
    return changed_.size();
}

std::optional<fs::path> RenameView::contentOfHost(const fs::path& host) const {
    if (const std::size_t at = recorded(host); at < changed_.size())
        return changed_[at].second;
    return isPlainFile(host) ? std::optional<fs::path>(host) : std::nullopt;
}

void RenameView::record(const fs::path& host, std::optional<fs::path> content) {
    if (const std::size_t at = recorded(host); at < changed_.size())
        changed_[at].second = std::move(content);
    else
        changed_.emplace_back(host, std::move(content));
}

void RenameView::markDeleted(const fs::path& host) {
    record(host, std::nullopt);
}

void RenameView::markMoved(const fs::path& from, const fs::path& to) {
    // A file renamed onto itself stays where it is.
    if (platform::sameFileName(from.string(), to.string()))
        return;
    auto content = contentOfHost(from);
    record(to, content);
    record(from, std::nullopt);
}

Result<RenameReport> performRenames(const Machine& machine, std::string_view windowsFolder) {
    auto winInit = readWinInit(machine, windowsFolder);
    if (!winInit)
        return winInit.error();
    RenameReport report;
    if (!*winInit)
        return report;
    report.hadWinInit = true;
    RealFiles files;
    for (const RenameLine& line : parseRenameSection((*winInit)->text))
        report.outcomes.push_back(perform(machine, line, files));

    // WinInit.ini becomes WinInit.bak, keeping the spelling of its name. A
    // line may have moved or deleted WinInit.ini itself; then there is nothing
    // left to keep, and the lines were still performed.
    const fs::path& ini = (*winInit)->host;
    if (!isPlainFile(ini))
        return report;
    std::string name = ini.filename().string();
    const bool upper = name.size() >= 3 && name.substr(name.size() - 3) == "INI";
    name = name.substr(0, name.size() - 3) + (upper ? "BAK" : "bak");
    const fs::path bak = ini.parent_path() / name;
    if (auto old = platform::resolveWinPath(machine, std::string(windowsFolder) + "\\WinInit.bak");
        old && *old != bak && isPlainFile(*old))
        (void)platform::host::deleteFile(*old);
    if (auto moved = platform::host::moveFile(ini, bak); !moved)
        return moved.error();
    return report;
}

Result<RenameView> previewRenames(const Machine& machine, std::string_view windowsFolder,
                                  RenameReport* report) {
    RenameView view(machine);
    auto winInit = readWinInit(machine, windowsFolder);
    if (!winInit)
        return winInit.error();
    if (!*winInit)
        return view;
    ViewFiles files(view);
    for (const RenameLine& line : parseRenameSection((*winInit)->text)) {
        RenameOutcome outcome = perform(machine, line, files);
        if (report)
            report->outcomes.push_back(std::move(outcome));
    }
    if (report)
        report->hadWinInit = true;
    return view;
}

} // namespace velkan::machine
