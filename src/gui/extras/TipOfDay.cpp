#include "gui/extras/TipOfDay.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStyle>
#include <QVBoxLayout>

#include <iterator>

#include "gui/extras/GameFont.h"

namespace gui {
namespace {

const char* const kTips[] = {
    "Drag demos from the demo list into the play list, then press \"Play Current List\" (Ctrl+P): the game "
    "plays them one after another in a single run.",
    "Demos inside .pk3 and .zip archives are listed like any other. You can play them without unpacking them "
    "yourself: Velmora extracts a temporary copy for the game and cleans it up later.",
    "Listing a big folder takes a while the first time. Press Escape to stop it; the next listing of the same "
    "folder is fast, because each folder keeps a small cache of what was read.",
    "A demo looks wrong in the list? Press F6 (\"Reparse List\") to read every demo of the folder again instead "
    "of taking it from the folder's cache. F5 only refreshes the list.",
    "Click a column header to sort by it, click it again to reverse the order. The column buttons on the command "
    "bar choose which columns are shown, and in which order.",
    "Drop a folder from your file manager onto the folder tree to look for demos in it. Folders with demos are "
    "drawn in their own colour, and \"Cut non-demo Folders\" leaves only the paths that lead to demos.",
    "Ctrl+E edits the user data of the selected demo: its point of view, your rating, a web location and a "
    "description. Velmora keeps them in its own files, and they can be shown as columns.",
    "\"Properties..\" shows the level shot, the players, the scores and the course of the match, and plays the "
    "map's music from your game packs. The sound options set its volume, or switch it off.",
    "Save a play list (Ctrl+S) to watch the same demos again another day; Ctrl+L loads it back.",
    "While the game plays your list, the playback keys of \"Demo Playback Control Keys..\" pause it or skip to "
    "the next demo.",
};

} // namespace

int TipOfDay::TipCount()
{
    return static_cast<int>(std::size(kTips));
}

QString TipOfDay::Tip(int index)
{
    return index >= 0 && index < TipCount() ? QString::fromLatin1(kTips[index]) : QString();
}

TipOfDay::TipOfDay(bool showAtStartUp, int first, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TipOfDay"));
    setWindowTitle(QStringLiteral("Tip of the Day"));
    m_tip = first >= 0 ? first % TipCount() : int(QRandomGenerator::global()->bounded(TipCount()));

    auto* layout = new QVBoxLayout(this);
    auto* body = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(40, 40));
    icon->setAlignment(Qt::AlignTop);
    body->addWidget(icon);
    auto* column = new QVBoxLayout;
    auto* heading = new QLabel(QStringLiteral("Did you know..."), this);
    heading->setFont(GameFont(22));
    column->addWidget(heading);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("TipText"));
    m_text->setWordWrap(true);
    m_text->setMinimumSize(380, 90);
    m_text->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    column->addWidget(m_text, 1);
    m_counter = new QLabel(this);
    m_counter->setAlignment(Qt::AlignRight);
    column->addWidget(m_counter);
    body->addLayout(column, 1);
    layout->addLayout(body, 1);

    auto* bottom = new QHBoxLayout;
    m_startUp = new QCheckBox(QStringLiteral("Show tips at start-up"), this);
    m_startUp->setChecked(showAtStartUp);
    bottom->addWidget(m_startUp);
    bottom->addStretch();
    auto* buttons = new QDialogButtonBox(this);
    m_next = buttons->addButton(QStringLiteral("&Next Tip"), QDialogButtonBox::ActionRole);
    QPushButton* close = buttons->addButton(QStringLiteral("&Close"), QDialogButtonBox::RejectRole);
    close->setDefault(true);
    connect(m_next, &QPushButton::clicked, this, &TipOfDay::NextTip);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    bottom->addWidget(buttons);
    layout->addLayout(bottom);

    m_text->setText(Tip(m_tip));
    m_counter->setText(QStringLiteral("Tip %1 of %2").arg(m_tip + 1).arg(TipCount()));
}

void TipOfDay::NextTip()
{
    m_tip = (m_tip + 1) % TipCount();
    m_text->setText(Tip(m_tip));
    m_counter->setText(QStringLiteral("Tip %1 of %2").arg(m_tip + 1).arg(TipCount()));
}

QString TipOfDay::CurrentText() const
{
    return m_text->text();
}

bool TipOfDay::ShowAtStartUp() const
{
    return m_startUp->isChecked();
}

bool TipOfDay::Run(QWidget* parent, bool showAtStartUp)
{
    TipOfDay dialog(showAtStartUp, -1, parent);
    dialog.exec();
    return dialog.ShowAtStartUp();
}

} // namespace gui
