// Fixtures of the grid tests: a grid that opens its protected editing hooks, fixed text metrics for
// every canvas, and small client datasets.
#pragma once

#include "gridlib/grid/DBGridGx.h"
#include "gui/Forms.h"

#include "testlib/DataTestSupport.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace gridtest {

class TestGrid : public TDBGridGx {
    PLANTMON_CLASS(TestGrid, TDBGridGx)
public:
    explicit TestGrid(TComponent* owner) : TDBGridGx(owner) {}
    using TCustomDBGridGx::CanEditAcceptKey;
    using TCustomDBGridGx::CanEditModify;
    using TCustomDBGridGx::CanEditShow;
    using TCustomDBGridGx::GetEditText;
    using TCustomDBGridGx::SetEditText;
    using TCustomDBGridGx::CreateColumns;

    // Paints the whole client area into picture (which takes the client's size).
    void PaintOn(TBitmap& picture) {
        picture.SetSize(ClientWidth(), ClientHeight());
        Canvas()->SetDevice(picture.Canvas()->Device(), false);
        try {
            Paint();
        } catch (...) {
            Canvas()->ReleaseDevice();
            throw;
        }
        Canvas()->ReleaseDevice();
    }

    // Counted passes, and a pass that fails on request.
    int passes = 0;
    bool failPass = false;
    void UpdateRowCount() override {
        ++passes;
        if (failPass) throw EInvalidGridOperation("pass failed");
        TDBGridGx::UpdateRowCount();
    }
    // Deferred layout requests handled so far.
    int deferredRequests = 0;
    void Dispatch(TMessage& m) override {
        if (m.Msg == CM_DEFERLAYOUTGX) ++deferredRequests;
        TDBGridGx::Dispatch(m);
    }

    // Types text into the current cell as the in-place editor hands it over.
    void Type(const AnsiString& text) {
        GetEditText(Col(), Row());
        ASSERT_TRUE(CanEditModify());
        SetEditText(Col(), Row(), text);
    }
};

// Every canvas measures text by the fixed rule: 7 pixels a character, 13 pixels a line.
class FixedMetrics {
public:
    FixedMetrics() { previous_ = SetDefaultCanvasRecorder(&recorder); }
    ~FixedMetrics() { SetDefaultCanvasRecorder(previous_); }
    TCanvasRecorder recorder;

private:
    TCanvasRecorder* previous_ = nullptr;
};

// A grid over a client dataset, measured with fixed metrics.
class GridTest : public ::testing::Test {
protected:
    void SetUp() override {
        guitest::EnsureApp();
        metrics = std::make_unique<FixedMetrics>();
        source.SetDataSet(&cds);
        grid = std::make_unique<TestGrid>(nullptr);
    }
    void TearDown() override {
        grid.reset();
        cds.Close();
        guitest::Pump();
    }
    // Rows as datatest::FillRows makes them (ID, Name, Amount), shown by the grid.
    void Open(int rows) {
        datatest::FillRows(cds, rows);
        grid->SetDataSource(&source);
    }
    std::string FieldNames() const {
        std::string s;
        for (int i = 0; i < grid->Columns()->Count(); ++i)
            s += (i ? "," : "") + grid->Columns()->Items(i)->FieldName().str();
        return s;
    }

    datatest::RussianLocale locale;
    std::unique_ptr<FixedMetrics> metrics;
    TClientDataSet cds{nullptr};
    TDataSource source{nullptr};
    std::unique_ptr<TestGrid> grid;
};

// The grid shown on a form of its own size, for keys, presses and painting that need a real window.
class ShownGridTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        form = std::make_unique<TForm>(nullptr);
        grid->SetParent(form.get());
        Resize(420, 220);
    }
    void TearDown() override {
        grid->SetParent(nullptr);
        form.reset();
        GridTest::TearDown();
    }
    void Resize(int width, int height) {
        form->SetClientSize(width, height);
        grid->SetBounds(0, 0, width, height);
    }
    void Show() {
        guitest::ShowForm(form.get());
        grid->SetFocus();
        ASSERT_TRUE(guitest::WaitFor([&] { return grid->Focused(); }));
    }
    std::unique_ptr<TForm> form;
};

}  // namespace gridtest
