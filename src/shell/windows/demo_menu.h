#pragma once
// The "Demo" menu of the built-in simulated instrument: one item that pulls its cable out and
// puts it back, so that the connection monitor can be watched at work. Its captions are
// language entries 1002 (the menu), 1003 (unplug) and 1004 (plug in).

#include <functional>

class QMenu;
class TForm1;

namespace zv318 {

struct DemoCable {
    std::function<bool()> plugged;
    std::function<void(bool)> setPlugged;  // also tells the connection monitor
};

// Adds the menu to the main window's menu bar; its captions follow the window's language.
QMenu* AddDemoMenu(TForm1& form, const DemoCable& cable);

}  // namespace zv318
