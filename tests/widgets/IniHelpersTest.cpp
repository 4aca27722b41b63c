// Pens, fonts and string lists written to colour files and read back.
#include "widgets/Tolmerautil.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

namespace {

using widgettest::ScratchDir;

TEST(IniHelpers, PenAndFontComeBackAsWritten) {
    ScratchDir dir;
    {
        TIniFile ini(".\\Colors.INI");
        TPen pen;
        pen.SetWidth(4);
        pen.SetColor(clFuchsia);
        pen.SetStyle(psDashDot);
        EXPECT_TRUE(WritePenToIni(&ini, "Arrow1", "Pen", &pen));
        TFont font;
        font.SetName("Arial");
        font.SetSize(14);
        font.SetColor(clNavy);
        EXPECT_TRUE(WriteFontToIni(&ini, "Arrow1", "Font", &font));
    }
    TIniFile ini("./Colors.INI");
    EXPECT_EQ(ini.ReadString("Arrow1", "PenStyle", ""), "3") << "styles are stored as their ordinal";
    EXPECT_EQ(ini.ReadString("Arrow1", "FontName", ""), "Arial");
    TPen pen;
    EXPECT_TRUE(ReadPenFromIni(&ini, "arrow1", "Pen", &pen)) << "section names ignore case";
    EXPECT_EQ(pen.Width(), 4);
    EXPECT_EQ(pen.Color(), clFuchsia);
    EXPECT_EQ(pen.Style(), psDashDot);
    TFont font;
    ReadFontFromIni(&ini, "Arrow1", "Font", &font);
    EXPECT_EQ(font.Name(), "Arial");
    EXPECT_EQ(font.Size(), 14);
    EXPECT_EQ(font.Color(), clNavy);
}

TEST(IniHelpers, MissingKeysLeaveTheObjectAsItWas) {
    ScratchDir dir;
    TIniFile ini("./Colors.INI");
    ini.WriteInteger("Pump1", "PenColor", clBlue);  // width and style are missing
    TPen pen;
    pen.SetWidth(3);
    pen.SetStyle(psDot);
    ReadPenFromIni(&ini, "Pump1", "Pen", &pen);
    EXPECT_EQ(pen.Color(), clBlue);
    EXPECT_EQ(pen.Width(), 3);
    EXPECT_EQ(pen.Style(), psDot);
    // A style number no pen has is ignored rather than forced into the enumeration.
    ini.WriteInteger("Pump1", "PenStyle", 42);
    ReadPenFromIni(&ini, "Pump1", "Pen", &pen);
    EXPECT_EQ(pen.Style(), psDot);
}

TEST(IniHelpers, StringListsReadBackByTheirCount) {
    struct Case {
        const char* name;
        const char* lines;  // the section's lines, '|' between them
        bool result;
        std::vector<std::string> list;  // what the list holds afterwards (it starts as "old")
    };
    const Case cases[] = {
        {"no count", "L0=a", false, {"old"}},
        {"negative count", "Count=-1|L0=a", false, {"old"}},
        {"count zero", "Count=0|L0=a", true, {}},
        {"missing lines read as 0", "Count=3|L0=x", true, {"x", "0", "0"}},
        {"damaged count", "Count=2000000000|L0=x", false, {"old"}},
        {"all lines", "Count=2|L0=50; 0|L1=0; 100", true, {"50; 0", "0; 100"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        {
            TStringList text;
            text.SetText(AnsiString("[S]\n") + StringReplace(c.lines, "|", "\n"));
            text.SaveToFile("./list.ini");
        }
        TIniFile ini("./list.ini");
        TStringList list;
        list.Add("old");
        EXPECT_EQ(ReadStringsFromIni(&ini, "S", "", &list), c.result);
        ASSERT_EQ(list.Count(), static_cast<int>(c.list.size()));
        for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list[i], c.list[i]);
    }
}

TEST(IniHelpers, AWrittenListReadsBackWithItsPrefix) {
    ScratchDir dir;
    TIniFile ini("./Colors.INI");
    TStringList out;
    out.Add("0x0000FF");
    out.Add("Смена 1");
    EXPECT_TRUE(WriteStringsToIni(&ini, "Dens", "StrCellColors", &out));
    EXPECT_EQ(ini.ReadInteger("Dens", "StrCellColorsCount", -1), 2);
    TStringList in;
    EXPECT_TRUE(ReadStringsFromIni(&ini, "Dens", "StrCellColors", &in));
    EXPECT_TRUE(in.Equals(&out));
}

}  // namespace
