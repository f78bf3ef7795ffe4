#pragma once
// What the desktop program's test build runs once its window shows: it types
// the shop address from RONGFAN_PROBE_SHOP, clicks the search button, and
// closes the window as soon as the step RONGFAN_PROBE_CLOSE_WHEN names is
// under way on its worker ("walk": the walker asked for result page 2;
// "harvest": the harvester asked for an item page; "export": a row exists, the
// save button was clicked and its export started). Reports go to
// RONGFAN_PROBE_FOLDER. It prints "closing during <step>" on stdout just before it closes;
// with RONGFAN_PROBE_VERBOSE set, a line of the search's state every second too.
namespace rongfan {
class MainWindow;
namespace testing {
void StartDesktopProbe(MainWindow& window);
}  // namespace testing
}  // namespace rongfan
