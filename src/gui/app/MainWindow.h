#pragma once
#include <QMainWindow>

namespace gui {

// The main window (TForm1): the folder tree, the demo list and the play list.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
};

} // namespace gui
