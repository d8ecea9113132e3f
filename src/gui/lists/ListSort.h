#pragma once
// How the two demo lists compare the texts of a sort column where the rows' own numbers do not
// decide (columns of texts, and "N/A", "N/S" or empty cells beside numbers): dates as dates,
// numbers as numbers, everything else as text in the locale's order. The texts are those the lists
// show, so the date and number forms are read with the locale that the core formatted them with
// (the C library's current locale).
#include <QString>

#include <cstdint>
#include <optional>

namespace gui {

// What one cell's text reads as; decided once per cell so that a sort parses each text once.
struct SortKey {
    std::optional<uint32_t> dosTime; // the packed DOS date-time of a text that reads as a date
    std::optional<double> number;
    QString text;
};

class SortTextReader {
public:
    // The reader for the C library's current locale, learned once from its own date and time forms.
    static const SortTextReader& Current();
    SortTextReader(); // learns the current locale

    SortKey KeyOf(const QString& text) const;
    std::optional<uint32_t> ReadDate(const QString& text) const;
    std::optional<double> ReadNumber(const QString& text) const;

private:
    QChar m_dateSeparator = QLatin1Char('/');
    QChar m_timeSeparator = QLatin1Char(':');
    // Positions of day, month and year in the short date form.
    int m_dayAt = 1, m_monthAt = 0, m_yearAt = 2;
    QString m_thousands;
    QString m_decimal = QStringLiteral(".");
};

// Negative, zero or positive, for ascending order. Two dates compare as dates, two numbers as
// numbers, anything else as text in the locale's order.
int CompareSortKeys(const SortKey& a, const SortKey& b);

// The packed DOS date-time of a calendar time; 0 for years outside 1980 to 2099.
uint32_t PackDosDateTime(int year, int month, int day, int hour, int minute, int second);

} // namespace gui
