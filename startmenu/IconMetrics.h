#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/Registry.h"
#include "platform/Result.h"

// The shell's icon size and colour depth, kept by Windows as two strings in
// the user's WindowMetrics key, and the size of the Start-button icon that
// Windows draws, which follows the width of a caption button.
namespace velkan::startmenu {

inline constexpr const char* kWindowMetricsKey = "\\Control Panel\\desktop\\WindowMetrics";
inline constexpr const char* kShellIconSizeValue = "Shell Icon Size";
inline constexpr const char* kShellIconBppValue = "Shell Icon BPP";

// One row of the Start-button icon preview: which image is marked for a
// range of caption-button widths and where the mark's frame goes.
struct IconSizeMark {
    int maxCaptionButtonWidth; // SM_CXSIZE up to this value
    int size;
    const char* previewImage;
    int markLeft, markTop;
};

inline constexpr IconSizeMark kIconSizeMarks[] = {
    {13, 10, "Img10", 6, 19},  {15, 12, "Img12", 46, 19}, {17, 14, "Img14", 86, 19},
    {21, 16, "Img16", 6, 59},  {27, 22, "Img22", 46, 59}, {1 << 30, 32, "Img32", 86, 59},
};

const IconSizeMark& iconSizeMarkFor(int captionButtonWidth);

struct WindowMetrics {
    std::optional<std::string> shellIconSize;
    std::optional<std::string> shellIconBpp;
};

// Reads both values; a missing key or value gives nothing for it.
platform::Result<WindowMetrics> readWindowMetrics(platform::Registry& registry);

// Writes one value. A stock Windows 95 may lack the key; it is made then, or
// the setting could never take effect.
platform::Status writeWindowMetric(platform::Registry& registry, std::string_view name,
                                   std::string_view text);

// A decimal icon size as the shell stores it: an optional sign and digits.
std::optional<int> parseIconSize(std::string_view text);

} // namespace velkan::startmenu
