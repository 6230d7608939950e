// The icons beside the Start-menu entries: what the Shell Icons key shows
// now, choosing through the icon browser, "&Restore icon", and the pop-up of
// a theme pack's other icons.
#include "app/BrwsIcnForm.h"
#include "app/IconFm.h"
#include "app/mainform/MainForm.h"
#include "platform/IconLibrary.h"

#include <charconv>

namespace velkan::app {

using platform::Picture;
using shellpatch::Entry;

namespace {

constexpr const char* kDefaultLibrary = "shell32.dll";

// "file,index" split at its first comma, with a decimal index.
bool splitIconValue(const std::string& value, std::string& file, int& index) {
    const auto comma = value.find(',');
    if (comma == std::string::npos)
        return false;
    const std::string_view digits = std::string_view(value).substr(comma + 1);
    if (digits.empty())
        return false;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
    if (ec != std::errc() || end != digits.data() + digits.size())
        return false;
    file = value.substr(0, comma);
    return true;
}

} // namespace

void TMainForm::buildEntryIcons() {
    main.Restore.setCaption("&Restore icon");
    main.Restore.onClick = [this] { RestoreClick(); };
    packs.MoreBn.setHint("Other start menu icons");
    for (int i = 0; i < shellpatch::kEntryCount; ++i) {
        auto& button = entryButton(static_cast<Entry>(i));
        button.onClick = [this, &button] { ProgImgSBClick(button); };
    }
}

Picture TMainForm::extractedIcon(const std::string& file, int index) const {
    auto host = platform::findIconFile(env.machine, file, windowsFolder);
    if (!host)
        return {};
    const auto library = platform::IconLibrary::open(*host);
    if (index < 0 || index >= library.count() || !library.icon(index))
        return {};
    return {Picture::Kind::IconInLibrary, host->string(), index};
}

void TMainForm::showCurrentIcons() {
    auto key = env.registry.openKey(platform::RootKey::LocalMachine, startmenu::kShellIconsKey);
    // Programs to Shut Down first, the two entries of the desktop update last.
    constexpr Entry kOrder[] = {
        Entry::Programs, Entry::Documents, Entry::Settings, Entry::Find,      Entry::Help,
        Entry::Run,      Entry::Suspend,   Entry::ShutDown, Entry::Favorites, Entry::LogOff};
    for (Entry entry : kOrder) {
        if (!shellpatch::entryInBuild(entry, isIe4()))
            continue;
        const int number = iconSlots[static_cast<int>(entry)].number;
        Picture picture;
        std::string file;
        int index = 0;
        if (key) {
            if (auto value = key->queryString(std::to_string(number));
                value && splitIconValue(*value, file, index))
                picture = extractedIcon(file, index);
        }
        if (picture.kind == Picture::Kind::None)
            picture = extractedIcon(kDefaultLibrary, number);
        entryImage(entry).setPicture(picture);
    }
    if (key)
        key->close();
}

void TMainForm::ProgImgSBClick(platform::Button& sender) {
    if (!BrwsIcnForm)
        return;
    BrwsIcnForm->accepted = false;
    if (BrwsIcnForm->browserFile.empty())
        BrwsIcnForm->NameEdKeyPress(TBrwsIcnForm::kEnter, &BrwsIcnForm->OKBn);
    BrwsIcnForm->setModalResult(0);
    (void)env.questions.showModal(*BrwsIcnForm);
    if (BrwsIcnForm->accepted)
        setSlotIcon(sender, BrwsIcnForm->browserFile);
}

void TMainForm::setSlotIcon(platform::Button& button, const std::string& file) {
    for (int i = 0; i < shellpatch::kEntryCount; ++i) {
        const auto entry = static_cast<Entry>(i);
        if (&entryButton(entry) != &button)
            continue;
        auto& slot = iconSlots[i];
        if (AutoloadMode) {
            slot.pending = file;
        } else {
            const int index = BrwsIcnForm ? BrwsIcnForm->selectedIconIndex : 0;
            auto& image = entryImage(entry);
            image.clear();
            image.setPicture(extractedIcon(file, index));
            image.setHint("Changed");
            slot.pending = file + "," + std::to_string(index);
        }
        ShellIconsChanged = true;
        return;
    }
}

void TMainForm::ProgImgSBMouseDown(platform::Button& sender, MouseButton button) {
    for (int i = 0; i < shellpatch::kEntryCount; ++i)
        if (&entryButton(static_cast<Entry>(i)) == &sender)
            ShutImgMouseDown(entryImage(static_cast<Entry>(i)), button);
}

void TMainForm::ShutImgMouseDown(platform::Image& sender, MouseButton button) {
    popupTarget = &sender;
    if (button == MouseButton::Right)
        main.PopMn.popup(left() + sender.left() + 60, top() + sender.top() + 60);
}

void TMainForm::RestoreClick() {
    ShellIconsChanged = true;
    for (int i = 0; i < shellpatch::kEntryCount; ++i) {
        const auto entry = static_cast<Entry>(i);
        auto& image = entryImage(entry);
        if (&image != popupTarget)
            continue;
        iconSlots[i].pending = startmenu::kRestoreMarker;
        image.clear();
        image.setPicture(extractedIcon(kDefaultLibrary, iconSlots[i].number));
        return;
    }
}

void TMainForm::MoreBnMouseMove() {
    if (!IconFm || packs.MoreBn.down())
        return;
    IconFm->show(left() + 150, top() + 400);
    packs.MoreBn.setDown(true);
}

void TMainForm::Imag1MouseMove() {
    if (IconFm && IconFm->visible())
        IconFm->hideUnlessHeld();
}

void TMainForm::abandonIconLoad() {
    if (BrwsIcnForm && BrwsIcnForm->busy())
        BrwsIcnForm->abandonLoad();
}

} // namespace velkan::app
