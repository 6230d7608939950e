// A model control outlives the views bound to it: a dialog shown again and
// again binds its widgets each time, and what the closed ones left must go.
#include "platform/ui/ControlBinding.h"

#include "platform/Controls.h"

#include <QApplication>
#include <QLineEdit>
#include <gtest/gtest.h>
#include <memory>

using namespace velkan::platform;

TEST(ControlBinding, HooksOfClosedViewsGoAndTheModelsOwnStays) {
    int argc = 1;
    char name[] = "ui_tests";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);

    Edit edit("StartEdit");
    int modelUpdates = 0;
    edit.onUpdate = [&modelUpdates] { ++modelUpdates; };
    for (int showing = 0; showing < 50; ++showing) {
        auto widget = std::make_unique<QLineEdit>();
        ui::bindEdit(widget.get(), edit);
        edit.setText("showing " + std::to_string(showing));
        EXPECT_EQ(widget->text(), QString::fromStdString("showing " + std::to_string(showing)));
    }
    // The model's own hook and nothing of the fifty closed views.
    EXPECT_EQ(ui::updateHookCount(edit), 1u);
    const int before = modelUpdates;
    edit.setText("after");
    EXPECT_EQ(modelUpdates, before + 1);

    // A view alive now follows the model; once gone, it is dropped.
    auto widget = std::make_unique<QLineEdit>();
    ui::bindEdit(widget.get(), edit);
    edit.setText("live");
    EXPECT_EQ(widget->text(), "live");
    EXPECT_GT(ui::updateHookCount(edit), 1u);
    widget.reset();
    EXPECT_EQ(ui::updateHookCount(edit), 1u);
}
