#include "gui/details/UserTab.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTextEdit>

#include "core/details/DetailRules.h"
#include "gui/details/ColouredText.h"
#include "gui/details/DemoDetails.h"

namespace gui {

UserTab::UserTab(DemoDetails& details, QWidget* parent) : QWidget(parent), m_details(details)
{
    setObjectName(QStringLiteral("UserTab"));
    setMouseTracking(true);
    m_name = new ColouredNameBox(this);
    m_name->setObjectName(QStringLiteral("PovBox"));
    QFont nameFont(QStringLiteral("MS Sans Serif"), 14);
    nameFont.setBold(true);
    m_name->setFont(nameFont);
    m_povCaption = new QLabel(QStringLiteral("POV"), this);
    m_ratingCaption = new QLabel(QStringLiteral("Rating"), this);
    m_rating = new QLabel(this);
    m_rating->setObjectName(QStringLiteral("RatingBox"));
    m_rating->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_rating->setAlignment(Qt::AlignCenter);
    m_rating->setAutoFillBackground(true);
    m_description = new QTextEdit(this);
    m_description->setObjectName(QStringLiteral("DescriptionText"));
    m_description->setReadOnly(true);
    for (QLabel* caption : {m_povCaption, m_ratingCaption})
        caption->setStyleSheet(QStringLiteral("QLabel { color: white; background: rgba(0,0,0,120); }"));
}

void UserTab::SetBackground(const QImage& image)
{
    m_background = image;
    update();
}

void UserTab::Show(const std::string& pov, const std::string& rating, const std::string& web,
                   const QString& description)
{
    m_pov = pov;
    m_name->SetName(Utf8(pov));
    m_rating->setText(Utf8(rating));
    m_link = Utf8(web);
    m_description->setPlainText(description);
    Arrange();
    update();
}

QString UserTab::Rating() const
{
    return m_rating->text();
}

QString UserTab::Description() const
{
    return m_description->toPlainText();
}

const std::string& UserTab::Pov() const
{
    return m_pov;
}

bool UserTab::LinkActive() const
{
    return core::HasWebScheme(Utf8Bytes(m_link));
}

void UserTab::ClickLink()
{
    if (LinkActive() && m_details.openLink)
        m_details.openLink(m_link);
}

namespace {

QFont LinkFont()
{
    QFont font(QStringLiteral("Arial"), 12);
    font.setBold(true);
    return font;
}

} // namespace

void UserTab::Arrange()
{
    // The link is written upward along the left edge, centred vertically.
    const QFontMetrics link(LinkFont());
    const int textWidth = link.horizontalAdvance(m_link);
    m_linkRect = QRect(4, (height() - textWidth) / 2, link.height(), textWidth);

    const int nameWidth = m_name->FittingWidth();
    const int nameHeight = m_name->fontMetrics().height() + 8;
    m_name->setGeometry(width() - 12 - nameWidth, 12, nameWidth, nameHeight);
    m_povCaption->adjustSize();
    m_povCaption->move(m_name->x() - 12 - m_povCaption->width(), 12 + (nameHeight - m_povCaption->height()) / 2);
    const int ratingTop = m_name->geometry().bottom() + 8;
    m_rating->setGeometry(width() - 12 - 60, ratingTop, 60, 24);
    m_ratingCaption->adjustSize();
    m_ratingCaption->move(m_rating->x() - 12 - m_ratingCaption->width(), ratingTop + 4);
    const int left = m_linkRect.right() + 12;
    const int top = m_rating->geometry().bottom() + 12;
    m_description->setGeometry(left, top, std::max(40, width() - left - 12), std::max(40, height() - top - 12));
}

void UserTab::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(40, 40, 48));
    if (!m_background.isNull()) {
        painter.setOpacity(0.6);
        painter.drawImage(rect(), m_background);
        painter.setOpacity(1.0);
    }
    painter.save();
    painter.setFont(LinkFont());
    painter.setPen(LinkActive() ? QColor(120, 190, 255) : QColor(220, 220, 220));
    painter.translate(m_linkRect.left(), m_linkRect.bottom());
    painter.rotate(-90);
    painter.drawText(QRect(0, 0, m_linkRect.height(), m_linkRect.width()), Qt::AlignCenter, m_link);
    painter.restore();
}

void UserTab::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Arrange();
}

void UserTab::mouseMoveEvent(QMouseEvent* event)
{
    const bool over = m_linkRect.contains(event->position().toPoint());
    setCursor(over && LinkActive() ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void UserTab::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_linkRect.contains(event->position().toPoint()))
        ClickLink();
}

} // namespace gui
