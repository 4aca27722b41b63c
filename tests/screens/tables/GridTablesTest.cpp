// The general and hydrosizer tables against the private database: the rows of each period at the
// shift boundaries and on the 1st, equal sums of the two jig machines, empty sums, failing
// statements, the hydrosizer's rows file, and both grid prints read back from PDF.
#include "screens/tables/TableMain.h"
#include "screens/tables/Table_GS_work.h"

#include "TablesTestSupport.h"

#include "gridlib/print/PrViewGx.h"
#include "gridlib/print/PrvFrmGx.h"
#include "rtl/FileUtils.h"
#include "testlib/DataTestSupport.h"
#include "testlib/gui/Pdf.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using tablestest::TablesTest;

// Width greater than height of the PDF's pages.
bool Landscape(const std::string& pdf) {
    const std::string info = testlib::Run("pdfinfo '" + pdf + "'");
    const auto at = info.find("Page size:");
    double w = 0, h = 0;
    if (at == std::string::npos || std::sscanf(info.c_str() + at + 10, " %lf x %lf", &w, &h) != 2) return false;
    return w > h;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class GridTablesTest : public TablesTest {
protected:
    void SetUp() override {
        TablesTest::SetUp();
        At(2010, 3, 15);
        InstallHydrosizerTemplate();
    }
    void TearDown() override {
        if (PreviewFormGx) PreviewFormGx->Hide();
        PrinterPreview()->GetPropPrinter()->SetOutputFileName("");
        TablesTest::TearDown();
    }
    void FillHistory() {
        // Machine 1 and machine 2 work the same time, under load 2 and 3 times the weight; the rows
        // count minutes, 60 times the weight gives the weight in hours.
        InsertBoundaryRows("pu1", "PostMoment, RAB, NRAB", [](int w) { return std::to_string(60 * w) + ", " + std::to_string(120 * w); });
        InsertBoundaryRows("pu2", "PostMoment, RAB, NRAB", [](int w) { return std::to_string(60 * w) + ", " + std::to_string(180 * w); });
        InsertBoundaryRows("puf_data", "RecMoment, RVF, RGF, TRRS, TRRP", [](int w) {
            return std::to_string(60 * w) + ", " + std::to_string(120 * w) + ", " + std::to_string(180 * w) + ", " +
                   std::to_string(240 * w);
        });
        InsertBoundaryRows("belt_386_2", "RecMoment, G_1T1", [](int w) { return std::to_string(w * 0.25); });
        InsertBoundaryRows("belt_401", "RecMoment, G_1T1", [](int w) { return std::to_string(w * 0.5); },
                           [](int w) { return w == 1 || w == 2 || w == 64; });
        // The hydrosizer's output side only (the feed side stays NULL, as the program never writes it);
        // rates per hour once a minute, 60 times the weight gives the weight after /60.
        InsertBoundaryRows("pug", "RecMoment, RV2_GS, RG2_GS", [](int w) { return std::to_string(60 * w) + ", " + std::to_string(120 * w); });
    }
    // The general table's rows: field → value per period.
    static std::vector<std::map<std::string, double>> Rows(TFormTableMain* t) {
        std::vector<std::map<std::string, double>> out;
        TClientDataSet* ds = t->ClientDataSetMainTable;
        for (ds->First(); !ds->Eof(); ds->Next()) {
            std::map<std::string, double> row;
            for (int i = 1; i < ds->FieldCount(); ++i) row[ds->Fields()->Fields(i)->FieldName().str()] = ds->Fields()->Fields(i)->AsFloat();
            out.push_back(row);
        }
        return out;
    }
    static std::map<std::string, double> Expected(double s, double g401) {
        return {{"OtsWorkTime", 2 * s}, {"OtsNagrTime", 5 * s}, {"FlotMKub", s}, {"FlotTonn", 2 * s},
                {"FlotRS", 3 * s},      {"FlotRP", 4 * s},      {"G386", 0.25 * s}, {"G401", g401}};
    }
    // What the preview recorded, printed into a PDF.
    std::string PreviewToPdf(const char* name) {
        const std::string pdf = dir / name;
        testlib::PrintDialogs dialogs(pdf);
        EXPECT_NE(PreviewFormGx, nullptr);
        if (PreviewFormGx) PreviewFormGx->PreviewGx1->PrintDialog();
        return pdf;
    }
    datatest::RussianLocale locale;
};

TEST_F(GridTablesTest, GeneralTableRowsOfEachPeriod) {
    REQUIRE_TEST_DB();
    FillHistory();
    auto* t = NewForm<TFormTableMain>(form);
    std::vector<std::string> names;
    for (TClientDataSet* ds = t->ClientDataSetMainTable; !ds->Eof(); ds->Next())
        names.push_back(ds->FieldByName("ParamName")->AsString().str());
    EXPECT_EQ(names, (std::vector<std::string>{"Смена 1", "Смена 2", "За сутки", "С начала месяца"}));
    const struct {
        int y, mo, d;
        std::vector<std::map<std::string, double>> rows;
    } cases[] = {
        // Equal RAB sums of both machines both count: 2 × the weight.
        {2010, 3, 15, {Expected(3, 1.5), Expected(12, 0), Expected(15, 1.5), Expected(2579, 33.5)}},
        {2010, 3, 1, {Expected(64, 32), Expected(0, 0), Expected(64, 32), Expected(64, 32)}},
        // No rows at all: NULL sums are stored as 0.
        {2010, 4, 20, {Expected(0, 0), Expected(0, 0), Expected(0, 0), Expected(0, 0)}},
    };
    for (const auto& c : cases) {
        t->DateTimePicker1->SetDate(EncodeDate(c.y, c.mo, c.d));
        t->Reload();
        EXPECT_EQ(Rows(t), c.rows) << c.y << "-" << c.mo << "-" << c.d;
    }
    EXPECT_FALSE(t->ClientDataSetMainTable->FieldByName("FlotMKub")->IsNull());
    EXPECT_EQ(t->ClientDataSetMainTable->RecordCount(), 4);
    EXPECT_TRUE(t->DBGridGxMainTable->ReadOnly());
    EXPECT_TRUE(testlib::TakeEvents().empty());
}

TEST_F(GridTablesTest, GeneralTableFailingStatementSkipsTheRestOfItsPeriodOnly) {
    REQUIRE_TEST_DB();
    FillHistory();
    auto* t = NewForm<TFormTableMain>(form);
    t->DateTimePicker1->SetDate(EncodeDate(2010, 3, 15));
    t->Reload();
    // Flotation fails last in each period: belts and jig machines of every period still load.
    db->Exec("rename table puf_data to puf_data_away");
    t->DateTimePicker1->SetDate(EncodeDate(2010, 3, 1));
    t->Reload();
    EXPECT_EQ(testlib::TakeEvents(), std::vector<std::string>(4, TFormTableMain::LoadFailureText));
    std::vector<std::map<std::string, double>> rows = Rows(t);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[3]["OtsWorkTime"], 128);
    EXPECT_EQ(rows[3]["FlotMKub"], 2579);  // the 15th's, left as it was
    // The belts fail first: the rest of each period is skipped.
    db->Exec("rename table puf_data_away to puf_data");
    db->Exec("rename table belt_401 to belt_401_away");
    t->DateTimePicker1->SetDate(EncodeDate(2010, 3, 15));
    t->Reload();
    EXPECT_EQ(testlib::TakeEvents(), std::vector<std::string>(4, TFormTableMain::LoadFailureText));
    EXPECT_EQ(Rows(t)[3]["OtsWorkTime"], 128);
    EXPECT_FALSE(t->WaitPanel->Visible());
    EXPECT_EQ(t->ReloadBusy, 0);
}

TEST_F(GridTablesTest, GeneralTablePrintsLandscapeWithTheDayShown) {
    REQUIRE_TEST_DB();
    FillHistory();
    auto* t = NewForm<TFormTableMain>(form);
    t->DateTimePicker1->SetDate(EncodeDate(2010, 3, 15));
    t->Reload();
    t->DateTimePicker1->SetDate(EncodeDate(2011, 1, 1));
    PrinterPreview()->SetOrientation(poPortrait);
    t->PrintReport();
    const std::string pdf = PreviewToPdf("main.pdf");
    EXPECT_TRUE(Landscape(pdf));
    const std::string text = testlib::SquashBlanks(testlib::PdfText(pdf));
    for (const char* s : {"Обобщенная таблица", "показателей работы отсадки, флотации и весов концентрата",
                          "за 15.03.2010", "Отсадка", "Флотация", "Весы концентрата", "Смена 1", "С начала месяца",
                          "5 158,0"})
        EXPECT_NE(text.find(s), std::string::npos) << s << "\n" << text;
    EXPECT_EQ(text.find("[Date]"), std::string::npos);
    // The block keeps its marker for the next print.
    EXPECT_EQ(t->PrintDBGridGx->BeforeGridText()->Get(3), "за [Date]");
}

TEST_F(GridTablesTest, TheTimerLeavesATableAloneWhileItPrints) {
    REQUIRE_TEST_DB();
    auto* t = NewForm<TFormTableMain>(form);
    t->Reload();
    struct Handler : TComponent {
        Handler() : TComponent(nullptr) {}
        TFormTableMain* table = nullptr;
        int ticksSeen = -1;
        void Run(TObject*) {
            table->ReloadRequested = 1;
            table->TimerUpdateTimer(table->TimerUpdate);
            ticksSeen = table->TickCount;
        }
    } h;
    h.table = t;
    t->PrintDBGridGx->OnBeforePrint = TNotifyEvent(&h, &Handler::Run);
    t->PrintReport();
    EXPECT_EQ(h.ticksSeen, 0);
    EXPECT_EQ(t->ReloadRequested, 1);
    t->PrintDBGridGx->OnBeforePrint = nullptr;
}

TEST_F(GridTablesTest, HydrosizerRowsFromItsFileWrittenBackAtClose) {
    REQUIRE_TEST_DB();
    FillHistory();
    auto* gs = NewForm<TFormTable_GS_work>(form);
    const struct {
        int y, mo, d;
        std::vector<std::string> outRV;  // as the grid shows them; an empty sum blank
    } cases[] = {
        {2010, 3, 15, {"3,00", "12,00", "15,00", "2 579,00"}},
        {2010, 4, 20, {"", "", "", ""}},
        {2010, 3, 1, {"64,00", "", "64,00", "64,00"}},
    };
    TColumnGx* outRV = gs->DBGridGx1->Columns()->Items(1);
    for (const auto& c : cases) {
        gs->DateTimePicker1->SetDate(EncodeDate(c.y, c.mo, c.d));
        gs->Reload();
        std::vector<std::string> shown, intervals;
        TClientDataSet* ds = gs->ClientDataSet1;
        for (ds->First(); !ds->Eof(); ds->Next()) {
            shown.push_back(Trim(outRV->DisplayText()).str());
            intervals.push_back(ds->FieldByName("Interval")->AsString().str());
            // The feed side has no rows: blank.
            EXPECT_TRUE(ds->FieldByName("In_RV")->IsNull());
        }
        EXPECT_EQ(shown, c.outRV) << c.y << "-" << c.mo << "-" << c.d;
        EXPECT_EQ(intervals, (std::vector<std::string>{"Смена 1", "Смена 2", "За сутки", "С начала месяца"}));
        EXPECT_EQ(ds->ChangeCount(), 0);
    }
    EXPECT_TRUE(testlib::TakeEvents().empty());
    // Closing writes the last sums into the file.
    gs->ClientDataSet1->Close();
    const std::string file = ReadFile(IncludeTrailingPathDelimiter(TemplateDir).str() + "GS_work.xml");
    EXPECT_NE(file.find("Out_GS=\"128"), std::string::npos) << file;
    EXPECT_NE(file.find("С начала месяца"), std::string::npos) << file;
}

// What the plant really writes: one row a minute, rates per hour and minutes of work. Five hours of
// shift 1 at 400 m³/h and 500 t/h delivered 2,000 m³ and 2,500 t; a jig machine that worked every
// minute of them, and under load 3 minutes in 4, worked 5 hours, 3.75 of them under load.
TEST_F(GridTablesTest, MinuteRowsAddUpToHoursAndDeliveredAmounts) {
    REQUIRE_TEST_DB();
    std::string pug, pu;
    for (int m = 0; m < 300; ++m) {
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "2010-03-15 %02d:%02d:00", 7 + m / 60, m % 60);
        pug += std::string(m ? ", " : "") + "('" + stamp + "', 400, 500)";
        pu += std::string(m ? ", " : "") + "('" + stamp + "', 1, " + (m % 4 ? "1" : "0") + ")";
    }
    db->Exec("insert into pug (RecMoment, RV2_GS, RG2_GS) values " + pug);
    db->Exec("insert into pu1 (PostMoment, RAB, NRAB) values " + pu);

    auto* gs = NewForm<TFormTable_GS_work>(form);
    gs->DateTimePicker1->SetDate(EncodeDate(2010, 3, 15));
    gs->Reload();
    gs->ClientDataSet1->First();
    EXPECT_NEAR(gs->ClientDataSet1->FieldByName("Out_RV")->AsFloat(), 2000, 1e-6);
    EXPECT_NEAR(gs->ClientDataSet1->FieldByName("Out_GS")->AsFloat(), 2500, 1e-6);
    EXPECT_EQ(Trim(gs->DBGridGx1->Columns()->Items(1)->DisplayText()), "2 000,00");

    auto* t = NewForm<TFormTableMain>(form);
    t->DateTimePicker1->SetDate(EncodeDate(2010, 3, 15));
    t->Reload();
    const std::map<std::string, double> shift1 = Rows(t).at(0);
    EXPECT_EQ(shift1.at("OtsWorkTime"), 5);
    EXPECT_EQ(shift1.at("OtsNagrTime"), 3.75);
    EXPECT_TRUE(testlib::TakeEvents().empty());
}

TEST_F(GridTablesTest, HydrosizerWithoutItsFileLogsTheReload) {
    REQUIRE_TEST_DB();
    std::filesystem::remove(IncludeTrailingPathDelimiter(TemplateDir).str() + "GS_work.xml");
    auto* gs = NewForm<TFormTable_GS_work>(form);
    gs->Reload();
    EXPECT_EQ(testlib::TakeEvents(), std::vector<std::string>{"Ошибка в TFormTable_GS_work::Reload()"});
    EXPECT_FALSE(gs->ClientDataSet1->Active());
    EXPECT_FALSE(gs->WaitPanel->Visible());
    // A failing statement logs its own text per period.
    InstallHydrosizerTemplate();
    db->Exec("rename table pug to pug_away");
    gs->Reload();
    EXPECT_EQ(testlib::TakeEvents(), std::vector<std::string>(4, TFormTable_GS_work::LoadFailureText));
    EXPECT_EQ(gs->ClientDataSet1->State(), dsBrowse);
}

TEST_F(GridTablesTest, HydrosizerPrintsPortraitWithTitleAndThePickersDay) {
    REQUIRE_TEST_DB();
    FillHistory();
    auto* gs = NewForm<TFormTable_GS_work>(form);
    gs->DateTimePicker1->SetDate(EncodeDate(2010, 3, 15));
    gs->Reload();
    gs->DateTimePicker1->SetDate(EncodeDate(2010, 3, 20));
    PrinterPreview()->SetOrientation(poLandscape);
    gs->PrintReport();
    const std::string pdf = PreviewToPdf("gs.pdf");
    EXPECT_FALSE(Landscape(pdf));
    const std::string text = testlib::SquashBlanks(testlib::PdfText(pdf));
    for (const char* s : {"Таблица показателей работы гидросайзера 20.03.2010", "Период", "Выход концентрата", "куб.м",
                          "тонн", "Смена 2", "2 579,00", "5 158,00"})
        EXPECT_NE(text.find(s), std::string::npos) << s << "\n" << text;
}

}  // namespace
