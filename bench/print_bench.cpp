// Speed of printed pages: a grid page and a journal page at 600 dpi with 6-pixel lines, drawn
// through the canvas on the PDF printer, and recorded into a page picture then replayed onto it,
// against the same lines and texts drawn by QPainter straight into a PDF (the yardstick of the
// same run). vs_qpainter is the ratio of processor time, bytes_vs_qpainter the ratio of PDF bytes
// per page. Then a journal of the first 10,000 rows of puf_data (time and one value, with a heading
// block) printed by the grid printer into the preview and from there into a PDF, against QPainter
// drawing the same pages' lines and texts: pages per second and the time until the preview shows
// page 1. Last, one grid page as the table screens print it (19 columns x 100 rows of puf_data,
// fitted to the page width) printed straight into a 600-dpi PDF, and previewed then printed from
// the preview, against QPainter on a QPdfWriter drawing the same texts and lines (vs_qpdfwriter,
// bytes_vs_qpdfwriter).
#include "data/DBClient.h"
#include "db/Provider.h"
#include "gridlib/print/PrViewGx.h"
#include "gridlib/print/PrnDbggx.h"
#include "gridlib/print/PrvFrmGx.h"
#include "gui/Graphics.h"
#include "gui/Printers.h"
#include "rtl/DateUtils.h"

#include "PufRowsFixture.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QTemporaryDir>

#include "BenchSupport.h"

#include <time.h>
#include <chrono>
#include <functional>
#include <string>

namespace {

constexpr int kPpi = 600;
constexpr int kPen = 6;

// A page: horizontal and vertical rule positions and the texts of the cells.
struct PageLayout {
    std::vector<int> rows;     // y of each horizontal line
    std::vector<int> columns;  // x of each vertical line
    int left = 0, right = 0, top = 0, bottom = 0;
};

// 61 horizontal and 9 vertical lines around 60 x 8 cells: 480 texts.
PageLayout gridLayout() {
    PageLayout l;
    for (int r = 0; r <= 60; ++r) l.rows.push_back(200 + r * 105);
    for (int c = 0; c <= 8; ++c) l.columns.push_back(150 + c * 540);
    return l;
}

// A journal: 72 rows of a time and a message.
PageLayout journalLayout() {
    PageLayout l;
    for (int r = 0; r <= 72; ++r) l.rows.push_back(200 + r * 88);
    l.columns = {150, 1450, 4470};
    return l;
}

AnsiString cellText(std::size_t row, std::size_t col, bool journal) {
    if (journal) return col == 0 ? AnsiString("15.03.2010 08:") + IntToStr(static_cast<long long>(row % 60)) + ":00"
                                 : AnsiString("Пуск насоса подачи пульпы, контур ") + IntToStr(static_cast<long long>(row));
    return AnsiString("Ячейка ") + IntToStr(static_cast<long long>(row * 8 + col));
}

void canvasPage(TCanvas* c, const PageLayout& l, bool journal) {
    c->Pen()->SetWidth(kPen);
    c->Font()->SetName("Arial");
    c->Font()->SetPixelsPerInch(kPpi);
    c->Font()->SetSize(10);
    c->Brush()->SetStyle(bsClear);
    for (int y : l.rows) {
        c->MoveTo(l.columns.front(), y);
        c->LineTo(l.columns.back(), y);
    }
    for (int x : l.columns) {
        c->MoveTo(x, l.rows.front());
        c->LineTo(x, l.rows.back());
    }
    for (std::size_t r = 0; r + 1 < l.rows.size(); ++r)
        for (std::size_t k = 0; k + 1 < l.columns.size(); ++k)
            c->TextOut(l.columns[k] + 20, l.rows[r] + 8, cellText(r, k, journal));
}

void qpainterPage(QPainter& p, const PageLayout& l, bool journal) {
    QPen pen(Qt::black);
    pen.setWidth(kPen);
    p.setPen(pen);
    QFont f("Liberation Sans");
    f.setPixelSize(83);
    p.setFont(f);
    for (int y : l.rows) p.drawLine(l.columns.front(), y, l.columns.back(), y);
    for (int x : l.columns) p.drawLine(x, l.rows.front(), x, l.rows.back());
    const QFontMetrics fm(f);
    for (std::size_t r = 0; r + 1 < l.rows.size(); ++r)
        for (std::size_t k = 0; k + 1 < l.columns.size(); ++k) {
            const AnsiString t = cellText(r, k, journal);
            p.drawText(l.columns[k] + 20, l.rows[r] + 8 + fm.ascent(), QString::fromUtf8(t.c_str()));
        }
}

QTemporaryDir& tempDir() {
    static QTemporaryDir dir;
    return dir;
}

std::string pdfPath(const char* name) { return (tempDir().path() + "/" + name + ".pdf").toStdString(); }

struct Figures {
    double seconds = 0;
    double bytes = 0;
};
Figures yardstick[2];  // grid, journal

// The process's processor time: the pages are drawn and written in this thread, and on a busy
// machine the clock on the wall says more about the neighbours than about the drawing.
double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

template <class F>
Figures measure(benchmark::State& state, const std::string& pdf, F&& page) {
    double total = 0;
    int n = 0;
    for (auto _ : state) {
        const double t0 = cpuSeconds();
        page();
        total += cpuSeconds() - t0;
        ++n;
    }
    Figures f;
    f.seconds = n ? total / n : 0;
    f.bytes = static_cast<double>(QFileInfo(QString::fromStdString(pdf)).size());
    return f;
}

void report(benchmark::State& state, const Figures& f, const Figures& ref) {
    if (ref.seconds > 0) state.counters["vs_qpainter"] = f.seconds / ref.seconds;
    if (ref.bytes > 0) state.counters["bytes_vs_qpainter"] = f.bytes / ref.bytes;
    state.counters["pdf_bytes"] = f.bytes;
}

void qpainterYardstick(benchmark::State& state, bool journal) {
    const PageLayout l = journal ? journalLayout() : gridLayout();
    const std::string pdf = pdfPath(journal ? "q_journal" : "q_grid");
    yardstick[journal] = measure(state, pdf, [&] {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        printer.setResolution(kPpi);
        QPainter p(&printer);
        qpainterPage(p, l, journal);
        p.end();
    });
    state.counters["pdf_bytes"] = yardstick[journal].bytes;
}

void canvasOnPrinter(benchmark::State& state, bool journal) {
    const PageLayout l = journal ? journalLayout() : gridLayout();
    const std::string pdf = pdfPath(journal ? "c_journal" : "c_grid");
    TPrinter printer;
    printer.SetOutputFileName(pdf);
    printer.SetPixelsPerInch(kPpi);
    const Figures f = measure(state, pdf, [&] {
        printer.BeginDoc();
        canvasPage(printer.Canvas(), l, journal);
        printer.EndDoc();
    });
    report(state, f, yardstick[journal]);
}

void pictureOnPrinter(benchmark::State& state, bool journal) {
    const PageLayout l = journal ? journalLayout() : gridLayout();
    const std::string pdf = pdfPath(journal ? "m_journal" : "m_grid");
    TPrinter printer;
    printer.SetOutputFileName(pdf);
    printer.SetPixelsPerInch(kPpi);
    const Figures f = measure(state, pdf, [&] {
        TMetafile page;
        {
            TMetafileCanvas mc(&page, printer.Canvas());
            canvasPage(&mc, l, journal);
        }
        printer.BeginDoc();
        printer.Canvas()->Draw(0, 0, &page);
        printer.EndDoc();
    });
    report(state, f, yardstick[journal]);
}

// Yardsticks first: the ratios of the others read them.
void BM_QPainterGridPagePdf(benchmark::State& s) { qpainterYardstick(s, false); }
BENCHMARK(BM_QPainterGridPagePdf)->Unit(benchmark::kMillisecond);
void BM_QPainterJournalPagePdf(benchmark::State& s) { qpainterYardstick(s, true); }
BENCHMARK(BM_QPainterJournalPagePdf)->Unit(benchmark::kMillisecond);

void BM_CanvasGridPagePdf(benchmark::State& s) { canvasOnPrinter(s, false); }
BENCHMARK(BM_CanvasGridPagePdf)->Unit(benchmark::kMillisecond);
void BM_CanvasJournalPagePdf(benchmark::State& s) { canvasOnPrinter(s, true); }
BENCHMARK(BM_CanvasJournalPagePdf)->Unit(benchmark::kMillisecond);

void BM_PictureGridPagePdf(benchmark::State& s) { pictureOnPrinter(s, false); }
BENCHMARK(BM_PictureGridPagePdf)->Unit(benchmark::kMillisecond);
void BM_PictureJournalPagePdf(benchmark::State& s) { pictureOnPrinter(s, true); }
BENCHMARK(BM_PictureJournalPagePdf)->Unit(benchmark::kMillisecond);

// ---- A journal of 10,000 rows through the grid printer --------------------------------------------
constexpr int kJournalRows = 10000;

struct JournalRows {
    std::vector<AnsiString> times, values;
};

// The rows, once, as the grid shows them: for the yardstick to draw the same texts.
JournalRows& journalRows(TDataSet* ds) {
    static JournalRows rows;
    if (rows.times.empty()) {
        ds->DisableControls();
        ds->First();
        while (!ds->Eof()) {
            rows.times.push_back(ds->Fields()->Fields(0)->DisplayText());
            rows.values.push_back(ds->Fields()->Fields(1)->DisplayText());
            ds->Next();
        }
        ds->First();
        ds->EnableControls();
    }
    return rows;
}

double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The same pages drawn by QPainter into a PDF: per page the rule lines and the two texts of each
// of its rows. Returns the processor time.
double qpainterJournal(const JournalRows& rows, int pages) {
    const int count = static_cast<int>(rows.times.size());
    const int perPage = (count + pages - 1) / std::max(1, pages);
    const std::string pdf = pdfPath("q_journal10k");
    const double t0 = cpuSeconds();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    printer.setResolution(kPpi);
    QPainter p(&printer);
    QPen pen(Qt::black);
    pen.setWidth(kPen);
    p.setPen(pen);
    QFont f("Liberation Sans");
    f.setPixelSize(67);
    p.setFont(f);
    const QFontMetrics fm(f);
    const int rowH = 5800 / std::max(1, perPage);
    for (int page = 0; page < pages; ++page) {
        if (page > 0) printer.newPage();
        const int first = page * perPage, last = std::min(count, first + perPage);
        for (int r = first; r <= last; ++r) p.drawLine(472, 600 + (r - first) * rowH, 4400, 600 + (r - first) * rowH);
        for (int x : {472, 1700, 4400}) p.drawLine(x, 600, x, 600 + (last - first) * rowH);
        for (int r = first; r < last; ++r) {
            const int y = 600 + (r - first) * rowH + 8 + fm.ascent();
            p.drawText(500, y, QString::fromUtf8(rows.times[static_cast<std::size_t>(r)].c_str()));
            p.drawText(1730, y, QString::fromUtf8(rows.values[static_cast<std::size_t>(r)].c_str()));
        }
    }
    p.end();
    return cpuSeconds() - t0;
}

// The journal previewed by the grid printer, then printed from the preview into a PDF.
void BM_GridPrinterJournalPreviewThenPdf(benchmark::State& state) {
    auto conn = benchdb::connect();
    TSQLDataSet sql(nullptr);
    sql.SetSQLConnection(conn.get());
    sql.SetCommandText(("select RecMoment, PLF from puf_data order by RecMoment limit " + std::to_string(kJournalRows)).c_str());
    TDataSetProvider provider(nullptr);
    provider.SetDataSet(&sql);
    TClientDataSet cds(nullptr);
    cds.SetProvider(&provider);
    TDataSource source(nullptr);
    source.SetDataSet(&cds);
    TDBGridGx grid(nullptr);
    grid.SetDataSource(&source);
    cds.Open();
    grid.Columns()->Items(0)->Title()->SetCaption("Дата, время");
    grid.Columns()->Items(0)->SetWidth(192);
    grid.Columns()->Items(1)->Title()->SetCaption("Плотность пульпы");
    grid.Columns()->Items(1)->SetWidth(500);
    TPrintDBGridGx print(nullptr);
    print.SetDBGridGx(&grid);
    print.SetOptions({pghFitGridToPageWidth});
    print.BeforeGridText()->SetTextStr("\r\nЖурнал работы флотации\r\nза период с [StartTime] по [StopTime]\r\n");
    print.SetSubstitutes({"[StartTime]", "01.01.2010 00:00", "[StopTime]", "07.01.2010 22:39"});
    TPrinterPreview* pv = PrinterPreview();
    pv->SetOrientation(poPortrait);
    const std::string pdf = pdfPath("g_journal10k");
    pv->GetPropPrinter()->SetOutputFileName(pdf);
    TPreviewBox* box = PreviewFormGx->PreviewGx1;
    double started = 0, firstPage = -1;
    const TNotifyEvent opened = box->OnOpenPreviewer;
    box->OnOpenPreviewer = [&](TObject* sender) {
        if (firstPage < 0) firstPage = wallSeconds() - started;
        opened(sender);
    };
    double total = 0, toPage1 = 0;
    int n = 0;
    for (auto _ : state) {
        firstPage = -1;
        started = wallSeconds();
        const double t0 = cpuSeconds();
        print.Preview();
        pv->Print();
        total += cpuSeconds() - t0;
        toPage1 += firstPage;
        ++n;
    }
    box->OnOpenPreviewer = opened;
    PreviewFormGx->Hide();
    const double seconds = n ? total / n : 0;
    const int journalPages = pv->PageCount();
    state.counters["pages"] = journalPages;
    state.counters["pages_per_s"] = seconds > 0 ? journalPages / seconds : 0;
    state.counters["page1_ms"] = n ? toPage1 / n * 1000 : 0;
    const double yardstick = qpainterJournal(journalRows(&cds), journalPages);
    if (yardstick > 0) state.counters["vs_qpainter"] = seconds / yardstick;
    cds.Close();
}
BENCHMARK(BM_GridPrinterJournalPreviewThenPdf)->Unit(benchmark::kMillisecond)->Iterations(2);

// ---- One grid page: 19 columns x 100 rows, fitted to the page width ------------------------------
constexpr int kGridRows = 100;

// The first 100 rows of puf_data in a grid with all 19 columns, for the grid printer; the texts
// of the page as the grid shows them, for the yardstick.
struct GridPage {
    std::unique_ptr<TSQLConnection> conn = benchdb::connect();
    TSQLDataSet sql{nullptr};
    TDataSetProvider provider{nullptr};
    TClientDataSet cds{nullptr};
    TDataSource source{nullptr};
    TDBGridGx grid{nullptr};
    TPrintDBGridGx print{nullptr};
    std::vector<QString> titles;
    std::vector<std::vector<QString>> cells;  // row, column
    GridPage() {
        sql.SetSQLConnection(conn.get());
        sql.SetCommandText(("select * from puf_data order by RecMoment limit " + std::to_string(kGridRows)).c_str());
        provider.SetDataSet(&sql);
        cds.SetProvider(&provider);
        source.SetDataSet(&cds);
        grid.SetDataSource(&source);
        cds.Open();
        print.SetDBGridGx(&grid);
        print.SetOptions({pghFitGridToPageWidth});
        print.SetUnits(MM);
        for (int c = 0; c < grid.Columns()->Count(); ++c)
            titles.push_back(QString::fromUtf8(grid.Columns()->Items(c)->Title()->Caption().c_str()));
        for (cds.First(); !cds.Eof(); cds.Next()) {
            std::vector<QString> row;
            for (int c = 0; c < cds.FieldCount(); ++c)
                row.push_back(QString::fromUtf8(cds.Fields()->Fields(c)->DisplayText().c_str()));
            cells.push_back(std::move(row));
        }
        cds.First();
    }
};

GridPage& gridPage() { return BenchStation<GridPage>(); }

Figures gridYardstick;

// QPainter on a QPdfWriter at 600 dpi: the page's frame of 20 vertical and 102 horizontal lines
// (titles and rows) and its 19 titles and 1,900 cell texts, at the sizes of the fitted print.
void qpdfwriterGridPage(const GridPage& g, const std::string& pdf) {
    QPdfWriter writer(QString::fromStdString(pdf));
    writer.setResolution(kPpi);
    writer.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
    QPainter p(&writer);
    const int width = writer.width(), columns = static_cast<int>(g.titles.size());
    const int colW = width / columns, rowH = 52, titleH = 60;
    QPen pen(Qt::black);
    pen.setWidth(3);
    p.setPen(pen);
    QFont f("Liberation Sans");
    f.setPixelSize(36);
    p.setFont(f);
    const int bottom = titleH + static_cast<int>(g.cells.size()) * rowH;
    p.drawLine(0, 0, colW * columns, 0);
    for (int r = 0; r <= static_cast<int>(g.cells.size()); ++r)
        p.drawLine(0, titleH + r * rowH, colW * columns, titleH + r * rowH);
    for (int c = 0; c <= columns; ++c) p.drawLine(c * colW, 0, c * colW, bottom);
    for (int c = 0; c < columns; ++c)
        p.drawText(QRect(c * colW + 8, 4, colW - 16, titleH - 8), Qt::AlignCenter, g.titles[static_cast<std::size_t>(c)]);
    for (std::size_t r = 0; r < g.cells.size(); ++r)
        for (int c = 0; c < columns; ++c)
            p.drawText(QRect(c * colW + 8, titleH + static_cast<int>(r) * rowH + 4, colW - 16, rowH - 8),
                       Qt::AlignLeft | Qt::AlignVCenter, g.cells[r][static_cast<std::size_t>(c)]);
    p.end();
}

void BM_QPdfWriterGridPage(benchmark::State& state) {
    GridPage& g = gridPage();
    const std::string pdf = pdfPath("w_grid100");
    gridYardstick = measure(state, pdf, [&] { qpdfwriterGridPage(g, pdf); });
    state.counters["pdf_bytes"] = gridYardstick.bytes;
}
BENCHMARK(BM_QPdfWriterGridPage)->Unit(benchmark::kMillisecond);

// Pages of a PDF: its page objects ("/Type /Page", not the "/Type /Pages" tree).
int pdfPages(const std::string& pdf) {
    QFile f(QString::fromStdString(pdf));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QByteArray bytes = f.readAll();
    return static_cast<int>(bytes.count("/Type /Page") - bytes.count("/Type /Pages"));
}

void reportGrid(benchmark::State& state, const Figures& f, int pages) {
    if (gridYardstick.seconds > 0) state.counters["vs_qpdfwriter"] = f.seconds / gridYardstick.seconds;
    if (gridYardstick.bytes > 0) state.counters["bytes_vs_qpdfwriter"] = f.bytes / pages / gridYardstick.bytes;
    state.counters["pdf_bytes"] = f.bytes;
    state.counters["pages"] = pages;
}

// The grid printer straight into the PDF (Print on the system printer).
void BM_GridPrinterGridPagePdf(benchmark::State& state) {
    GridPage& g = gridPage();
    const std::string pdf = pdfPath("g_grid100");
    TPrinter* printer = Printer();
    printer->SetOutputFileName(pdf);
    printer->SetPixelsPerInch(kPpi);
    const Figures f = measure(state, pdf, [&] { g.print.Print(); });
    printer->SetOutputFileName("");
    reportGrid(state, f, pdfPages(pdf));
}
BENCHMARK(BM_GridPrinterGridPagePdf)->Unit(benchmark::kMillisecond);

// What the table screens do: the page previewed, then printed from the preview into the PDF.
void BM_GridPrinterGridPagePreviewThenPdf(benchmark::State& state) {
    GridPage& g = gridPage();
    const std::string pdf = pdfPath("p_grid100");
    TPrinterPreview* pv = PrinterPreview();
    pv->SetOrientation(poPortrait);
    pv->GetPropPrinter()->SetOutputFileName(pdf);
    pv->GetPropPrinter()->SetPixelsPerInch(kPpi);
    const Figures f = measure(state, pdf, [&] {
        g.print.Preview();
        pv->Print();
    });
    PreviewFormGx->Hide();
    pv->GetPropPrinter()->SetOutputFileName("");
    reportGrid(state, f, pv->PageCount());
}
BENCHMARK(BM_GridPrinterGridPagePreviewThenPdf)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
