// Choosing the shell build and reading its texts out of the working copy.
#include "app/mainform/MainForm.h"
#include "platform/Files.h"
#include "shellpatch/ShellFile.h"

namespace velkan::app {

using platform::ControlColor;
using shellpatch::Entry;

void TMainForm::VersionRGClick() {
    selectBuild(main.VersionRG.itemIndex());
}

void TMainForm::selectBuild(int position) {
    if (const auto* build = shellpatch::buildAt(position)) {
        layout.iconShift = build->iconShift;
        layout.startText = build->startText;
        layout.logoOffset = build->logoOffset;
        layout.tooltip = build->tooltip;
        main.TooltipEdit.setMaxLength(build->tooltip.length);
        main.StartEdit.setMaxLength(build->startText.length);
        for (int i = 0; i < shellpatch::kEntryCount; ++i) {
            const auto field = build->captions[i];
            if (!field.present())
                continue;
            layout.captions[i] = field;
            captionEdit(static_cast<Entry>(i)).setMaxLength(field.length);
        }
    }
    // A try that fails to read is no verdict on the build; the detection
    // moves on to the next one.
    // The start-up's detection ignores a working copy that cannot be read;
    // a choice made later shows why nothing was read.
    if (auto read = readTexts(); !read && !detecting_)
        showError(read.error().message, kErrorCaption);
    Loading = true;
    startmenu::readVisibility(env.registry, visibilityBoxes(), isIe4());
    Loading = false;
}

platform::Status TMainForm::readTexts() {
    Loading = true;
    main.StartEdit.setText("");
    main.TooltipEdit.setText("");
    auto file = platform::openFile(env.machine, paths.explorerTmp, platform::OpenMode::Read);
    if (!file) {
        Loading = false;
        return file.error();
    }
    const auto textCodec = codec();
    auto readInto = [&](platform::Edit& edit, shellpatch::TextField field) {
        auto text = shellpatch::readTextField(*file, field, textCodec);
        if (text)
            edit.setText(*text);
        return text.ok();
    };
    auto readAll = [&]() -> bool {
        if (!readInto(main.StartEdit, layout.startText) ||
            !readInto(main.TooltipEdit, layout.tooltip))
            return false;
        for (Entry e : {Entry::Programs, Entry::Documents, Entry::Settings, Entry::Find,
                        Entry::Help, Entry::Run, Entry::Suspend, Entry::ShutDown})
            if (!readInto(captionEdit(e), layout.captions[static_cast<int>(e)]))
                return false;
        if (isIe4()) {
            for (auto* image : {&main.FavImg, &main.LogImg}) {
                image->setShowHint(true);
                image->setEnabled(true);
            }
            main.LogCB.setEnabled(true);
            for (Entry e : {Entry::Favorites, Entry::LogOff}) {
                auto& edit = captionEdit(e);
                edit.setEnabled(true);
                edit.setColor(ControlColor::Window);
                if (!readInto(edit, layout.captions[static_cast<int>(e)]))
                    return false;
            }
        } else {
            for (auto* edit : {&main.FavEdit, &main.LogEdit}) {
                edit->setText("");
                edit->setEnabled(false);
                edit->setColor(ControlColor::ButtonFace);
            }
            for (auto* image : {&main.FavImg, &main.LogImg}) {
                image->setEnabled(false);
                image->setShowHint(false);
            }
            main.LogCB.setEnabled(false);
        }
        auto height = shellpatch::readInt32(*file, layout.logoOffset + shellpatch::kLogoHeight);
        if (!height)
            return false;
        main.ScrollBar.setPosition(*height > shellpatch::kLogoMaxHeight
                                       ? shellpatch::kLogoMaxHeight
                                       : shellpatch::kLogoMaxHeight - *height);
        main.ScrollCount.setCaption(
            std::to_string(shellpatch::kLogoMaxHeight - main.ScrollBar.position()));
        auto header = shellpatch::readInt32(*file, layout.logoOffset + shellpatch::kLogoHeaderSize);
        if (!header)
            return false;
        BuildVerified = static_cast<std::uint32_t>(*header) == shellpatch::kBitmapInfoHeaderSize;
        return true;
    };
    if (!readAll()) {
        for (Entry e :
             {Entry::Programs, Entry::Favorites, Entry::Documents, Entry::Settings, Entry::Find,
              Entry::Help, Entry::Run, Entry::LogOff, Entry::Suspend, Entry::ShutDown})
            captionEdit(e).setText("");
        main.StartEdit.setText("");
        main.TooltipEdit.setText("");
    }
    (void)file->close();
    Loading = false;
    return {};
}

platform::Status TMainForm::writeField(shellpatch::TextField field, const platform::Edit& edit) {
    return writeText({edit.text(), field, edit.maxLength()});
}

} // namespace velkan::app
