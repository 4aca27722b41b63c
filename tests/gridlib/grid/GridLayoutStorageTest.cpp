// Layout storage: the stored text of a column and of the grid, what a restore takes back with each
// option, positions claimed twice, other grids' keys, the per-user store under its own folder, and
// the property storage's interceptors of column widths and column order.
#include "GridTestSupport.h"

#include "gui/Forms.h"
#include "rtl/IniFiles.h"
#include "rtl/Streams.h"
#include "testlib/TempDir.h"

#include <cstdlib>
#include <filesystem>

namespace {

const char* const kFields[] = {"ASH", "MOISTURE", "DATE_T"};

class LayoutStorageTest : public gridtest::GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        cds.FieldDefs()->Add("ASH", ftFloat);
        cds.FieldDefs()->Add("MOISTURE", ftFloat);
        cds.FieldDefs()->Add("DATE_T", ftDateTime);
        cds.CreateDataSet();
        cds.AppendRecord({Variant(10.5), Variant(7.25), Variant(45000.0)});
        grid->SetName("Grid1");
        grid->SetDataSource(&source);
        for (const char* f : kFields) {
            TColumnGx* c = grid->Columns()->Add();
            c->SetFieldName(f);
            c->SetWidth(64);
        }
    }
    TColumnGx* Col(int i) const { return grid->Columns()->Items(i); }
    std::string Order() const { return FieldNames(); }
    std::string IniPath() const { return dir / "layout.ini"; }

    testlib::TempDir dir{"layout"};
};

TEST_F(LayoutStorageTest, EveryColumnIsOneKeyAndTheGridOneMore) {
    grid->SetRowHeight(30);
    grid->SetRowLines(2);
    Col(1)->SetVisible(false);
    Col(2)->Title()->SetSortMarker(smUpGx);
    Col(2)->SetDropDownRows(12);
    Col(2)->SetDropDownWidth(150);
    grid->SaveGridLayoutIni(IniPath(), "Layout", true);

    TIniFile ini(IniPath());
    EXPECT_EQ(ini.ReadString("Layout", "Grid1.ASH", ""), "0,64,0,1,0,7,0");
    EXPECT_EQ(ini.ReadString("Layout", "Grid1.MOISTURE", ""), "1,64,0,0,0,7,0");
    EXPECT_EQ(ini.ReadString("Layout", "Grid1.DATE_T", ""), "2,64,2,1,1,12,150");
    EXPECT_EQ(ini.ReadString("Layout", "(Default)", ""), "30,2");
}

TEST_F(LayoutStorageTest, EachOptionTakesBackItsOwnWords) {
    struct Case {
        const char* stored;
        TColumnGxRestoreParams params;
        int width;
        TSortMarkerGx marker;
        int sortIndex;
        bool visible;
        unsigned dropDownRows;
        int dropDownWidth;
    };
    constexpr TColumnGxRestoreParams kAllButPositions = ~0u & ~crpColIndexGx;
    const Case cases[] = {
        {"2,80,1,0,1,7,0", crpColWidthsGx, 80, smNoneGx, 0, true, 7, 0},
        {"2 80", crpColWidthsGx, 80, smNoneGx, 0, true, 7, 0},
        {" 2 ,, 80 ", crpColWidthsGx, 80, smNoneGx, 0, true, 7, 0},  // runs of separators are one
        {"2,80,1,0,1,9,33", crpSortMarkerGx | crpColVisibleGx, 64, smDownGx, 1, false, 7, 0},
        {"2,80,1,0,1,9,33", crpDropDownRowsGx | crpDropDownWidthGx, 64, smNoneGx, 0, true, 9, 33},
        {"2,wide,up,x,y,z,w", kAllButPositions, 64, smNoneGx, 0, true, 7, 0},  // no numbers: the current values
        {"2,80,7", crpSortMarkerGx, 64, smNoneGx, 0, true, 7, 0},  // no such marker
        {"", kAllButPositions, 64, smNoneGx, 0, true, 7, 0},                   // no entry: nothing changes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        Col(0)->SetWidth(64);
        Col(0)->SetVisible(true);
        Col(0)->Title()->SetSortMarkerRaw(smNoneGx);
        Col(0)->Title()->SetSortIndexRaw(0);
        Col(0)->SetDropDownRows(7);
        Col(0)->SetDropDownWidth(0);
        {
            TIniFile ini(IniPath());
            ini.EraseSection("L");
            if (*c.stored) ini.WriteString("L", "Grid1.ASH", c.stored);
        }
        grid->RestoreColumnsLayoutIni(IniPath(), "L", c.params);
        EXPECT_EQ(Col(0)->Width(), c.width);
        EXPECT_EQ(Col(0)->Title()->SortMarker(), c.marker);
        EXPECT_EQ(Col(0)->Title()->SortIndex(), c.sortIndex);
        EXPECT_EQ(Col(0)->Visible(), c.visible);
        EXPECT_EQ(Col(0)->DropDownRows(), c.dropDownRows);
        EXPECT_EQ(Col(0)->DropDownWidth(), c.dropDownWidth);
        EXPECT_EQ(Order(), "ASH,MOISTURE,DATE_T") << "positions only with their option";
    }
}

TEST_F(LayoutStorageTest, PositionsComeBackAndTheFirstClaimWins) {
    struct Case {
        const char* ash;
        const char* moisture;
        const char* date;
        const char* order;
    };
    const Case cases[] = {
        {"2", "0", "1", "MOISTURE,DATE_T,ASH"},
        // Both ASH and MOISTURE claim 1: ASH (first in collection order) moves there.
        {"1", "1", "0", "DATE_T,ASH,MOISTURE"},
        // A column without an entry claims the place it has: ASH keeps 0, DATE_T loses 2 to MOISTURE.
        {"", "2", "", "ASH,DATE_T,MOISTURE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.order);
        for (int i = 0; i < 3; ++i) grid->GetFieldColumns(kFields[i])->SetIndex(i);
        {
            TIniFile ini(IniPath());
            ini.EraseSection("L");
            if (*c.ash) ini.WriteString("L", "Grid1.ASH", c.ash);
            if (*c.moisture) ini.WriteString("L", "Grid1.MOISTURE", c.moisture);
            if (*c.date) ini.WriteString("L", "Grid1.DATE_T", c.date);
        }
        grid->RestoreColumnsLayoutIni(IniPath(), "L", crpColIndexGx);
        EXPECT_EQ(Order(), c.order);
    }
}

TEST_F(LayoutStorageTest, SortMarkersComeBackWithTheirOrder) {
    Col(0)->Title()->SetSortMarkerRaw(smDownGx);
    Col(2)->Title()->SetSortMarkerRaw(smUpGx);
    Col(2)->Title()->SetSortIndexRaw(1);
    Col(0)->Title()->SetSortIndexRaw(2);
    grid->SaveColumnsLayoutIni(IniPath(), "L", true);
    for (int i = 0; i < 3; ++i) {
        Col(i)->Title()->SetSortMarkerRaw(smNoneGx);
        Col(i)->Title()->SetSortIndexRaw(0);
    }
    grid->SetSortMarkedColumns();
    grid->RestoreColumnsLayoutIni(IniPath(), "L", crpSortMarkerGx);
    EXPECT_EQ(Col(0)->Title()->SortMarker(), smDownGx);
    EXPECT_EQ(Col(2)->Title()->SortMarker(), smUpGx);
    ASSERT_EQ(grid->SortMarkedColumns()->Count(), 2);
    EXPECT_EQ(grid->SortMarkedColumns()->GetColumn(0), Col(2)) << "sort index 1 first";
    EXPECT_EQ(grid->SortMarkedColumns()->GetColumn(1), Col(0));
}

TEST_F(LayoutStorageTest, OtherGridsKeysStayUnlessTheSectionIsErased) {
    {
        TIniFile ini(IniPath());
        ini.WriteString("L", "Grid2.ASH", "0,99,0,1,0,7,0");
    }
    grid->SaveColumnsLayoutIni(IniPath(), "L", false);
    EXPECT_EQ(TIniFile(IniPath()).ReadString("L", "Grid2.ASH", ""), "0,99,0,1,0,7,0");
    EXPECT_EQ(TIniFile(IniPath()).ReadString("L", "Grid1.ASH", ""), "0,64,0,1,0,7,0");
    TIniFile ini(IniPath());
    grid->SaveColumnsLayout(&ini, "L");  // the INI object form never erases
    EXPECT_EQ(ini.ReadString("L", "Grid2.ASH", ""), "0,99,0,1,0,7,0");
    grid->SaveGridLayoutIni(IniPath(), "L", true);
    EXPECT_EQ(ini.ReadString("L", "Grid2.ASH", "gone"), "gone");
    EXPECT_EQ(ini.ReadString("L", "Grid1.DATE_T", ""), "2,64,0,1,0,7,0");
}

TEST_F(LayoutStorageTest, TheRowHeightComesBackAndAMissingEntryGivesZero) {
    grid->SetRowHeight(30);
    grid->SetRowLines(2);
    grid->SaveGridLayoutIni(IniPath(), "L", true);
    grid->SetRowHeight(0);
    grid->SetRowLines(0);
    grid->RestoreGridLayoutIni(IniPath(), "L", grpColWidthsGx);
    EXPECT_EQ(grid->RowHeight(), 0) << "without its option the grid entry is left alone";
    grid->RestoreGridLayoutIni(IniPath(), "L", grpRowHeightGx);
    EXPECT_EQ(grid->RowHeight(), 30);
    EXPECT_EQ(grid->RowLines(), 2);
    grid->RestoreGridLayoutIni(IniPath(), "Other", grpRowHeightGx);
    EXPECT_EQ(grid->RowHeight(), 0);
    EXPECT_EQ(grid->RowLines(), 0);

    // The grid options select their column options: positions and widths, nothing else.
    TIniFile ini(IniPath());
    ini.WriteString("L", "Grid1.MOISTURE", "0,90,1,0,1,3,40");
    ini.WriteString("L", "Grid1.ASH", "1");
    grid->RestoreGridLayout(&ini, "L", grpColIndexGx | grpColWidthsGx);
    EXPECT_EQ(Order(), "MOISTURE,ASH,DATE_T");
    EXPECT_EQ(Col(0)->Width(), 90);
    EXPECT_TRUE(Col(0)->Visible());
    EXPECT_EQ(Col(0)->DropDownRows(), 7u);
}

// The form class the storage names sections after.
class TMainForm : public TForm {
    PLANTMON_CLASS(TMainForm, TForm)
public:
    using TForm::TForm;
};

TEST_F(LayoutStorageTest, TheSettingsStoreKeepsAFileOfItsOwnUnderTheUsersFolder) {
    testlib::TempDir config("xdg");
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string previous = saved ? saved : "";
    setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);

    TMainForm* form = NewForm<TMainForm>(nullptr);
    auto* side = new TComponent(form);
    side->SetName("SidePanel");
    gridtest::TestGrid* g = new gridtest::TestGrid(side);
    g->SetName("Grid1");
    g->SetDataSource(&source);
    TColumnGx* c = g->Columns()->Add();
    c->SetFieldName("ASH");
    c->SetWidth(70);
    g->SetRowHeight(25);
    EXPECT_EQ(g->StorageSectionName(), "TMainFormSidePanel.Grid1");
    EXPECT_EQ(grid->StorageSectionName(), "Grid1") << "no form among the owners";
    auto* direct = new gridtest::TestGrid(form);
    direct->SetName("Grid9");
    EXPECT_EQ(direct->StorageSectionName(), "TMainFormGrid9");

    {
        TRegIniFile reg("Software\\Plant\\Grids");
        reg.WriteString("TMainFormSidePanel.Grid1", "Grid1.OLD", "0,1,0,1,0,7,0");
        g->SaveGridLayout(&reg);
    }
    const std::string file = config.Path() + "/plantmon/Software/Plant/Grids.ini";
    ASSERT_TRUE(std::filesystem::exists(file));
    TIniFile ini(file);
    EXPECT_EQ(ini.ReadString("TMainFormSidePanel.Grid1", "Grid1.OLD", "gone"), "gone") << "always an empty section";
    EXPECT_EQ(ini.ReadString("TMainFormSidePanel.Grid1", "Grid1.ASH", ""), "0,70,0,1,0,7,0");
    EXPECT_EQ(ini.ReadString("TMainFormSidePanel.Grid1", "(Default)", ""), "25,0");

    c->SetWidth(10);
    g->SetRowHeight(0);
    {
        TRegIniFile reg("Software\\Plant\\Grids");
        g->RestoreGridLayout(&reg, grpColWidthsGx | grpRowHeightGx);
    }
    EXPECT_EQ(c->Width(), 70);
    EXPECT_EQ(g->RowHeight(), 25);

    form->Free();
    if (saved) setenv("XDG_CONFIG_HOME", previous.c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
}

// ---- Property storage ---------------------------------------------------------------------------------

struct GridForm {
    TForm* form;
    gridtest::TestGrid* grid;
    GridForm(const char* name, TDataSource* source, std::initializer_list<const char*> fields) {
        form = NewForm<TForm>(nullptr);
        form->SetName(name);
        grid = new gridtest::TestGrid(form);
        grid->SetName("Grid1");
        grid->SetParent(form);
        grid->SetDataSource(source);
        int w = 50;
        for (const char* f : fields) {
            TColumnGx* c = grid->Columns()->Add();
            c->SetFieldName(f);
            c->SetWidth(w);
            w += 10;
        }
    }
    ~GridForm() { form->Free(); }
    std::string Order() const {
        std::string s;
        for (int i = 0; i < grid->Columns()->Count(); ++i)
            s += (i ? "," : "") + grid->Columns()->Items(i)->FieldName().str();
        return s;
    }
};

void storeProps(TComponent* owner, std::initializer_list<const char*> paths, TMemoryStream& out) {
    TStringList list;
    for (const char* p : paths) list.Add(p);
    TPropWriterGx writer(&out);
    writer.WriteOwnerProperties(owner, &list);
    out.SetPosition(0);
}

void loadProps(TComponent* owner, TMemoryStream& in) {
    in.SetPosition(0);
    TPropReaderGx reader(&in);
    reader.ReadOwnerProperties(owner);
}

TEST_F(LayoutStorageTest, TheColumnOrderIsItsQuotedFieldNames) {
    TColumnsGxPropertyInterceptor order(grid->Columns());
    EXPECT_EQ(order.ColumnsIndex(), "\"ASH\",\"MOISTURE\",\"DATE_T\"");
    order.SetColumnsIndex("\"MOISTURE\",\"ASH\"");
    EXPECT_EQ(Order(), "MOISTURE,ASH,DATE_T");
    order.SetColumnsIndex("\"GONE\",\"date_t\",\"ASH\",\"X\",\"Y\",\"Z\"");  // unknown names are skipped
    EXPECT_EQ(Order(), "MOISTURE,DATE_T,ASH");
    gridtest::TestGrid empty(nullptr);
    EXPECT_EQ(TColumnsGxPropertyInterceptor(empty.Columns()).ColumnsIndex(), "");
}

TEST_F(LayoutStorageTest, StoredWidthsAndOrderComeBackThroughThePropertyStorage) {
    GridForm a("FormA", &source, {"ASH", "MOISTURE", "DATE_T"});
    a.grid->Columns()->Items(2)->SetIndex(0);
    ASSERT_EQ(a.Order(), "DATE_T,ASH,MOISTURE");
    TMemoryStream stream;
    // The order first, so that the widths, stored by position, land on the same columns.
    storeProps(a.form, {"Grid1.<P>.Columns.ColumnsIndex", "Grid1.<P>.Columns.<ForAllItems>.Width"}, stream);

    // A plain grid: the widths become the columns' widths, the order comes back.
    GridForm b("FormB", &source, {"ASH", "MOISTURE", "DATE_T"});
    loadProps(b.form, stream);
    EXPECT_EQ(b.Order(), "DATE_T,ASH,MOISTURE");
    EXPECT_EQ(b.grid->Columns()->Items(0)->Width(), 70);
    EXPECT_EQ(b.grid->Columns()->Items(1)->Width(), 50);
    EXPECT_EQ(b.grid->Columns()->Items(2)->Width(), 60);

    // A fitting grid: the stored widths are what the fitting scales from.
    GridForm c("FormC", &source, {"ASH", "MOISTURE", "DATE_T"});
    c.grid->SetAutoFitColWidths(true);
    loadProps(c.form, stream);
    EXPECT_EQ(c.grid->Columns()->Items(0)->FitBaseWidth(), 70);
    EXPECT_EQ(c.grid->Columns()->Items(1)->FitBaseWidth(), 50);
    EXPECT_EQ(c.grid->Columns()->Items(2)->FitBaseWidth(), 60);
}

}  // namespace
