#pragma once

#include "caption/CaptionButton.h"
#include "platform/Result.h"

#include <string>
#include <string_view>

namespace velkan::caption {

// The name the list's property has in a form's stored layout.
inline constexpr std::string_view kButtonsPropertyName = "Buttons.Buttons";

// The Buttons list in the text form of a stored layout:
//   Buttons.Buttons = (
//     'About'
//     True
//     True
//     False
//     'cbkMore')
// one Caption, Enabled, Visible, Pushed and kind name per button. An empty
// list is not written at all: the result is empty.
std::string writeButtonsLayout(const TCaptionButtonsList& buttons);

// Reads what writeButtonsLayout writes (the property name may be left out).
// The list is cleared first; a kind name not known gives cbkCustom. A
// malformed text is an error naming the line, and leaves the list empty.
platform::Status readButtonsLayout(std::string_view text, TCaptionButtonsList& buttons);

} // namespace velkan::caption
