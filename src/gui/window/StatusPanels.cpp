#include "window/StatusPanels.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

namespace gui {
namespace {

QLabel* MakePanel(QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

StatusPanels::StatusPanels(QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(true);
    m_folder = MakePanel(this, "Panel1");
    m_second = new QWidget(this);
    auto* secondLayout = new QHBoxLayout(m_second);
    secondLayout->setContentsMargins(0, 0, 0, 0);
    secondLayout->setSpacing(2);
    m_list = MakePanel(m_second, "Panel2");
    m_progress = new QProgressBar(m_second);
    m_progress->setObjectName(QStringLiteral("ListingProgress"));
    m_progress->setRange(0, 0);
    m_progress->setMaximumWidth(120);
    m_progress->setMaximumHeight(16);
    m_progress->setTextVisible(false);
    m_progress->hide();
    secondLayout->addWidget(m_list, 1);
    secondLayout->addWidget(m_progress);
    m_play = MakePanel(this, "Panel3");
    // The first two panels are as wide as the panes above them; the third takes the rest.
    m_folder->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    m_second->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    addWidget(m_folder);
    addWidget(m_second);
    addWidget(m_play, 1);
}

void StatusPanels::SetFolderPath(const QString& path)
{
    m_folderPath = path;
    Elide();
}

void StatusPanels::SetListText(const QString& text, const QString& prefix)
{
    m_listPrefix = prefix;
    m_listText = text;
    Elide();
}

void StatusPanels::SetPlayListText(const QString& text)
{
    m_play->setText(text);
}

QString StatusPanels::PlayListText() const
{
    return m_play->text();
}

void StatusPanels::SetPanelWidths(int first, int second)
{
    m_folder->setFixedWidth(std::max(0, first));
    m_second->setFixedWidth(std::max(0, second));
    // The status bar lays its widgets out again only when told.
    reformat();
    Elide();
}

void StatusPanels::SetBusy(bool busy)
{
    m_progress->setVisible(busy);
}

bool StatusPanels::Busy() const
{
    return m_progress->isVisibleTo(this);
}

void StatusPanels::PaintNow()
{
    m_folder->repaint();
    m_list->repaint();
}

void StatusPanels::resizeEvent(QResizeEvent* event)
{
    QStatusBar::resizeEvent(event);
    Elide();
}

void StatusPanels::Elide()
{
    const int margin = 8;
    m_folder->setText(
        m_folder->fontMetrics().elidedText(m_folderPath, Qt::ElideMiddle, std::max(0, m_folder->width() - margin)));
    m_folder->setToolTip(m_folderPath);
    const int room = std::max(0, m_list->width() - margin - m_list->fontMetrics().horizontalAdvance(m_listPrefix));
    m_list->setText(m_listPrefix + m_list->fontMetrics().elidedText(m_listText, Qt::ElideMiddle, room));
}

} // namespace gui
