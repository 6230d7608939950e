#pragma once

#include <string>

namespace velkan::remove {

// The product name the uninstaller writes into its texts and key names.
inline constexpr const char* kProductName = "Velkan";

// The caption of both of the uninstaller's message boxes.
inline constexpr const char* kCaption = "Uninstalling...";

// The question asked before anything is removed. Lines end in a bare carriage
// return, as the message box of Windows 95 takes them.
std::string confirmationText();

// The closing report, chosen by whether every key could be opened.
std::string successText();
std::string failureText();

} // namespace velkan::remove
