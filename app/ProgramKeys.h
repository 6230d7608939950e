#pragma once

// Registry names the customiser keeps its own settings under, and the Run
// value of its autoload. The uninstaller knows the same names; the window
// metrics are startmenu's (IconMetrics.h).
namespace velkan::app {

inline constexpr const char* kProgramKey = "Software\\Velkan";
inline constexpr const char* kLocationValue = "Location";
inline constexpr const char* kLastThemeValue = "Last Theme";
inline constexpr const char* kOptionsValue = "Options";
// Written once the backup notice has been shown, so it is shown only once.
inline constexpr const char* kFirstRunValue = "Backup Notice Shown";

inline constexpr const char* kRunKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kRunValue = "VKR Theme Packs";
inline constexpr const char* kRunCommand = "Velkrun.exe /t";

} // namespace velkan::app
