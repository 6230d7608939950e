#pragma once

#include <QWidget>
#include <memory>

#include "app/mainform/MainForm.h"
#include "platform/ui/ControlBinding.h"

namespace Ui {
class TabSheet2;
class TabSheet3;
class TabSheet4;
class TabSheet1;
} // namespace Ui

// The four pages of the main window, one view class each, laid out in their
// form files and bound to the main window's model.
namespace velkan::app::ui {

// How the shell's 8-bit texts are shown: through the code page of the build
// that is selected at the moment.
platform::ui::TextConversion shellTextConversion(TMainForm& form);

class MainPage : public QWidget {
public:
    MainPage(TMainForm& form, QWidget* parent);
    ~MainPage() override;

private:
    std::unique_ptr<Ui::TabSheet2> ui_;
};

class ThemePage : public QWidget {
public:
    ThemePage(TMainForm& form, QWidget* parent);
    ~ThemePage() override;

private:
    std::unique_ptr<Ui::TabSheet3> ui_;
};

class OtherPage : public QWidget {
public:
    OtherPage(TMainForm& form, QWidget* parent);
    ~OtherPage() override;

private:
    std::unique_ptr<Ui::TabSheet4> ui_;
};

class AboutPage : public QWidget {
public:
    AboutPage(TMainForm& form, QWidget* parent);
    ~AboutPage() override;

private:
    std::unique_ptr<Ui::TabSheet1> ui_;
};

} // namespace velkan::app::ui
