#pragma once
// The virtual folder "Search results" under the folder tree: selected while the demo list shows
// the results of a library search; a click shows the last results again.
#include <QTreeWidget>

namespace gui {

class SearchResultsNode : public QTreeWidget {
    Q_OBJECT
public:
    explicit SearchResultsNode(QWidget* parent = nullptr);

    void SetShown(bool shown);
    bool Shown() const;
    QTreeWidgetItem& Item() { return *topLevelItem(0); }
    QSize sizeHint() const override;

signals:
    void chosen();
};

} // namespace gui
