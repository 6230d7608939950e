#pragma once

#include "platform/Machine.h"
#include "platform/Result.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velkan::platform {

// The machine's journal: a plain-text file, one event a line, each line the
// local time in ISO 8601 form with milliseconds, a blank and the event:
//   2026-12-08T03:33:12.123 start shell C:\WINDOWS\Explorer.exe
// It records what the machine was asked to do that a real Windows would have
// done outside the product (start the shell, restart, open a document), so
// that people and tests can see it happened. Appends from several threads or
// processes never tear or interleave a line.
// Text from a machine made fit for one line of a journal or a terminal: line
// breaks and tabs become blanks, other control bytes (a NUL, an escape) "\xNN".
std::string printableText(std::string_view text);

class Journal {
public:
    explicit Journal(std::filesystem::path file);

    // The journal of a machine folder: its "journal.txt".
    static Journal ofMachine(const Machine& machine);

    const std::filesystem::path& file() const { return file_; }

    // Adds one line for `event`, made printable as printableText() does, so
    // one event is always one line. The file is created when missing; a
    // journal that is a link or not a regular file is refused, never followed.
    Status append(std::string_view event) const;

    // Every line as written, without the line end. A missing journal is empty.
    Result<std::vector<std::string>> lines() const;

    // The events alone, the time stamps cut off.
    Result<std::vector<std::string>> events() const;

private:
    Error refusal(int err) const;
    std::filesystem::path file_;
};

} // namespace velkan::platform
