#include "preview/Accelerator.h"

namespace velkan::preview {

MarkedText parseAccelerator(std::u16string_view caption) {
    MarkedText out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != u'&') {
            out.text += caption[i];
            continue;
        }
        if (i + 1 == caption.size())
            break; // a mark with nothing after it draws nothing
        if (caption[i + 1] != u'&')
            out.underlined = static_cast<int>(out.text.size());
        out.text += caption[++i];
    }
    return out;
}

} // namespace velkan::preview
