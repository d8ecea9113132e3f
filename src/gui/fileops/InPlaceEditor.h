#pragma once
// The in-place editor of a name in a list or in the folder tree: a line edit laid over the item.
// Return or leaving the editor ends the editing with the typed text; Escape cancels it. While it
// is open, the key of the command that would act on the item (Del) is taken away and given back
// when the editing ends.
#include <QKeySequence>
#include <QLineEdit>
#include <QPointer>

#include <functional>

class QAbstractItemView;
class QAction;

namespace gui {

class InPlaceEditor : public QLineEdit {
    Q_OBJECT
public:
    // Opens over `rect` (viewport coordinates) of the view with the text selected. `done` gets
    // the text when the editing ends with a new text; a cancelled or unchanged edit calls nothing.
    InPlaceEditor(QAbstractItemView& view, const QRect& rect, const QString& text, QAction* keyTaken,
                  std::function<void(const QString&)> done);
    ~InPlaceEditor() override;

    // Ends the editing as Return would.
    void Commit();
    void Cancel();
    // The editing has ended; the editor goes once control returns to the event loop.
    bool IsFinished() const { return m_finished; }

protected:
    bool event(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Finish(bool accepted);

    QString m_original;
    QPointer<QAction> m_keyTaken;
    QKeySequence m_takenKey;
    QPointer<QAbstractItemView> m_view;
    std::function<void(const QString&)> m_done;
    bool m_finished = false;
};

} // namespace gui
