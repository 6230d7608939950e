#include "fuzz/Harnesses.h"
#include "fuzz/ScratchMachine.h"
#include "platform/ProfileString.h"
#include "themes/PackFormat.h"
#include "themes/PackIndex.h"
#include "themes/PackPreview.h"

#include <string>

namespace velkan::fuzz {

namespace {

// Shallow, since every read resolves the path afresh.
constexpr const char* kPack = "C:\\Pack";

void checkText(const std::string& value) {
    if (value.size() >= platform::kProfileBufferSize)
        fail("a value of the index file is longer than the reader's buffer");
}

void checkCaption(const std::optional<std::string>& caption) {
    if (!caption)
        return;
    checkText(*caption);
    if (*caption == themes::kAbsentMarker)
        fail("the absent marker came through as a caption");
}

// Everything the loaders and the preview read from the index.
void readAll(const themes::PackIndex& index) {
    for (const auto& key : themes::kCaptionKeys)
        checkCaption(index.menuCaption(key.entry));
    checkCaption(index.startText());
    checkCaption(index.tooltip());
    (void)index.storedLogoHeight();
    if (auto height = index.logoHeight(); height && (*height < 1 || *height > 130))
        fail("a logo height outside 1 to 130 was taken as a height");
    checkText(index.name());
    checkText(index.author());
    checkText(index.description());
}

} // namespace

void fuzzPackIndex(const std::uint8_t* data, std::size_t size) {
    const platform::Machine machine = freshMachine("pack");
    const auto folder = machine.driveC() / "PACK";
    put(folder / "INDEX.VKR", asText(data, size));
    put(folder / "Logo.bmp", "BM");
    put(folder / "ICON16.ICO", "");

    if (!themes::holdsPack(machine, kPack))
        fail("a folder with an index file holds no pack");
    const themes::PackIndex index(machine, kPack);
    readAll(index);
    const themes::PackPreview preview = themes::readPackPreview(machine, kPack);
    if (!preview.isPack || !preview.logo || !preview.startIcons[3] || preview.startIcons[0] ||
        preview.name != index.name() || preview.author != index.author() ||
        preview.description != index.description())
        fail("the preview does not show the pack that is there");

    // A pack saved over this index reads back as saved, whatever the file
    // held before.
    themes::PackIndexValues values;
    values.name = "Saved Pack";
    values.author = "Fuzz";
    values.description = "Saved over a stranger's index";
    values.startText = "Go";
    values.tooltip = "Begin here";
    for (std::size_t i = 0; i < values.captions.size(); ++i)
        values.captions[i] = "Entry " + std::to_string(i);
    values.logoHeight = 57;
    if (!themes::writePackIndex(machine, index.path(), values))
        fail("saving a pack over an index file failed");
    const themes::PackIndex saved(machine, kPack);
    readAll(saved);
    if (saved.name() != values.name || saved.author() != values.author ||
        saved.description() != values.description || saved.startText() != values.startText ||
        saved.tooltip() != values.tooltip || saved.logoHeight() != values.logoHeight)
        fail("a saved index does not read back");
    for (const auto& key : themes::kCaptionKeys)
        if (saved.menuCaption(key.entry) != values.captions[static_cast<int>(key.entry)])
            fail("a saved caption does not read back");
}

} // namespace velkan::fuzz
