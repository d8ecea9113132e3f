#pragma once
// The search bar above the demo list. It asks for a search a moment after the user stops typing,
// so that the results follow the typing without a search for every key.
#include <QLineEdit>
#include <QTimer>

namespace gui {

class SearchBar : public QLineEdit {
    Q_OBJECT
public:
    explicit SearchBar(QWidget* parent = nullptr);

    // How long typing must pause before the search runs.
    static constexpr int kTypingPauseMs = 150;
    // Runs the pending search now (Enter does the same).
    void SearchNow();

signals:
    void searchRequested(const QString& text);
    // The bar was emptied: the list goes back to the folder.
    void cleared();
    void focused();

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    QTimer m_pause;
};

} // namespace gui
