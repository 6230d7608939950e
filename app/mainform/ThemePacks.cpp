// The "Theme Packs" page: walking the folders, the preview of the pack in the
// current folder, loading it into the main window and saving one.
#include "app/BrwsIcnForm.h"
#include "app/CreateThemeForm.h"
#include "app/mainform/MainForm.h"
#include "platform/Files.h"
#include "platform/IconLibrary.h"
#include "platform/WinPath.h"
#include "themes/LogoBitmap.h"
#include "themes/PackFormat.h"
#include "themes/PackIndex.h"
#include "themes/PackPreview.h"

#include <filesystem>

namespace velkan::app {

using platform::Picture;
using shellpatch::Entry;

namespace {

constexpr const char* kLogoHintPrefix = "Vertical logo ";
constexpr int kInfoWidth = 137;
constexpr int kInfoHeight = 26;
// Enough of a bitmap to read its header.
constexpr std::size_t kBitmapHeaderBytes = 54;

} // namespace

void TMainForm::buildThemeControls() {
    packs.DircetoryGB.setCaption("Directory:");
    packs.ProgressBar.setRange(0, 100);
    packs.ProgressBar.setStep(5);
    packs.ThemeBn.setEnabled(false);
    packs.OpenTh.setCaption("--->");
    packs.OpenTh.setHint("Open folder with theme pack");
    packs.OpenTh.setEnabled(false);
    packs.DescrGB.setCaption("Description:");
    packs.AuthorGB.setCaption("Author:");
    packs.PrevGB.setCaption("Preview:");
    packs.AboutRE.setReadOnly(true);
    packs.AuthorRE.setReadOnly(true);
    for (int i = 0; i < 3; ++i)
        previewItemImage(i)->setHint(themes::kItemIconHints[i]);
    packs.ImgLg.setBounds(140, 23, 21, 130);

    packs.DirListBox.onClick = [this] { DirListBoxClick(); };
    packs.DriveCB.onChange = [this] { DriveCBChange(); };
    packs.OpenTh.onClick = [this] { OpenThClick(); };
    packs.ThemeBn.onClick = [this] { ThemeBnClick(); };
    main.SaveThBn.onClick = [this] { SaveThBnClick(); };
}

platform::Image* TMainForm::previewItemImage(int index) {
    platform::Image* own[] = {&packs.Imag1, &packs.Imag2, &packs.Imag3};
    if (index < 3)
        return own[index];
    return packs.IconFmImages[static_cast<std::size_t>(index - 3)];
}

void TMainForm::startBrowser() {
    // The process's folder when it lies in the machine, as the shortcut's
    // working folder would be; else the program folder, else the root of C:.
    std::error_code ec;
    const auto here = std::filesystem::current_path(ec);
    std::string start = "C:\\";
    if (auto inside = platform::toWinPath(env.machine, here); !ec && inside)
        start = *inside;
    else if (!programFolder.empty() && platform::directoryExists(env.machine, programFolder))
        start = programFolder;
    if (!packs.DirListBox.setDirectory(start))
        (void)packs.DirListBox.setDirectory("C:\\");
    packs.DriveCB.setDrive(packs.DirListBox.drive());
}

bool TMainForm::showPreviewIcon(platform::Image& image, const std::string& file) {
    auto host = platform::resolveWinPath(env.machine, file);
    if (!host) {
        showError(host.error().message, "Error...");
        return false;
    }
    auto attributes = platform::host::fileAttributes(*host);
    if (!attributes) {
        showError(attributes.error().message, "Error...");
        return false;
    }
    // An icon file must open and hold an icon, as the picture loader demands.
    if (auto readable = platform::File::open(*host, platform::OpenMode::Read, file); !readable) {
        showError(readable.error().message, "Error...");
        return false;
    }
    const auto library = platform::IconLibrary::open(*host);
    if (library.kind() != platform::IconLibrary::Kind::IcoFile || library.count() == 0) {
        showError("Icon image is not valid", "Error...");
        return false;
    }
    image.setPicture({Picture::Kind::IconFile, host->string(), 0});
    return true;
}

bool TMainForm::showPreviewLogo(const std::string& file) {
    packs.ImgLg.clear();
    std::optional<std::string> problem;
    themes::BitmapSize size;
    auto host = platform::resolveWinPath(env.machine, file);
    if (!host) {
        problem = host.error().message;
    } else if (auto opened = platform::File::open(*host, platform::OpenMode::Read, file); !opened) {
        problem = opened.error().message;
    } else {
        auto length = opened->size();
        auto head = opened->read(std::min<std::uint64_t>(length.valueOr(0), kBitmapHeaderBytes));
        auto parsed = head ? themes::bitmapSize(*head) : std::nullopt;
        if (!head || head->size() < 2 || head->substr(0, 2) != "BM" || !parsed) {
            problem = "Bitmap image is not valid";
        } else {
            size = *parsed;
            packs.ImgLg.setPicture({Picture::Kind::BitmapFile, host->string(), 0});
        }
    }
    // The size and place are set also for a logo that would not load.
    const int height = size.height < 0 ? -size.height : size.height;
    // A top-down bitmap stores its height negative; the hint gives the size.
    packs.ImgLg.setHint(packs.ImgLg.hint() + std::to_string(size.width) + "x" +
                        std::to_string(height));
    packs.ImgLg.setWidth(size.width);
    packs.ImgLg.setHeight(height);
    packs.ImgLg.setTop(themes::previewLogoTop(height));
    if (problem) {
        showError(*problem, "Error...");
        return false;
    }
    return true;
}

void TMainForm::DirListBoxClick() {
    packs.DirListBox.openItem();
    packs.Info.setCaption("");
    packs.ImgLg.setHint(kLogoHintPrefix);
    const std::string folder = packs.DirListBox.directory();
    const auto preview = themes::readPackPreview(env.machine, folder);

    // What the pack lacks shows empty, not as the pack shown before had it.
    for (auto* image : {&packs.Img10, &packs.Img12, &packs.Img14, &packs.Img16, &packs.Img22,
                        &packs.Img32, &packs.ImgLg})
        image->clear();
    for (int i = 0; i < shellpatch::kEntryCount; ++i)
        if (auto* image = previewItemImage(i))
            image->clear();
    if (!preview.isPack) {
        packs.AboutThemeGB.setCaption("");
        packs.AboutRE.setVisible(false);
        packs.AuthorRE.setVisible(false);
        packs.ThemeBn.setEnabled(false);
        packs.OpenTh.setEnabled(false);
        return;
    }

    platform::Image* startImages[] = {&packs.Img10, &packs.Img12, &packs.Img14,
                                      &packs.Img16, &packs.Img22, &packs.Img32};
    for (std::size_t i = 0; i < preview.startIcons.size(); ++i)
        if (preview.startIcons[i] && !showPreviewIcon(*startImages[i], *preview.startIcons[i]))
            return;
    if (preview.logo && !showPreviewLogo(*preview.logo))
        return;
    for (int i = 0; i < shellpatch::kEntryCount; ++i) {
        auto* image = previewItemImage(i);
        if (image && preview.itemIcons[i] && !showPreviewIcon(*image, *preview.itemIcons[i]))
            return;
    }

    packs.AboutRE.setVisible(true);
    packs.AuthorRE.setVisible(true);
    packs.AboutRE.setText("");
    packs.AuthorRE.setText("");
    packs.AboutRE.setText(preview.description);
    packs.AuthorRE.setText(preview.author);
    packs.AboutThemeGB.setCaption(preview.name);

    if (main.StartEdit.enabled()) {
        packs.ThemeBn.setEnabled(true);
        packs.OpenTh.setEnabled(true);
    }
}

void TMainForm::DriveCBChange() {
    if (auto changed = packs.DirListBox.setDrive(packs.DriveCB.drive()); !changed) {
        showError("Drive not ready.", "Error...");
        packs.DriveCB.setDrive(packs.DirListBox.drive());
    }
}

void TMainForm::OpenThClick() {
    env.shell.ShellExecute("", packs.DirListBox.directory(), "", "", platform::SW_SHOWNORMAL);
}

void TMainForm::ThemeBnClick() {
    const std::string folder = packs.DirListBox.directory();
    if (!themes::holdsPack(env.machine, folder))
        return;
    loadedIconCount = 0;

    for (int size : themes::kStartIconSizes) {
        packs.ProgressBar.stepIt();
        const std::string file = themes::inFolder(folder, themes::startIconFile(size));
        if (!platform::fileExists(env.machine, file))
            continue;
        loadStartButtonIconWithRetry(file);
        main.StartSE.setHint("Loaded " + std::to_string(loadedIconCount) + " icon" +
                             (loadedIconCount == 1 ? "" : "s"));
    }

    packs.ProgressBar.stepIt();
    loadPackItemIcons(folder);

    const themes::PackIndex index(env.machine, folder);
    packs.ThemeBn.setEnabled(false);
    // Every key found counts as a caption change, even one that equals the edit.
    auto take = [this](platform::Edit& edit, const std::optional<std::string>& value) {
        if (!value)
            return;
        ProgEditChange();
        edit.setText(cutToLimit(*value, edit));
    };
    for (const auto& caption : themes::kCaptionKeys) {
        if (!shellpatch::entryInBuild(caption.entry, isIe4()))
            continue;
        packs.ProgressBar.stepIt();
        take(captionEdit(caption.entry), index.caption(themes::kStartMenuSection, caption.key));
    }
    const auto height = index.logoHeight();
    // The two Start-button keys advance the bar as the captions do, so the
    // text stage ends at 90 (no Favorites and Log Off) or 100.
    packs.ProgressBar.stepIt();
    take(main.StartEdit, index.startText());
    packs.ProgressBar.stepIt();
    take(main.TooltipEdit, index.tooltip());
    packs.ProgressBar.stepIt();

    if (height)
        main.ScrollBar.setPosition(shellpatch::kLogoMaxHeight - *height);
    packs.Info.setWidth(kInfoWidth);
    packs.Info.setHeight(kInfoHeight);
    packs.Info.setCaption("Note: Go to Main tab to see what has been changed");
    packs.ProgressBar.setPosition(100);
    if (const std::string logo = themes::inFolder(folder, themes::kLogoFile);
        platform::fileExists(env.machine, logo))
        loadLogo(logo);
    packs.ProgressBar.setPosition(0);
}

void TMainForm::loadPackItemIcons(const std::string& folder) {
    // A pack's icons are always the first icon of their file.
    if (BrwsIcnForm)
        BrwsIcnForm->selectedIconIndex = 0;
    for (int n = 1; n <= shellpatch::kEntryCount; ++n) {
        const auto entry = static_cast<Entry>(n - 1);
        if (!shellpatch::entryInBuild(entry, isIe4()))
            continue;
        const std::string file = themes::inFolder(folder, themes::itemIconFile(n));
        if (platform::fileExists(env.machine, file))
            setSlotIcon(entryButton(entry), file);
    }
}

void TMainForm::SaveThBnClick() {
    if (CreateTh)
        (void)env.questions.showModal(*CreateTh);
}

} // namespace velkan::app
