#include "app/IconFm.h"

namespace velkan::app {

TIconFm::TIconFm() : Form("IconFm") {
    setCaption("Other start menu icons");
    setWidth(326);
    setHeight(62);
    setVisible(false);
    const char* hints[] = {"Settings (4.ico)",  "Find (5.ico)",   "Help (6.ico)",
                           "Run (7.ico)",       "Logoff (8.ico)", "Suspend (9.ico)",
                           "Shut down (10.ico)"};
    auto list = images();
    for (std::size_t i = 0; i < list.size(); ++i)
        list[i]->setHint(hints[i]);
    UpBn.setHint("Stay visible");
    // A toggle: each click flips it.
    UpBn.onClick = [this] { UpBn.setDown(!UpBn.down()); };
}

void TIconFm::show(int left, int top) {
    setLeft(left);
    setTop(top);
    setVisible(true);
}

void TIconFm::hideUnlessHeld() {
    if (UpBn.down())
        return;
    setVisible(false);
    if (MoreBn)
        MoreBn->setDown(false);
}

void TIconFm::FormDeactivate() {
    hideUnlessHeld();
}

void TIconFm::FormClose() {
    setVisible(false);
    UpBn.setDown(false);
    if (MoreBn)
        MoreBn->setDown(false);
}

} // namespace velkan::app
