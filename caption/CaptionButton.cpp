#include "caption/CaptionButton.h"

#include <array>

namespace velkan::caption {

namespace {

constexpr std::array<std::string_view, kCaptionButtonKinds> kindNames{
    "cbkCustom",    "cbkOk",         "cbkRollUp", "cbkRollDown",  "cbkDocument",
    "cbkFolder",    "cbkWindow",     "cbkMail",   "cbkDownArrow", "cbkUpArrow",
    "cbkLeftArrow", "cbkRightArrow", "cbkMore",   "cbkFlag",      "cbkCool",
};

} // namespace

std::string_view kindName(TCaptionButtonKind kind) {
    if (kind < 0 || kind >= kCaptionButtonKinds)
        return kindNames[0];
    return kindNames[std::size_t(kind)];
}

TCaptionButtonKind kindFromName(std::string_view name) {
    for (std::size_t i = 0; i < kindNames.size(); ++i)
        if (kindNames[i] == name)
            return TCaptionButtonKind(i);
    return cbkCustom;
}

TCaptionButton* TCaptionButtonsList::item(int i) {
    return i >= 0 && i < count() ? items_[std::size_t(i)].get() : nullptr;
}

const TCaptionButton* TCaptionButtonsList::item(int i) const {
    return i >= 0 && i < count() ? items_[std::size_t(i)].get() : nullptr;
}

TCaptionButton& TCaptionButtonsList::add(std::unique_ptr<TCaptionButton> button) {
    items_.push_back(std::move(button));
    return *items_.back();
}

TCaptionButton& TCaptionButtonsList::add(TCaptionButton button) {
    return add(std::make_unique<TCaptionButton>(std::move(button)));
}

void TCaptionButtonsList::remove(int i) {
    if (i >= 0 && i < count())
        items_.erase(items_.begin() + i);
}

void TCaptionButtonsList::clear() {
    while (!items_.empty())
        remove(0);
}

} // namespace velkan::caption
