// Texts on real widgets: notes in every script through the user data editor, the description
// files, the list after a new listing and the properties window, player descriptions likewise; the
// game's colour codes and OSP's extended ones as drawn and as shown without colour.
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <filesystem>

#include "core/details/DemoDescription.h"
#include "core/library/FolderTreeOps.h"
#include "core/settings/Settings.h"
#include "gui/app/MainWindow.h"
#include "gui/common/PaletteColours.h"
#include "gui/details/ColouredText.h"
#include "gui/details/DemoDetails.h"
#include "gui/details/PlayerWindow.h"
#include "gui/details/PropertiesWindow.h"
#include "gui/details/UserDataEditor.h"
#include "gui/details/UserTab.h"
#include "gui/lists/DemoListPane.h"
#include "gui/tree/FolderTreePane.h"
#include "support/Recorder.h"
#include "support/gui/GuiTestSupport.h"

using namespace guitest;
namespace fs = std::filesystem;

namespace {

// A description file's bytes for its text: Latin-1 where every character fits, else UTF-8 behind
// a byte order mark.
std::string FileBytes(const QString& text)
{
    const QByteArray latin1 = text.toLatin1();
    if (QString::fromLatin1(latin1) == text)
        return latin1.toStdString();
    return "\xEF\xBB\xBF" + text.toUtf8().toStdString();
}

QString Cell(gui::ListPane& pane, int column)
{
    return pane.Model().index(0, column).data().toString();
}

int PlayerRow(QListWidget& players, const QString& name)
{
    for (int i = 0; i < players.count(); ++i)
        if (players.item(i)->text().startsWith(name))
            return i;
    return -1;
}

bool ImageHolds(const QImage& image, const QColor& colour)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).rgb() == colour.rgb())
                return true;
    return false;
}

} // namespace

class TextsTest : public QObject {
    Q_OBJECT
private slots:
    void colourCodesDrawInTheColoursTheyName();
    void notesInEveryScriptKeepEveryCharacter();
};

void TextsTest::colourCodesDrawInTheColoursTheyName()
{
    const QColor white(255, 255, 255), red(255, 0, 0), green(0, 128, 0), blue(0, 0, 255), black(0, 0, 0);
    struct Case {
        QString text;
        QString shown;
        std::vector<QColor> colours; // of every shown character; none given: not checked
    };
    const Case cases[] = {
        {QStringLiteral("^1R^4B"), QStringLiteral("RB"), {red, blue}},
        {QStringLiteral("^9x"), QStringLiteral("x"), {red}},    // the lowest three bits of "9"
        {QStringLiteral("Name^"), QStringLiteral("Name"), {}},  // a lone "^" is not drawn
        {QStringLiteral("Name^1"), QStringLiteral("Name"), {}}, // a code at the end is dropped
        {QStringLiteral("a^^bcd"), QStringLiteral("acd"), {}},  // "^^" escapes nothing: the second starts a code
        {QStringLiteral("a^^b"), QStringLiteral("a"), {}},
        {QStringLiteral("^1\"quoted\"\n"), QStringLiteral("quoted"), {}},
        {QStringLiteral("x^2\x19y"), QStringLiteral("xy"), {white, green}},
        {QString(), QString(), {}},
        {QStringLiteral("^"), QString(), {}},
        // OSP's extended codes: the colour they name, for the characters up to the next code.
        {QStringLiteral("^xCCCCCC^1[^7EYE^1]dsp"),
         QStringLiteral("[EYE]dsp"),
         {red, white, white, white, red, red, red, red}},
        {QStringLiteral("a^xCC3300bc^2d"),
         QStringLiteral("abcd"),
         {white, QColor(0xCC, 0x33, 0x00), QColor(0xCC, 0x33, 0x00), green}},
        {QStringLiteral("^X3150a2Z"), QStringLiteral("Z"), {QColor(0x31, 0x50, 0xA2)}},
        {QStringLiteral("^xCCCCCC"), QString(), {}},
        {QStringLiteral("^xFF8000\"q"), QStringLiteral("q"), {QColor(0xFF, 0x80, 0x00)}},
        // Five digits are no extended code: "^x" is the game's code for black.
        {QStringLiteral("^x12345Z"), QStringLiteral("12345Z"), {black, black, black, black, black, black}},
        // A stored point of view may hold any character; one that takes two UTF-16 units is one.
        {QStringLiteral("^1Саша ^2😀"), QStringLiteral("Саша 😀"), {red, red, red, red, red, green}},
    };
    for (const Case& c : cases) {
        QString shown;
        std::vector<QColor> colours;
        for (const gui::ColouredChar& ch : gui::ColouredChars(c.text)) {
            shown += QString::fromUcs4(&ch.ch, 1);
            colours.push_back(ch.colour);
        }
        QCOMPARE(shown, c.shown);
        if (!c.colours.empty())
            QCOMPARE(colours, c.colours);
        QCOMPARE(gui::WithoutColourCodes(c.text).remove(QLatin1Char('"')).remove(QLatin1Char('\x19')).trimmed(),
                 c.shown.trimmed());
    }
    // Every "|" is measured as "ai" for the name boxes, the extended code not at all.
    const QFontMetrics metrics(QFont{});
    QCOMPARE(gui::NameBoxWidth(metrics, QStringLiteral("^1a|b")),
             metrics.horizontalAdvance(QStringLiteral("aaib")) + 13);
    QCOMPARE(gui::NameBoxWidth(metrics, QStringLiteral("^xCCCCCCa|b")),
             metrics.horizontalAdvance(QStringLiteral("aaib")) + 13);

    // Drawn: the named colour reaches the pixels, in a list item and in a name box.
    QFont font;
    font.setPixelSize(28);
    font.setBold(true);
    font.setStyleStrategy(QFont::NoAntialias);
    const QColor background(64, 64, 80);
    for (const QColor& colour : {QColor(0xCC, 0x33, 0x00), QColor(0x31, 0x50, 0xA2), QColor(0xCC, 0xCC, 0xCC)}) {
        const QString code = QStringLiteral("^x") + colour.name().mid(1);
        QImage image(160, 40, QImage::Format_RGB32);
        {
            QPainter painter(&image);
            painter.setFont(font);
            gui::DrawColouredText(painter, image.rect(), QStringLiteral("^1W") + code + QStringLiteral("WW"), nullptr,
                                  false, background);
        }
        // A colour too dark for the background is drawn lighter, its hue kept, until it reads.
        QVERIFY2(ImageHolds(image, gui::ReadableOn(colour, background)), qPrintable(code));
        QVERIFY(ImageHolds(image, gui::ReadableOn(red, background)));
        gui::ColouredNameBox box;
        box.setFont(font);
        box.SetName(code + QStringLiteral("WW"));
        box.resize(box.FittingWidth(), 40);
        QCOMPARE(box.text(), QStringLiteral("WW"));
        QVERIFY2(ImageHolds(box.grab().toImage(), gui::ReadableOn(colour, background)), qPrintable(code));
    }
}

void TextsTest::notesInEveryScriptKeepEveryCharacter()
{
    Sandbox sandbox;
    testsupport::RecordingSink sink;
    const fs::path folder = sandbox.Game() / "baseoa" / "demos";
    sandbox.AddModernDemo(folder / "Ünïcödé.dm_68", 68, {"^xCCCCCC^1[^7EYE^1]dsp ^7Mathiasson", "S\xe4rge"});
    auto window = sandbox.Start();
    QVERIFY(window);
    core::FolderNode* node = core::FindNodeByPath(window->TreePane().Tree(), folder.string());
    QVERIFY(node);
    window->TreePane().SelectNode(node);
    gui::DemoListPane& demos = window->DemoList();
    QCOMPARE(Names(demos), QStringList{QStringLiteral("Ünïcödé.dm_68")});
    gui::DemoDetails& details = *window->findChild<gui::DemoDetails*>();
    const fs::path notes = core::DemoDescriptionPath(core::Settings.paths.demoDataDirectory, "Ünïcödé.dm_68");
    const fs::path playerNotes = core::PlayerDescriptionPath(core::Settings.paths.playerDataDirectory, "S\xe4rge");

    const QString texts[] = {
        QStringLiteral("Отличная игра 素晴らしい"),
        QStringLiteral("Бот Сарж — 強い ünïcødé"),
        QStringLiteral("GG 😀🎮"),
        QStringLiteral("Très bien, ça ÿ"),
    };
    for (const QString& text : texts) {
        demos.SelectRows({0}, false);
        demos.EditUserDataAction()->trigger();
        gui::UserDataEditor* editor = details.Editor();
        QVERIFY(editor);
        // Names are offered without colour codes, the extended one included.
        QCOMPARE(editor->Pov().itemText(1), QStringLiteral("[EYE]dsp Mathiasson"));
        QCOMPARE(editor->Pov().itemText(2), QStringLiteral("Särge"));
        editor->Pov().setCurrentIndex(1);
        editor->Rating().setText(QStringLiteral("7"));
        editor->Web().setEditText(QStringLiteral("http://") + text);
        editor->Description().setPlainText(text + QStringLiteral("\n") + text + QStringLiteral("!"));
        QTest::mouseClick(&editor->ApplyButton(), Qt::LeftButton);
        QCOMPARE(ReadFile(notes),
                 FileBytes(QStringLiteral("^xCCCCCC^1[^7EYE^1]dsp ^7Mathiasson\r\n7\r\nhttp://") + text +
                           QStringLiteral("\r\n") + text + QStringLiteral("\r\n") + text + QStringLiteral("!\r\n")));
        QTest::mouseClick(&editor->OkButton(), Qt::LeftButton);
        QTRY_VERIFY(!details.Editor());

        // The row after Apply and after a new listing from the file.
        for (const bool relisted : {false, true}) {
            if (relisted)
                window->RefreshList();
            QCOMPARE(Cell(demos, core::FieldPOV), QStringLiteral("[EYE]dsp Mathiasson"));
            QCOMPARE(Cell(demos, core::FieldWeb), QStringLiteral("http://") + text);
            QCOMPARE(Cell(demos, core::FieldDescription), text);
        }

        // The editor and the properties window read it back.
        demos.SelectRows({0}, false);
        demos.EditUserDataAction()->trigger();
        QCOMPARE(details.Editor()->Pov().currentIndex(), 1);
        QCOMPARE(details.Editor()->Web().currentText(), QStringLiteral("http://") + text);
        QCOMPARE(details.Editor()->Description().toPlainText(),
                 text + QStringLiteral("\n") + text + QStringLiteral("!"));
        details.Editor()->close();
        QTRY_VERIFY(!details.Editor());
        demos.PropertiesAction()->trigger();
        gui::PropertiesWindow* prop = details.Properties();
        QVERIFY(prop);
        QCOMPARE(prop->User().Link(), QStringLiteral("http://") + text);
        QCOMPARE(prop->User().Description().remove(QLatin1Char('\r')).split(QLatin1Char('\n')).mid(0, 2),
                 (QStringList{text, text + QStringLiteral("!")}));
        QVERIFY(PlayerRow(prop->PlayerList(), QStringLiteral("[EYE]dsp Mathiasson")) >= 0);

        // The player description, written and read again by a new player window.
        const int player = PlayerRow(prop->PlayerList(), QStringLiteral("Särge"));
        QVERIFY(player >= 0);
        prop->OpenPlayer(player);
        QVERIFY(prop->ShownPlayerWindow());
        QCOMPARE(prop->ShownPlayerWindow()->windowTitle(), QStringLiteral("Särge"));
        prop->ShownPlayerWindow()->Description().setPlainText(text);
        prop->ShownPlayerWindow()->Apply();
        QCOMPARE(ReadFile(playerNotes), FileBytes(text + QStringLiteral("\r\n")));
        prop->ShownPlayerWindow()->close();
        QTRY_VERIFY(!prop->ShownPlayerWindow());
        prop->OpenPlayer(player);
        QCOMPARE(prop->ShownPlayerWindow()->Description().toPlainText(), text);
        QVERIFY(prop->close());
        QTRY_VERIFY(!details.Properties());
    }
    for (const auto& message : sink.shown)
        QVERIFY2(message.kind != "error", message.text.c_str());
}

VELMORA_GUI_TEST(TextsTest)
#include "TextsTest.moc"
