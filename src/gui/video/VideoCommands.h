#pragma once
// "Export video..." of the demo list: the selected demo filmed as a whole.
namespace gui {

class PaneHost;

void ConnectVideoCommands(PaneHost& window);

} // namespace gui
