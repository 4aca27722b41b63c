// The RTF writer puts its colour and font tables in front of the document's body. Into a memory
// stream written at its end and into its own file the body goes straight in and the tables are
// moved in front; into any other stream the body waits in memory. All give the same bytes, and a
// failed export leaves the target as it was.
#include "ExportTestSupport.h"

#include <gtest/gtest.h>

using namespace exporttest;

namespace {

TEST_F(ExportTest, RtfGivesTheSameBytesIntoEveryKindOfStream) {
    Open({{"ID", ftInteger}, {"Name", ftString}}, {{Variant(1), Variant("Отсадка {x}")}, {Variant(2), Variant("b")}});
    Col(1)->SetColor(clYellow);
    const std::string rtf = Export<TDBGridGxExportAsRTF>(grid.get());
    ASSERT_EQ(rtf.compare(0, 11, "{\\rtf0\\ansi"), 0);
    ASSERT_EQ(rtf.back(), '}');

    // A memory stream that already holds bytes, written at its end.
    TMemoryStreamGx appended;
    appended.WriteBuffer("head", 4);
    WriteDBGridGxToExportStream(ExportClassOf<TDBGridGxExportAsRTF>(), grid.get(), &appended, true);
    EXPECT_EQ(Bytes(appended), "head" + rtf);
    EXPECT_EQ(appended.Position(), appended.Size());

    // Written in the middle: the body waits in memory and overwrites from the position on.
    TMemoryStream middle;
    middle.WriteBuffer("0123456789", 10);
    middle.SetPosition(3);
    WriteDBGridGxToExportStream(ExportClassOf<TDBGridGxExportAsRTF>(), grid.get(), &middle, true);
    EXPECT_EQ(Bytes(middle), "012" + rtf);

    // A file.
    testlib::TempDir dir("rtfstreams");
    const std::string file = dir / "out.rtf";
    SaveDBGridGxToExportFile(ExportClassOf<TDBGridGxExportAsRTF>(), grid.get(), file, true);
    TMemoryStream back;
    back.LoadFromFile(file);
    EXPECT_EQ(Bytes(back), rtf);
}

TEST_F(ExportTest, FailedRtfExportLeavesTheMemoryStreamAsItWasAndTheFileEmpty) {
    Open({{"ID", ftInteger}}, {{Variant(1)}, {Variant(2)}, {Variant(3)}});
    int cells = 0;
    grid->OnGetCellParams = [&cells](TObject*, TColumnGx*, TFont*, TColor&, TGridDrawState) {
        if (++cells == 2) throw Exception("refused");
    };
    TMemoryStream out;
    out.WriteBuffer("keep", 4);
    EXPECT_THROW(WriteDBGridGxToExportStream(ExportClassOf<TDBGridGxExportAsRTF>(), grid.get(), &out, true), Exception);
    EXPECT_EQ(Bytes(out), "keep");
    EXPECT_EQ(out.Position(), 4);

    // Into a file the body has gone in already when the export fails: it is cut away again.
    testlib::TempDir dir("rtffailed");
    const std::string file = dir / "out.rtf";
    cells = 0;
    EXPECT_THROW(SaveDBGridGxToExportFile(ExportClassOf<TDBGridGxExportAsRTF>(), grid.get(), file, true), Exception);
    EXPECT_EQ(testlib::ReadFile(file), "");
}

}  // namespace
