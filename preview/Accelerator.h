#pragma once

#include <string>
#include <string_view>

// Menu captions mark their access key with "&": the character after it is
// underlined and "&&" stands for one "&". As the system's text drawing does,
// only the last marked character is underlined.
namespace velkan::preview {

struct MarkedText {
    std::u16string text; // as drawn, without the marks
    int underlined = -1; // index into `text`, -1 for none
};

MarkedText parseAccelerator(std::u16string_view caption);

} // namespace velkan::preview
