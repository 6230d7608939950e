#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velkan::caption {

enum TCaptionButtonKind {
    cbkCustom,
    cbkOk,
    cbkRollUp,
    cbkRollDown,
    cbkDocument,
    cbkFolder,
    cbkWindow,
    cbkMail,
    cbkDownArrow,
    cbkUpArrow,
    cbkLeftArrow,
    cbkRightArrow,
    cbkMore,
    cbkFlag,
    cbkCool,
};
inline constexpr int kCaptionButtonKinds = cbkCool + 1;

// The kind's name as the stored layout spells it ("cbkMore").
std::string_view kindName(TCaptionButtonKind kind);
// Exact, case-sensitive match; a name not in the table gives cbkCustom.
TCaptionButtonKind kindFromName(std::string_view name);

// One extra caption button.
struct TCaptionButton {
    std::string Caption; // "-" makes the item a separator
    bool Enabled = true; // the look only: clicks are still reported
    bool Visible = true; // an invisible button keeps its place in the strip
    bool Pushed = false; // latched; changed through the click event only
    TCaptionButtonKind Kind = cbkCustom;

    bool isSeparator() const { return Caption == "-"; }
};

// The ordered list of extra buttons; it owns them.
class TCaptionButtonsList {
public:
    int count() const { return int(items_.size()); }
    // Nothing when i is out of range.
    TCaptionButton* item(int i);
    const TCaptionButton* item(int i) const;
    TCaptionButton& add(std::unique_ptr<TCaptionButton> button);
    TCaptionButton& add(TCaptionButton button);
    // Does nothing when i is out of range.
    void remove(int i);
    void clear();
    bool empty() const { return items_.empty(); }

private:
    std::vector<std::unique_ptr<TCaptionButton>> items_;
};

} // namespace velkan::caption
