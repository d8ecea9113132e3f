#include "gui/lists/SearchBar.h"

#include <QAction>

namespace gui {

SearchBar::SearchBar(QWidget* parent) : QLineEdit(parent)
{
    setPlaceholderText(QStringLiteral(
        "Search every folder: words, player:name, map:q3dm6, type:ctf, mod:, after:2019-01-01, rating>=8, pov:yes"));
    setClearButtonEnabled(true);
    setToolTip(QStringLiteral(
        "Words are looked for in demo names, maps, map titles, host names, player names, mods and descriptions,\n"
        "in any script and any case.\n"
        "player:NAME finds a player whose name or clan tag contains NAME (colours do not matter).\n"
        "map:, type: (ffa, 1v1, tdm, ctf ...), mod: and protocol: match whole values.\n"
        "after:YYYY-MM-DD and before:YYYY-MM-DD limit the recording date; rating>=N the rating;\n"
        "pov:yes, pov:no or pov:NAME the point of view.\n"
        "A facet given twice is either value (player:a player:b, map:q3dm6,q3dm17); two bounds of one side\n"
        "are either too (the wider counts), a lower and an upper bound make a range (rating>=5 rating<=8)."));
    m_pause.setSingleShot(true);
    m_pause.setInterval(kTypingPauseMs);
    connect(&m_pause, &QTimer::timeout, this, &SearchBar::SearchNow);
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.trimmed().isEmpty()) {
            m_pause.stop();
            emit cleared();
        } else {
            m_pause.start();
        }
    });
    connect(this, &QLineEdit::returnPressed, this, &SearchBar::SearchNow);
    // Ctrl+F and the desktop's search keys lead to the bar from anywhere in the window.
    auto* find = new QAction(this);
    find->setObjectName(QStringLiteral("FindAction"));
    find->setShortcuts({QKeySequence(QKeySequence::Find), QKeySequence(Qt::Key_Search), QKeySequence(Qt::Key_Find)});
    find->setShortcutContext(Qt::WindowShortcut);
    addAction(find);
    connect(find, &QAction::triggered, this, [this] {
        window()->activateWindow(); // also when the key was pressed in a tool window over it
        setFocus(Qt::ShortcutFocusReason);
        selectAll();
    });
}

void SearchBar::SearchNow()
{
    m_pause.stop();
    if (!text().trimmed().isEmpty())
        emit searchRequested(text());
}

void SearchBar::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    emit focused();
}

} // namespace gui
