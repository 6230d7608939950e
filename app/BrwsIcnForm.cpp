#include "app/BrwsIcnForm.h"

#include "platform/AtomicFile.h"
#include "platform/IconFileWriter.h"
#include "platform/IconLibrary.h"
#include "platform/WinPath.h"

namespace velkan::app {

namespace {
// Icons are handed to the window thread in slices, so the list's owner
// never waits long and never holds much that is not shown yet.
constexpr std::size_t kSlice = 16;
} // namespace

void IconListView::clear() {
    images_.clear();
    items_.clear();
    selected_ = -1;
    updated();
}

void IconListView::appendImages(std::vector<platform::Icon> icons) {
    for (auto& icon : icons)
        images_.push_back(std::move(icon));
    updated();
}

void IconListView::addItem(std::string caption) {
    items_.push_back(std::move(caption));
    updated();
}

void IconListView::select(int index) {
    if (index < -1 || index >= static_cast<int>(items_.size()))
        index = -1;
    set(selected_, index);
}

TBrwsIcnForm::TBrwsIcnForm(platform::UserQuestions& questions, platform::Machine machine,
                           std::string windowsFolder)
    : Form("BrwsIcnForm"), questions_(questions), machine_(std::move(machine)),
      windowsFolder_(std::move(windowsFolder)), loader_(questions) {
    setCaption("Load Icon");
    setWidth(417);
    setHeight(379);
    NameEd.setText("SHELL32.DLL");
    BrowseBn.setCaption("&Browse");
    SaveBn.setCaption("&Save as icon");
    SaveBn.setEnabled(false);
    OKBn.setCaption("&OK");
    CancelBn.setCaption("&Cancel");
    NameEd.onKeyPress = [this](char key) {
        NameEdKeyPress(key, &NameEd);
        return key != kEnter && key != kEscape;
    };
    BrowseBn.onClick = [this] { BrowseBnClick(); };
    SaveBn.onClick = [this] { SaveBnClick(); };
    OKBn.onClick = [this] { OKBnClick(); };
    CancelBn.onClick = [this] { CancelBnClick(); };
    LstVw.onClick = [this] { LstVwClick(); };
    FormCreate();
}

TBrwsIcnForm::~TBrwsIcnForm() {
    abandonLoad();
}

void TBrwsIcnForm::FormCreate() {
    browserFile.clear();
}

void TBrwsIcnForm::FormClose() {
    focusFileBox();
}

void TBrwsIcnForm::focusFileBox() {
    NameEd.selectAll();
    if (onFocusFileBox)
        onFocusFileBox();
}

void TBrwsIcnForm::closeWith(int result) {
    FormClose();
    setModalResult(result);
}

void TBrwsIcnForm::NameEdKeyPress(char key, const platform::Control* sender) {
    if (key == kEnter && !busy_) {
        browserFile = NameEd.text();
        startLoad();
        if (sender != &OKBn)
            focusFileBox();
    } else if (key == kEscape) {
        closeWith(platform::IDCANCEL);
    }
}

void TBrwsIcnForm::startLoad() {
    // A load still running is abandoned: what it posted is dropped.
    loader_.stop();
    busy_ = true;
    Status.setPanel(0, "Loading...");
    if (!LstVw.images().empty())
        LstVw.clear();

    const auto file = platform::findIconFile(machine_, browserFile, windowsFolder_);
    auto anyIcon = std::make_shared<bool>(false); // the worker's, until it has finished
    loader_.start(
        [this, file, anyIcon](const platform::BackgroundWork::Post& post, std::stop_token stop) {
            const auto library =
                file ? platform::IconLibrary::open(*file) : platform::IconLibrary();
            std::vector<platform::Icon> slice;
            for (int i = 0; i < library.count() && !stop.stop_requested(); ++i) {
                auto icon = library.icon(i);
                *anyIcon |= icon.has_value();
                slice.push_back(icon ? std::move(*icon) : platform::Icon{});
                if (slice.size() == kSlice || i + 1 == library.count()) {
                    post([this, icons = std::move(slice)]() mutable {
                        LstVw.appendImages(std::move(icons));
                    });
                    slice.clear();
                }
            }
        },
        [this, anyIcon] {
            // A file whose every icon is unreadable lists nothing.
            if (!*anyIcon && !LstVw.images().empty())
                LstVw.clear();
            finishLoad();
        });
}

void TBrwsIcnForm::finishLoad() {
    const auto count = LstVw.images().size();
    for (std::size_t i = 0; i < count; ++i) {
        LstVw.addItem("Icon " + std::to_string(i));
        if (i == 0) {
            LstVw.select(0);
            LstVwClick();
        }
    }
    busy_ = false;
    if (count > 0) {
        SaveBn.setEnabled(true);
    } else {
        Status.setPanel(1, kNotFound);
        SaveBn.setEnabled(false);
    }
    Status.setPanel(0, "");
}

void TBrwsIcnForm::abandonLoad() {
    loader_.stop();
    busy_ = false;
}

void TBrwsIcnForm::BrowseBnClick() {
    platform::FileDialogRequest request;
    request.filter = "All files (*.*)|*.*|EXE|*.exe|DLL|*.dll|ICO|*.ico";
    request.fileMustExist = true;
    if (auto file = questions_.openFile(request)) {
        NameEd.setText(*file);
        NameEdKeyPress(kEnter, &BrowseBn);
    }
}

void TBrwsIcnForm::LstVwClick() {
    if (LstVw.selected() < 0) {
        selectedIconIndex = 0;
        return;
    }
    selectedIconIndex = LstVw.selected();
    Status.setPanel(1, browserFile + "," + std::to_string(selectedIconIndex));
}

void TBrwsIcnForm::LstVwDblClick() {
    if (LstVw.selected() >= 0)
        OKBnClick();
}

void TBrwsIcnForm::LstVwKeyUp(char key) {
    LstVwClick();
    if (key == kEnter)
        OKBnClick();
    else if (key == kEscape)
        CancelBnClick();
}

void TBrwsIcnForm::OKBnClick() {
    if (!LstVw.images().empty())
        accepted = true;
    closeWith(platform::IDOK);
}

void TBrwsIcnForm::CancelBnClick() {
    closeWith(platform::IDCANCEL);
}

void TBrwsIcnForm::SaveBnClick() {
    platform::FileDialogRequest request;
    request.filter = "Icon file (*.ico)|*.ico";
    request.defaultExtension = "ico";
    request.fileName = "Icon " + std::to_string(selectedIconIndex);
    request.overwritePrompt = false;
    const auto name = questions_.saveFile(request);
    if (!name)
        return;
    std::optional<platform::Icon> icon;
    if (auto file = platform::findIconFile(machine_, NameEd.text(), windowsFolder_))
        icon = platform::IconLibrary::open(*file).icon(selectedIconIndex);
    if (!icon) {
        questions_.messageBox(NameEd.text() + "\rThe icon cannot be read.", "Error...",
                              platform::MessageIcon::Error, platform::MessageButtons::OK);
        return;
    }
    const auto bytes = platform::writeIconFile16(*icon);
    auto host = platform::resolveWinPath(machine_, *name);
    platform::Status written =
        host ? platform::writeFileAtomically(
                   *host,
                   std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()))
             : platform::Status(host.error());
    if (!written)
        questions_.messageBox(written.error().message, "Error...", platform::MessageIcon::Error,
                              platform::MessageButtons::OK);
}

} // namespace velkan::app
