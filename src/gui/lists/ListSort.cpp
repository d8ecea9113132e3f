#include "gui/lists/ListSort.h"

#include <QStringList>

#include <clocale>
#include <ctime>
#include <string>

#include "core/row/DemoInfo.h"

namespace gui {
namespace {

QString Strftime(const char* format, const std::tm& tm)
{
    char buf[128];
    const size_t n = std::strftime(buf, sizeof buf, format, &tm);
    return QString::fromLocal8Bit(buf, static_cast<qsizetype>(n));
}

bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Whole decimal numbers in the text, in order (the parts of "22.11.1999" or "13:45:56").
QList<int> NumbersIn(const QString& text)
{
    QList<int> numbers;
    int value = -1;
    for (const QChar c : text) {
        if (IsDigit(c)) {
            value = (value < 0 ? 0 : value) * 10 + (c.unicode() - '0');
            if (value > 100000)
                return {};
        } else if (value >= 0) {
            numbers.append(value);
            value = -1;
        }
    }
    if (value >= 0)
        numbers.append(value);
    return numbers;
}

std::optional<int> ParseWhole(const QString& text)
{
    if (text.isEmpty() || text.size() > 9)
        return std::nullopt;
    int value = 0;
    for (const QChar c : text) {
        if (!IsDigit(c))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

} // namespace

uint32_t PackDosDateTime(int year, int month, int day, int hour, int minute, int second)
{
    if (year < 1980 || year > 2099)
        return 0;
    const uint32_t date = static_cast<uint32_t>((year - 1980) << 9 | (month & 15) << 5 | (day & 31));
    const uint32_t time = static_cast<uint32_t>((hour & 31) << 11 | (minute & 63) << 5 | ((second / 2) & 31));
    return date << 16 | time;
}

const SortTextReader& SortTextReader::Current()
{
    static const SortTextReader reader;
    return reader;
}

SortTextReader::SortTextReader()
{
    // Probe the locale's short date with a day, month and year that cannot be mistaken.
    std::tm probe{};
    probe.tm_year = 1999 - 1900;
    probe.tm_mon = 10; // November
    probe.tm_mday = 22;
    probe.tm_hour = 13;
    probe.tm_min = 45;
    probe.tm_sec = 56;
    const QString date = Strftime("%x", probe);
    for (const QChar c : date)
        if (!IsDigit(c) && !c.isSpace()) {
            m_dateSeparator = c;
            break;
        }
    const QList<int> parts = NumbersIn(date);
    if (parts.size() == 3) {
        for (int i = 0; i < 3; ++i) {
            if (parts[i] == 22)
                m_dayAt = i;
            else if (parts[i] == 11)
                m_monthAt = i;
            else if (parts[i] == 1999 || parts[i] == 99)
                m_yearAt = i;
        }
    }
    const QString time = Strftime("%X", probe);
    for (const QChar c : time)
        if (!IsDigit(c) && !c.isSpace()) {
            m_timeSeparator = c;
            break;
        }
    if (const std::lconv* conv = std::localeconv()) {
        m_thousands = QString::fromLocal8Bit(conv->thousands_sep);
        m_decimal = QString::fromLocal8Bit(conv->decimal_point);
    }
}

std::optional<uint32_t> SortTextReader::ReadDate(const QString& text) const
{
    const QString trimmed = text.trimmed();
    const qsizetype blank = trimmed.indexOf(QLatin1Char(' '));
    const QString datePart = blank < 0 ? trimmed : trimmed.left(blank);
    const QString timePart = blank < 0 ? QString() : trimmed.mid(blank + 1);
    const QStringList dateFields = datePart.split(m_dateSeparator);
    if (dateFields.size() != 3)
        return std::nullopt;
    int values[3];
    for (int i = 0; i < 3; ++i) {
        const std::optional<int> value = ParseWhole(dateFields[i]);
        if (!value)
            return std::nullopt;
        values[i] = *value;
    }
    int year = values[m_yearAt];
    if (dateFields[m_yearAt].size() <= 2)
        year += year < 80 ? 2000 : 1900;
    const int month = values[m_monthAt], day = values[m_dayAt];
    if (month < 1 || month > 12 || day < 1 || day > 31)
        return std::nullopt;
    int hour = 0, minute = 0, second = 0;
    if (timePart.contains(m_timeSeparator)) {
        const QList<int> clock = NumbersIn(timePart);
        if (clock.size() < 2)
            return std::nullopt;
        hour = clock[0];
        minute = clock[1];
        second = clock.size() > 2 ? clock[2] : 0;
        const QString upper = timePart.toUpper();
        if (upper.contains(QLatin1String("PM")) && hour < 12)
            hour += 12;
        else if (upper.contains(QLatin1String("AM")) && hour == 12)
            hour = 0;
        if (hour > 23 || minute > 59 || second > 59)
            return std::nullopt;
    }
    return PackDosDateTime(year, month, day, hour, minute, second);
}

std::optional<double> SortTextReader::ReadNumber(const QString& text) const
{
    const qsizetype blank = text.indexOf(QLatin1Char(' '));
    const QString head = blank < 0 ? text : text.left(blank);
    // A score "a:b" of two whole numbers reads as a * 100 + b.
    if (const qsizetype colon = head.indexOf(QLatin1Char(':')); colon >= 0) {
        const std::optional<int> a = ParseWhole(head.left(colon));
        const std::optional<int> b = ParseWhole(head.mid(colon + 1));
        if (a && b)
            return double(*a) * 100.0 + double(*b);
        return std::nullopt;
    }
    if (std::optional<double> value = core::StrictDouble(head.toStdString()))
        return value;
    QString local = head;
    if (!m_thousands.isEmpty())
        local.remove(m_thousands);
    if (!m_decimal.isEmpty() && m_decimal != QLatin1String("."))
        local.replace(m_decimal, QStringLiteral("."));
    if (local == head)
        return std::nullopt;
    return core::StrictDouble(local.toStdString());
}

SortKey SortTextReader::KeyOf(const QString& text) const
{
    SortKey key;
    key.text = text;
    if (text.count(m_dateSeparator) >= 2)
        key.dosTime = ReadDate(text);
    key.number = ReadNumber(text);
    return key;
}

int CompareSortKeys(const SortKey& a, const SortKey& b)
{
    // Texts that merely hold the date separator twice (paths, web links with "/") are no dates;
    // they go on to the number and text rules instead of all comparing equal.
    if (a.dosTime && b.dosTime)
        return *a.dosTime < *b.dosTime ? -1 : (*a.dosTime > *b.dosTime ? 1 : 0);
    if (a.number && b.number)
        return *a.number < *b.number ? -1 : (*a.number > *b.number ? 1 : 0);
    return QString::localeAwareCompare(a.text, b.text);
}

} // namespace gui
