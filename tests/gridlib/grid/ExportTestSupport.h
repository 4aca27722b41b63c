// Fixtures of the export and import tests: a grid whose selection and footers the test sets, over
// a small client dataset with customized columns, and helpers for the bytes of a stream.
#pragma once

#include "GridTestSupport.h"

#include "gridlib/grid/DBGridGxImpExp.h"
#include "testlib/TempDir.h"

#include <functional>
#include <string>
#include <vector>

namespace exporttest {

// The selection and footer parts of the grid stand in for the parts the grid gets elsewhere.
class SelGrid : public gridtest::TestGrid {
    PLANTMON_CLASS(SelGrid, gridtest::TestGrid)
public:
    using gridtest::TestGrid::TestGrid;
    TImpExpSelectionGx selection;
    std::function<TImpExpFooterGx(TColumnGx*, int)> footer;
    int clears = 0;
    TImpExpSelectionGx ImpExpSelection() override { return selection; }
    void ImpExpClearSelection() override {
        ++clears;
        selection = TImpExpSelectionGx();
    }
    TImpExpFooterGx ImpExpFooter(TColumnGx* column, int row) override {
        return footer ? footer(column, row) : TCustomDBGridGx::ImpExpFooter(column, row);
    }
};

inline std::string Bytes(TMemoryStream& s) {
    return std::string(static_cast<const char*>(s.Memory()), static_cast<std::size_t>(s.Size()));
}

template <class T>
std::string Export(TCustomDBGridGx* grid, bool all = true) {
    TMemoryStream out;
    WriteDBGridGxToExportStream(ExportClassOf<T>(), grid, &out, all);
    return Bytes(out);
}

template <class T>
void Import(TCustomDBGridGx* grid, const std::string& bytes, bool all = false) {
    TMemoryStream in;
    if (!bytes.empty()) in.WriteBuffer(bytes.data(), static_cast<long long>(bytes.size()));
    in.SetPosition(0);
    ReadDBGridGxFromImportStream(ImportClassOf<T>(), grid, &in, all);
}

// A grid over ID (integer), Name (text), Amount (float) with one column each.
class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        guitest::EnsureApp();
        source.SetDataSet(&cds);
        grid = std::make_unique<SelGrid>(nullptr);
        grid->SetName("Grid1");
    }
    void TearDown() override {
        grid.reset();
        cds.Close();
        guitest::Pump();
    }
    // Fields and rows given; one column per field, in field order.
    void Open(std::vector<std::pair<const char*, TFieldType>> fields, std::vector<std::vector<Variant>> rows) {
        for (auto& [name, type] : fields) cds.FieldDefs()->Add(name, type, type == ftString ? 40 : 0);
        cds.CreateDataSet();
        for (auto& r : rows) cds.AppendRecord(r);
        cds.MergeChangeLog();
        cds.First();
        grid->SetDataSource(&source);
        for (auto& f : fields) {
            TColumnGx* c = grid->Columns()->Add();
            c->SetFieldName(f.first);
        }
        grid->LayoutChanged();
    }
    TColumnGx* Col(int i) const { return grid->Columns()->Items(i); }
    TBookmark BookmarkOf(int recNo) {
        cds.SetRecNo(recNo);
        TBookmark b = cds.Bookmark();
        cds.First();
        return b;
    }
    std::string Column(const char* field) {
        std::string s;
        bool first = true;
        const TBookmark here = cds.Bookmark();
        for (cds.First(); !cds.Eof(); cds.Next()) {
            s += (first ? "" : "|") + cds.FieldByName(field)->DisplayText().str();
            first = false;
        }
        if (!here.IsEmpty() && cds.BookmarkValid(here)) cds.GotoBookmark(here);
        return s;
    }

    datatest::RussianLocale locale;
    gridtest::FixedMetrics metrics;
    TClientDataSet cds{nullptr};
    TDataSource source{nullptr};
    std::unique_ptr<SelGrid> grid;
};

}  // namespace exporttest
