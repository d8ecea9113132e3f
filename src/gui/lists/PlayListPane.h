#pragma once
// The play list (ListView2): the demos the user gathered for playing, in play order. Rows come
// from the demo list by drag and drop or "Move to Playlist", are reordered by dragging one row
// and leave by "Remove from Playlist" or by a drop on the demo list. A label over the list shows
// the name of the loaded play list file, fading in and out.
#include "gui/lists/ListPane.h"

class QLabel;
class QPropertyAnimation;

namespace gui {

class DemoListPane;

class PlayListPane : public ListPane {
    Q_OBJECT
public:
    explicit PlayListPane(QWidget* parent = nullptr);

    // The demo list whose selection drops and "Move to Playlist" copy.
    void SetDemoList(DemoListPane* demoList) { m_demoList = demoList; }

    // Copies the demo list's selected rows, in list order, before row `before` (-1: at the end),
    // selects the copies and shows the totals of the whole play list.
    void AddFromDemoList(int before);
    // Moves the one selected row onto `target`: below it when it came from above, else above it.
    void MoveSelectedOnto(int target);
    void RemoveSelected();

    // "Play List corrupted, nothing to load" or the loaded file's path, fading in and out.
    void SetNameLabel(const QString& text);
    QString NameLabelText() const;
    bool NameLabelVisible() const;
    void SetNameLabelVisible(bool visible);

    QAction* PlayAction() const { return m_play; }
    QAction* RemoveAction() const { return m_remove; }
    QAction* EditUserDataAction() const { return m_editUserData; }
    QAction* PropertiesAction() const { return m_properties; }

signals:
    void statusText(const QString& text);
    void commandsChanged();

protected:
    bool AcceptsDrop(const QMimeData* data, const QPoint& viewportPos) override;
    void Drop(const QMimeData* data, const QPoint& viewportPos) override;
    void ContextMenuAt(const QPoint& globalPos) override;
    void Activated(int row) override;

private:
    void UpdateCommands();
    void ShowTotalsOfAll();

    DemoListPane* m_demoList = nullptr;
    QLabel* m_nameLabel = nullptr;
    QString m_nameText;
    QPropertyAnimation* m_fade = nullptr;

    QAction* m_play = nullptr;
    QAction* m_remove = nullptr;
    QAction* m_editUserData = nullptr;
    QAction* m_properties = nullptr;
};

} // namespace gui
