#pragma once

#include "platform/BackgroundWork.h"
#include "platform/Controls.h"
#include "platform/Icon.h"
#include "platform/Machine.h"
#include "platform/UserQuestions.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace velkan::app {

// The icon browser's large-icon list: one item per picture of its image
// list, captioned "Icon " + index, with one selected item at most.
class IconListView : public platform::Control {
public:
    using Control::Control;

    // ImgLst: the pictures in file order. An icon that could not be read keeps
    // its place as an empty picture, so that item N is always icon N.
    const std::vector<platform::Icon>& images() const { return images_; }
    const std::vector<std::string>& items() const { return items_; }
    int selected() const { return selected_; }

    void clear();
    void appendImages(std::vector<platform::Icon> icons);
    void addItem(std::string caption);
    // -1 selects nothing.
    void select(int index);

    std::function<void()> onClick;

private:
    std::vector<platform::Icon> images_;
    std::vector<std::string> items_;
    int selected_ = -1;
};

// A status bar of text panels.
class StatusBar : public platform::Control {
public:
    StatusBar(std::string name, int panels) : Control(std::move(name)), panels_(panels) {}
    const std::string& panel(int i) const { return panels_.at(i); }
    void setPanel(int i, std::string_view text) { set(panels_.at(i), std::string(text)); }

private:
    std::vector<std::string> panels_;
};

// "Load Icon": lists every icon of a file, filled on a worker thread so the
// dialog stays responsive, and hands the chosen file and icon back.
// Made once at start; its file, list and selection last until exit.
class TBrwsIcnForm : public platform::Form, public platform::ModalWindow {
public:
    // Bare file names ("SHELL32.DLL") are looked for in the System and
    // Windows folders of `windowsFolder`, as Windows looks for modules.
    TBrwsIcnForm(platform::UserQuestions& questions, platform::Machine machine,
                 std::string windowsFolder);
    ~TBrwsIcnForm() override;

    std::string windowName() const override { return "TBrwsIcnForm"; }
    std::string caption() const override { return Form::caption(); }

    platform::Edit NameEd{"NameEd"};
    platform::Button BrowseBn{"BrowseBn"}, SaveBn{"SaveBn"}, OKBn{"OKBn"}, CancelBn{"CancelBn"};
    IconListView LstVw{"LstVw"};
    StatusBar Status{"StatusBar", 2};

    // What the caller reads after showing the dialog.
    std::string browserFile;
    int selectedIconIndex = 0;
    bool accepted = false;
    // True while a list load runs; no second load starts meanwhile.
    bool busy() const { return busy_; }

    static constexpr char kEnter = '\r';
    static constexpr char kEscape = 27;
    static constexpr const char* kNotFound = "File or icons in the file are not found";

    void FormCreate();
    void FormClose();
    // Enter starts a list load of the file box's file; Escape closes. The
    // caller passes &OKBn so that the focus stays where it is.
    void NameEdKeyPress(char key, const platform::Control* sender);
    void BrowseBnClick();
    void LstVwClick();
    void LstVwDblClick();
    void LstVwKeyUp(char key);
    void OKBnClick();
    void CancelBnClick();
    void SaveBnClick();

    // The main window closes: a load still running stops at its next icon,
    // its thread is joined, and nothing it had found reaches the list.
    void abandonLoad();

    // Set when a handler moves the focus to the file box.
    std::function<void()> onFocusFileBox;

private:
    void startLoad();
    void finishLoad();
    void focusFileBox();
    void closeWith(int result);

    platform::UserQuestions& questions_;
    platform::Machine machine_;
    std::string windowsFolder_;
    bool busy_ = false;
    platform::BackgroundWork loader_; // reads the file's icons

};

} // namespace velkan::app
