#include "gui/common/StatusPanels.h"

#include <QEvent>
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

// Holds a panel at a wished width. Its size hint is the wish and its minimum is nothing, so
// that the panel gives way when the bar is narrower: a fixed width would raise the window's
// minimum width with every wish, and a wish made from the window's width would then widen the
// window without end.
class PanelSlot : public QWidget {
public:
    explicit PanelSlot(QWidget* parent) : QWidget(parent)
    {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(2);
        setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    }
    QHBoxLayout* Layout() const { return static_cast<QHBoxLayout*>(layout()); }
    void Wish(int width)
    {
        m_wish = std::max(0, width);
        updateGeometry();
    }
    QSize sizeHint() const override { return {m_wish, QWidget::sizeHint().height()}; }
    QSize minimumSizeHint() const override { return {0, QWidget::minimumSizeHint().height()}; }

private:
    int m_wish = 0;
};

StatusPanels::StatusPanels(QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(true);
    m_first = new PanelSlot(this);
    m_folder = MakePanel(m_first, "Panel1");
    m_first->Layout()->addWidget(m_folder);
    m_second = new PanelSlot(this);
    QHBoxLayout* secondLayout = m_second->Layout();
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
    addWidget(m_first);
    addWidget(m_second);
    addWidget(m_play, 1);
    m_index = new QLabel(this);
    m_index->setObjectName(QStringLiteral("IndexPanel"));
    m_index->setTextFormat(Qt::PlainText);
    m_index->hide();
    addPermanentWidget(m_index);
    // The panels learn their widths when the bar lays them out; their texts are shortened then.
    m_folder->installEventFilter(this);
    m_list->installEventFilter(this);
}

void StatusPanels::SetIndexText(const QString& text)
{
    m_index->setText(text);
    m_index->setVisible(!text.isEmpty());
}

QString StatusPanels::IndexText() const
{
    return m_index->text();
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
    m_first->Wish(first);
    m_second->Wish(second);
    const bool toEdge = second == kToEdge;
    if (toEdge != m_secondToEdge) {
        // Stretched, panel 2 takes all the room panel 3 leaves.
        m_secondToEdge = toEdge;
        m_second->setSizePolicy(toEdge ? QSizePolicy::Preferred : QSizePolicy::Maximum, QSizePolicy::Preferred);
        removeWidget(m_second);
        insertWidget(1, m_second, toEdge ? 1 : 0);
        m_second->show();
        m_play->setVisible(!toEdge);
    }
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

bool StatusPanels::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize && (watched == m_folder || watched == m_list))
        Elide();
    return QStatusBar::eventFilter(watched, event);
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
