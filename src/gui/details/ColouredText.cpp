#include "gui/details/ColouredText.h"

#include <QPainter>
#include <QPixmap>

#include "core/row/DemoInfo.h"
#include "gui/common/PaletteColours.h"

namespace gui {

QString Latin1(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Latin1Bytes(const QString& text)
{
    return text.toLatin1().toStdString();
}

QString Utf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Utf8Bytes(const QString& text)
{
    return text.toUtf8().toStdString();
}

QColor GameColour(char code)
{
    static const QColor colours[8] = {QColor(0, 0, 0),     QColor(255, 0, 0),    QColor(0, 128, 0),
                                      QColor(255, 255, 0), QColor(0, 0, 255),    QColor(0, 255, 255),
                                      QColor(128, 0, 128), QColor(255, 255, 255)};
    return colours[static_cast<unsigned char>(code) & 7];
}

namespace {

bool NotPrinted(char32_t ch)
{
    return ch == U'\n' || ch == U'"' || ch == U'\x19';
}

QString OneCharacter(char32_t ch)
{
    return QString::fromUcs4(&ch, 1);
}

} // namespace

std::vector<ColouredChar> ColouredChars(const QString& text)
{
    const QList<uint> ucs4 = text.toUcs4();
    const std::u32string characters(ucs4.begin(), ucs4.end());
    std::u32string_view rest(characters);
    // A colour code at the very end selects nothing to draw.
    if (rest.size() >= 2 && rest[rest.size() - 2] == U'^')
        rest.remove_suffix(2);
    std::vector<ColouredChar> out;
    QColor colour = GameColour('7');
    size_t i = 0;
    while (i < rest.size()) {
        const char32_t ch = rest[i];
        if (ch == U'^' && i + 1 < rest.size() && rest[i + 1] != U'^' && i + 1 != rest.size() - 1) {
            if (const std::optional<uint32_t> rgb = core::ExtendedColourAt(rest, i)) {
                colour = QColor((*rgb >> 16) & 0xFF, (*rgb >> 8) & 0xFF, *rgb & 0xFF);
                i += core::kExtendedColourCodeLength;
                continue;
            }
            colour = GameColour(static_cast<char>(rest[i + 1] & 7));
            const char32_t next = rest[i + 2];
            if (next == U'\n' || next == U'"' || next == U'^') {
                i += 2;
                continue;
            }
            if (next != U'\x19')
                out.push_back({next, colour});
            i += 3;
            continue;
        }
        if (ch != U'^' && !NotPrinted(ch))
            out.push_back({ch, colour});
        ++i;
    }
    return out;
}

std::vector<ColouredChar> ColouredChars(std::string_view latin1)
{
    return ColouredChars(Latin1(latin1));
}

void DrawColouredText(QPainter& painter, const QRect& rect, const QString& text, const QPixmap* icon, bool course,
                      const QColor& background)
{
    painter.save();
    painter.fillRect(rect, background);
    int x = rect.left() + 2;
    if (icon && !icon->isNull()) {
        painter.drawPixmap(rect.left() + 2, rect.top() + (rect.height() - icon->height()) / 2, *icon);
        x = rect.left() + icon->width() + 6;
    }
    const bool underlineCapitals = course && text.contains(QLatin1String("SCORE"));
    QFont plain = painter.font();
    plain.setUnderline(false);
    QFont underlined = plain;
    underlined.setUnderline(true);
    const QFontMetrics metrics(plain);
    const int baseline = rect.top() + (rect.height() + metrics.ascent() - metrics.descent()) / 2;
    for (const ColouredChar& c : ColouredChars(text)) {
        const QString shown = OneCharacter(c.ch);
        painter.setFont(underlineCapitals && c.ch >= U'A' && c.ch <= U'Z' ? underlined : plain);
        painter.setPen(ReadableOn(c.colour, background));
        painter.drawText(x, baseline, shown);
        x += metrics.horizontalAdvance(shown);
    }
    painter.restore();
}

void DrawColouredText(QPainter& painter, const QRect& rect, std::string_view latin1, const QPixmap* icon, bool course,
                      const QColor& background)
{
    DrawColouredText(painter, rect, Latin1(latin1), icon, course, background);
}

int ColouredTextWidth(const QFont& font, std::string_view latin1)
{
    const QFontMetrics metrics(font);
    int width = 0;
    for (const ColouredChar& c : ColouredChars(latin1))
        width += metrics.horizontalAdvance(OneCharacter(c.ch));
    return width;
}

QString WithoutColourCodes(const QString& text)
{
    return Utf8(core::StripColourCodesUtf8(Utf8Bytes(text)));
}

int NameBoxWidth(const QFontMetrics& metrics, const QString& name)
{
    // The box was sized for a proportional font in which "|" drew wider than it measured.
    QString measured = WithoutColourCodes(name);
    measured.replace(QLatin1Char('|'), QStringLiteral("ai"));
    return metrics.horizontalAdvance(measured) + 13;
}

ColouredTextDelegate::ColouredTextDelegate(bool course, QColor background, QObject* parent)
    : QStyledItemDelegate(parent), m_course(course), m_background(background)
{
}

void ColouredTextDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QByteArray raw = index.data(RawTextRole).toByteArray();
    const int icon = index.data(IconIndexRole).isValid() ? index.data(IconIndexRole).toInt() : -1;
    const QPixmap* pixmap =
        icon >= 0 && static_cast<size_t>(icon) < m_icons.size() ? &m_icons[static_cast<size_t>(icon)] : nullptr;
    painter->setFont(option.font);
    // The chosen row stands out in a lighter shade of the list's colour, and the row that has
    // the keyboard gets a frame, so that the keys' effect can be seen.
    const bool selected = option.state & QStyle::State_Selected;
    DrawColouredText(*painter, option.rect, std::string_view(raw.constData(), static_cast<size_t>(raw.size())), pixmap,
                     m_course, selected ? SelectedBackground(m_background) : m_background);
    if (option.state & QStyle::State_HasFocus) {
        painter->save();
        painter->setPen(QPen(QColor(235, 235, 235), 1, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
        painter->restore();
    }
}

QColor ColouredTextDelegate::SelectedBackground(const QColor& background)
{
    return background.lighter(135);
}

QSize ColouredTextDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QByteArray raw = index.data(RawTextRole).toByteArray();
    const std::string_view text(raw.constData(), static_cast<size_t>(raw.size()));
    const bool icon = index.data(IconIndexRole).isValid() && index.data(IconIndexRole).toInt() >= 0;
    const int left = icon ? 16 + 6 : 2;
    const int height = std::max(QFontMetrics(option.font).height() + 2, icon ? 18 : 0);
    // The course list scrolls sideways to the widest line plus 2 pixels.
    return {left + ColouredTextWidth(option.font, text) + 2, height};
}

ColouredNameBox::ColouredNameBox(QWidget* parent) : QLabel(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setMinimumHeight(24);
}

void ColouredNameBox::SetName(const QString& name)
{
    m_name = name;
    setText(WithoutColourCodes(name));
    update();
}

int ColouredNameBox::FittingWidth() const
{
    return NameBoxWidth(QFontMetrics(font()), m_name);
}

void ColouredNameBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    const QRect inner = contentsRect();
    DrawColouredText(painter, inner, m_name, nullptr, false, QColor(64, 64, 80));
    drawFrame(&painter);
}

} // namespace gui
