#pragma once
// "Export video..." of the demo list: the selected demo filmed as a whole.
namespace gui {

class MainWindow;

void ConnectVideoCommands(MainWindow& window);

} // namespace gui
