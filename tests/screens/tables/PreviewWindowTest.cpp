// The grid prints as a station without a printer shows them: the main window's print actions open
// the preview window, and its picture (the whole window painted off screen) holds the page whole,
// with the table's lines and the texts of its cells, the right-hand columns included.
#include "screens/tables/LogView.h"
#include "screens/tables/TableMain.h"

#include "TablesTestSupport.h"

#include "gridlib/print/PrViewGx.h"
#include "gridlib/print/PrvFrmGx.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>

namespace {

using tablestest::TablesTest;

class PreviewWindowTest : public TablesTest {
protected:
    void SetUp() override {
        TablesTest::SetUp();
        At(2010, 3, 15);
    }
    void TearDown() override {
        if (PreviewFormGx) PreviewFormGx->Hide();
        TablesTest::TearDown();
    }
};

bool dark(QRgb p) { return qGray(p) < 128; }
bool ink(QRgb p) { return qGray(p) < 200; }

// What the painted page holds: its long horizontal and vertical lines, and the ink between them in
// the left and the right half of the lines' extent.
struct PageInk {
    int rows = 0, columns = 0;
    int left = 0, right = 0;
};

PageInk Read(const QImage& page) {
    const int w = page.width(), h = page.height();
    std::vector<bool> lineRow(static_cast<std::size_t>(h)), lineColumn(static_cast<std::size_t>(w));
    auto longestRun = [&](int n, auto&& at) {
        int best = 0, run = 0;
        for (int i = 0; i < n; ++i) {
            run = dark(at(i)) ? run + 1 : 0;
            best = std::max(best, run);
        }
        return best;
    };
    PageInk r;
    int x0 = w, x1 = 0;
    for (int y = 0; y < h; ++y) {
        if (longestRun(w, [&](int x) { return page.pixel(x, y); }) < w / 3) continue;
        lineRow[static_cast<std::size_t>(y)] = true;
        if (y == 0 || !lineRow[static_cast<std::size_t>(y - 1)]) ++r.rows;
    }
    for (int x = 0; x < w; ++x) {
        if (longestRun(h, [&](int y) { return page.pixel(x, y); }) < h / 20) continue;
        lineColumn[static_cast<std::size_t>(x)] = true;
        if (x == 0 || !lineColumn[static_cast<std::size_t>(x - 1)]) ++r.columns;
        x0 = std::min(x0, x);
        x1 = std::max(x1, x);
    }
    for (int y = 0; y < h; ++y) {
        if (lineRow[static_cast<std::size_t>(y)]) continue;
        for (int x = x0; x < x1; ++x) {
            if (lineColumn[static_cast<std::size_t>(x)] || !ink(page.pixel(x, y))) continue;
            (x < (x0 + x1) / 2 ? r.left : r.right)++;
        }
    }
    return r;
}

TEST_F(PreviewWindowTest, PrintActionsShowTheWholePageWithTheTablesLinesAndTexts) {
    REQUIRE_TEST_DB();
    db->Exec("insert into pu1_log (PostMoment, Message) values ('2010-03-15 08:10:00', 'Пуск машины крупного класса'), "
             "('2010-03-15 09:20:00', 'Останов машины крупного класса'), "
             "('2010-03-15 10:30:00', 'Пуск машины крупного класса')");
    ASSERT_FALSE(PrinterPreview()->HasPrinter());
    FormTableMain = NewForm<TFormTableMain>(form);
    FormTableMain->Reload();
    const struct {
        TAction* print;
        int rows;     // horizontal lines at least: the titles' and the rows'
        int columns;  // vertical lines at least
    } cases[] = {
        {form->ActionPrintTableMain, 6, 10},  // four periods under titles of two levels
        {form->ActionPrintLogPU1, 4, 3},      // three messages: a time and a text each
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.print->Name().str());
        c.print->Execute();
        TPreviewFormGx* window = PreviewFormGx;
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(window->Visible());
        EXPECT_EQ(window->stbMain->SimpleText(), "Страница 1 из 1");
        // The page box takes the window below the tool bar; the page lies whole inside it.
        TPreviewBox* box = window->PreviewGx1;
        TControl* panel = box->DrawPanel();
        EXPECT_GT(box->Height(), window->ClientHeight() * 2 / 3);
        const TPoint origin = window->ScreenToClient(panel->ClientToScreen(TPoint(0, 0)));
        EXPECT_GE(origin.x, 0);
        EXPECT_GE(origin.y, box->Top());
        EXPECT_LE(origin.x + panel->Width(), window->ClientWidth());
        EXPECT_LE(origin.y + panel->Height(), box->Top() + box->Height());
        const QImage shot = guitest::Grab(window);
        ASSERT_FALSE(shot.isNull());
        const QImage page = shot.copy(origin.x, origin.y, panel->Width(), panel->Height());
        const PageInk read = Read(page);
        EXPECT_GE(read.rows, c.rows);
        EXPECT_GE(read.columns, c.columns);
        // Texts on both halves of the table.
        EXPECT_GT(read.left, 100);
        EXPECT_GT(read.right, 100);
        window->Hide();
    }
}

}  // namespace
