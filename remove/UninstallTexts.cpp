#include "remove/UninstallTexts.h"

#include <string_view>

namespace velkan::remove {

namespace {

// The question, line by line; "@" stands for the product name. The misspelt
// "cofiguration" is what users of the uninstaller have always read.
constexpr std::string_view kQuestionLines[] = {
    "The 'Uninstall @' procedure will:\r\r",
    "\t1. Remove all @'s registry entries\r",
    "\t2. Remove files and subfolders from the @'s folder.\r",
    "\t3. Remove shortcuts from desktop and start menu.\r\r",
    "The 'Uninstall @' procedure will not:\r\r",
    "\t1. Restore your original cofiguration. So press Restore button on @.\r",
    "\t2. Remove this uninstaller. So delete Remove.exe file from @'s folder\r",
    "\t    manually after uninstalling.\r\r",
    "\tDo you want to continue?",
};

} // namespace

std::string confirmationText() {
    std::string text;
    for (std::string_view line : kQuestionLines)
        for (char c : line)
            text += c == '@' ? std::string(kProductName) : std::string(1, c);
    return text;
}

std::string successText() {
    return std::string(kProductName) + " has been successfully uninstalled.";
}

std::string failureText() {
    // A grave accent, not an apostrophe, stands between the n and the t.
    return std::string("Error! ") + kProductName + " hasn`t been uninstalled.";
}

} // namespace velkan::remove
