// The column chooser's rows and rules without a window, and the ".vcs" scheme text: written,
// read back, and refused whole when damaged.
#include <gtest/gtest.h>

#include "core/settings/ColumnSchemes.h"
#include "core/settings/Settings.h"
#include "support/LibraryTestSupport.h"

namespace {

core::ColumnScheme BuiltIn()
{
    core::ColumnScheme scheme;
    scheme.order = core::DefaultColumnOrder();
    scheme.widths[core::FieldDemoname] = 80;
    scheme.widths[core::FieldSize] = 40;
    scheme.widths[core::FieldRecorded] = 70;
    return scheme;
}

int CaptionWidth(int column)
{
    return 100 + column;
}

} // namespace

TEST(ColumnSchemeTest, ChooserListsShownColumnsFirstInDisplayOrder)
{
    const std::vector<core::ChooserRow> rows = core::ChooserRowsOf(BuiltIn());
    ASSERT_EQ(rows.size(), 27u);
    EXPECT_EQ(rows[0].column, 0);
    EXPECT_EQ(rows[1].column, 1);
    EXPECT_EQ(rows[2].column, 2);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_TRUE(rows[i].checked);
    for (size_t i = 3; i < rows.size(); ++i) {
        EXPECT_FALSE(rows[i].checked);
        EXPECT_EQ(rows[i].column, static_cast<int>(i));
    }
}

TEST(ColumnSchemeTest, ButtonRules)
{
    const std::vector<core::ChooserRow> rows = {{0, true}, {4, true}, {24, false}};
    auto same = [](core::ChooserButtons b, bool up, bool down, bool show, bool hide) {
        return b.up == up && b.down == down && b.show == show && b.hide == hide;
    };
    EXPECT_TRUE(same(core::ChooserButtonsFor(rows, -1), false, false, false, false));
    EXPECT_TRUE(same(core::ChooserButtonsFor(rows, 0), false, true, false, false)); // Demoname never hides
    EXPECT_TRUE(same(core::ChooserButtonsFor(rows, 1), true, true, false, true));
    EXPECT_TRUE(same(core::ChooserButtonsFor(rows, 2), true, false, true, false));
}

TEST(ColumnSchemeTest, ApplyPutsHiddenColumnsFirstAndSetsWidths)
{
    // Shown: Demoname, Map, Web; the rest hidden, Map hidden last.
    std::vector<core::ChooserRow> rows = core::ChooserRowsOf(BuiltIn());
    for (core::ChooserRow& row : rows)
        if (row.column == core::FieldWeb || row.column == core::FieldMap)
            row.checked = true;
    rows[1].checked = false; // Size
    rows[2].checked = false; // Recorded
    const core::ColumnScheme applied = core::ApplyChooserRows(rows, CaptionWidth);
    EXPECT_TRUE(core::IsColumnOrder(applied.order));
    EXPECT_EQ(applied.widths[core::FieldDemoname], 100);
    EXPECT_EQ(applied.widths[core::FieldMap], 104);
    EXPECT_EQ(applied.widths[core::FieldWeb], 90);
    EXPECT_EQ(applied.widths[core::FieldSize], 0);
    // 24 hidden columns in row order ("Run time" the last), then the shown ones in row order.
    EXPECT_EQ(applied.order[0], core::FieldSize);
    EXPECT_EQ(applied.order[1], core::FieldRecorded);
    EXPECT_EQ(applied.order[2], core::FieldArchiveLocation);
    EXPECT_EQ(applied.order[23], core::FieldRunTime);
    EXPECT_EQ(applied.order[24], core::FieldDemoname);
    EXPECT_EQ(applied.order[25], core::FieldMap);
    EXPECT_EQ(applied.order[26], core::FieldWeb);
}

TEST(ColumnSchemeTest, SchemeTextRoundTrip)
{
    const core::ColumnScheme scheme = BuiltIn();
    const std::string text = core::SchemeText(scheme);
    EXPECT_EQ(text.substr(0, 6), "80,3\r\n");
    // Line 23: Rating hidden, position 23 shows Demoname.
    size_t line = 0, at = 0;
    while (line < 23)
        line += text[at++] == '\n';
    EXPECT_EQ(text.substr(at, 5), "0,0\r\n");
    const core::SchemeParse parsed = core::ParseScheme(text);
    ASSERT_TRUE(parsed.scheme) << parsed.problem;
    EXPECT_EQ(*parsed.scheme, scheme);

    testsupport::ScratchDir scratch;
    ASSERT_TRUE(core::SaveSchemeFile(scratch.path() / "MyScheme.vcs", scheme));
    EXPECT_EQ(*core::LoadSchemeFile(scratch.path() / "MyScheme.vcs").scheme, scheme);
    EXPECT_FALSE(core::SaveSchemeFile(scratch.path() / "missing" / "x.vcs", scheme));
}

TEST(ColumnSchemeTest, DamagedSchemesAreRefusedWhole)
{
    const std::string good = core::SchemeText(BuiltIn());
    auto replaceLine = [&](int index, const std::string& with) {
        std::string text = good;
        size_t start = 0;
        for (int i = 0; i < index; ++i)
            start = text.find('\n', start) + 1;
        text.replace(start, text.find('\r', start) - start, with);
        return text;
    };
    // Plain LF lines and blanks around the numbers are fine.
    std::string lf = good;
    std::erase(lf, '\r');
    EXPECT_TRUE(core::ParseScheme(lf).scheme);
    EXPECT_TRUE(core::ParseScheme(replaceLine(4, " 12 , 7 ")).scheme);

    const std::string damaged[] = {
        "",
        good.substr(0, good.find("0,0\r\n")), // 23 lines
        replaceLine(3, "126"),                // no comma
        replaceLine(3, "wide,6"),             // not a number
        replaceLine(3, "12,6x"),              // trailing text
        replaceLine(3, "-5,6"),               // negative width
        replaceLine(3, "99999999999,6"),      // beyond int
        replaceLine(3, "12,26"),              // no such column
        replaceLine(3, "12,-1"),
        replaceLine(3, "12,7"), // column 7 twice
    };
    for (const std::string& text : damaged) {
        const core::SchemeParse parsed = core::ParseScheme(text);
        EXPECT_FALSE(parsed.scheme) << text;
        EXPECT_FALSE(parsed.problem.empty());
    }
    testsupport::ScratchDir scratch;
    EXPECT_FALSE(core::LoadSchemeFile(scratch.path() / "none.vcs").scheme);
}
