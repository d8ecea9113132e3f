#pragma once
// Drawing of texts that carry the game's colour codes ("^" and one character) in the eight colours
// the game knows, and OSP's extended codes ("^x" and six hexadecimal digits) in the colour they
// name, as the player names, score suffixes and course lines are shown everywhere in the details
// windows. Texts from demos are 8-bit bytes, every byte one Latin-1 character; a point of view
// stored by the user may hold any character, so the drawing works on characters.
#include <QColor>
#include <QLabel>
#include <QStyledItemDelegate>

#include <string>
#include <string_view>
#include <vector>

class QPainter;
class QPixmap;

namespace gui {

// The colour a code character selects: its lowest three bits, 0 black ... 7 white.
QColor GameColour(char code);

// One character to draw and the colour it gets.
struct ColouredChar {
    char32_t ch;
    QColor colour;
};
// What the drawing shows of a text: the colour codes resolved, the characters the game does not
// print (line feeds, double quotes, 0x19, stray "^") left out.
std::vector<ColouredChar> ColouredChars(const QString& text);
std::vector<ColouredChar> ColouredChars(std::string_view latin1);

// Fills `rect` with `background` and draws the text into it, after the icon when there is one.
// With `course` set, a text that contains "SCORE" has its capitals underlined (the score tables).
void DrawColouredText(QPainter& painter, const QRect& rect, const QString& text, const QPixmap* icon, bool course,
                      const QColor& background);
void DrawColouredText(QPainter& painter, const QRect& rect, std::string_view latin1, const QPixmap* icon, bool course,
                      const QColor& background);
// The width the text takes when drawn with the painter's font (without the 2-pixel margin).
int ColouredTextWidth(const QFont& font, std::string_view latin1);

// The text without colour codes, as names are shown where they are not drawn in colour.
QString WithoutColourCodes(const QString& text);
// The width of a name box: the name without colour codes, every "|" measured as "ai", plus 13.
int NameBoxWidth(const QFontMetrics& metrics, const QString& name);

// Item roles the delegate reads.
enum ColourTextRole {
    RawTextRole = Qt::UserRole + 40, // QByteArray: the text with its colour codes
    IconIndexRole,                   // int: index into the delegate's icons, -1 for none
};

// Draws list items from RawTextRole; the course list's delegate underlines score table capitals.
class ColouredTextDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    ColouredTextDelegate(bool course, QColor background, QObject* parent = nullptr);
    void SetIcons(std::vector<QPixmap> icons) { m_icons = std::move(icons); }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // The background of a selected row.
    static QColor SelectedBackground(const QColor& background);

private:
    bool m_course;
    QColor m_background;
    std::vector<QPixmap> m_icons;
};

// A box that shows one coloured name (the point of view, the player's name).
class ColouredNameBox : public QLabel {
    Q_OBJECT
public:
    explicit ColouredNameBox(QWidget* parent = nullptr);
    void SetName(const QString& name);
    const QString& Name() const { return m_name; }
    // Sized to the name as NameBoxWidth says.
    int FittingWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_name;
};

// Texts from inside demos and the program's own.
QString Latin1(std::string_view text);
std::string Latin1Bytes(const QString& text);
// File names and the user's own texts (notes, descriptions).
QString Utf8(std::string_view text);
std::string Utf8Bytes(const QString& text);

} // namespace gui
