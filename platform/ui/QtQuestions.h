#pragma once

#include <QString>
#include <functional>
#include <map>
#include <typeindex>
#include <typeinfo>
#include <string>

#include "platform/Machine.h"
#include "platform/UserQuestions.h"

class QWidget;

namespace velkan::platform::ui {

// The user questions as real dialogs: message boxes with the Windows icons,
// the open and save dialogs over the machine's drives (with a picture preview
// for icons and bitmaps), and the views of modal window models.
class QtQuestions final : public UserQuestions {
public:
    explicit QtQuestions(Machine machine);

    // Shows `window` modally and returns its result; the application
    // registers one view per window class name.
    // The view that shows one kind of modal window, found by the window's
    // own type when it is shown.
    template <class Window> void registerModalView(int (*view)(Window& window, QWidget* parent)) {
        views_[std::type_index(typeid(Window))] = [view](ModalWindow& window, QWidget* parent) {
            return view(static_cast<Window&>(window), parent);
        };
    }

    // The window the dialogs belong to (centred on, modal for).
    void setParentWindow(QWidget* parent) { parent_ = parent; }
    QWidget* parentWindow() const { return parent_; }

    int messageBox(const MessageBoxRequest& request) override;
    using UserQuestions::messageBox;
    std::optional<std::string> openFile(const FileDialogRequest& request) override;
    std::optional<std::string> saveFile(const FileDialogRequest& request) override;
    int showModal(ModalWindow& window) override;
    void post(std::function<void()> work) override;
    void processPosted() override;

    // Windows filter strings in Qt's form: "Icons (*.ico)|*.ico" becomes
    // "Icons (*.ico) (*.ico *.ICO)", so that upper-case names from FAT disks match.
    static QStringList qtFilters(const std::string& filter);
    // A message text with its "\r" line breaks.
    static QString messageText(const std::string& text);

private:
    std::optional<std::string> fileDialog(const FileDialogRequest& request, bool saving);

    Machine machine_;
    QWidget* parent_ = nullptr;
    std::map<std::type_index, std::function<int(ModalWindow&, QWidget*)>> views_;
};

} // namespace velkan::platform::ui
