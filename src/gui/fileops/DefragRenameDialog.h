#pragma once
// The preview of "Rename to the DeFRaG convention": every selected demo with the name it would
// get, or why it keeps its name; "Rename" renames those that can be.
#include <QDialog>

#include <vector>

#include "core/library/DefragNames.h"

class QPushButton;
class QTreeWidget;

namespace gui {

class DefragRenameDialog : public QDialog {
    Q_OBJECT
public:
    DefragRenameDialog(const std::vector<core::DefragRename>& plan, QWidget* parent);

    QTreeWidget& Preview() const { return *m_preview; }
    QPushButton& RenameButton() const { return *m_rename; }

private:
    QTreeWidget* m_preview;
    QPushButton* m_rename;
};

} // namespace gui
