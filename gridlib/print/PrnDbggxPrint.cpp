// The grid printer: geometry of the page, columns split into strips, rows gathered into bands, titles
// of one or many levels, page headers and footers with macros, and the rich-text blocks.
#include "gridlib/print/PrnDbggx.h"

#include "gridlib/editors/GridLibConsts.h"
#include "gridlib/print/PrViewGx.h"
#include "gridlib/print/PrnDgDlg.h"
#include "gui/Forms.h"
#include "rtl/DateUtils.h"
#include "rtl/MathUtils.h"
#include "rtl/SysUtils.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <optional>

// ==== Header and footer ==============================================================================

TPageColontitle::TPageColontitle()
    : left_(std::make_unique<TStringList>()),
      center_(std::make_unique<TStringList>()),
      right_(std::make_unique<TStringList>()),
      font_(std::make_unique<TFont>()) {}

TPageColontitle::~TPageColontitle() = default;

void TPageColontitle::Assign(TPersistent* source) {
    if (auto* c = dynamic_cast<TPageColontitle*>(source)) {
        left_->Assign(c->left_.get());
        center_->Assign(c->center_.get());
        right_->Assign(c->right_.get());
        font_->Assign(c->font_.get());
        LineType = c->LineType;
        return;
    }
    TPersistent::Assign(source);
}

// ==== Page arithmetic ==================================================================================

int PrintMarginPixels(int ppi, Currency margin, TMeasureUnits units) {
    const double d = units == MM ? 2.54 : 1.0;
    return static_cast<int>(Round(ppi * margin.ToDouble() / d));
}

void FitPrintColumnWidths(std::vector<int>& widths, int available) {
    long long sum = 0;
    for (int w : widths) sum += w;
    if (widths.empty() || sum <= available || sum <= 0) return;
    long long fitted = 0;
    for (int& w : widths) {
        w = MulDiv(w, available, static_cast<int>(sum));
        fitted += w;
    }
    if (fitted > available) widths.back() -= static_cast<int>(fitted - available);
}

namespace {

constexpr const char* kMacros[] = {"&[Page]", "&[ShortDate]", "&[Date]", "&[LongDate]", "&[Time]", "&[Pages]"};

bool matchesAt(const std::string& s, std::size_t at, const std::string& name) {
    if (at + name.size() > s.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[at + i])) != std::tolower(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

// Replaces one macro everywhere, letter case ignored; after a further "&" the macro keeps its name.
std::string replaceMacro(const std::string& s, const std::string& name, const std::string& value) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        if (matchesAt(s, i, name)) {
            out += (i > 0 && s[i - 1] == '&') ? name : value;
            i += name.size();
        } else {
            out += s[i++];
        }
    }
    return out;
}

bool containsNoCase(const std::string& s, const std::string& name) {
    for (std::size_t i = 0; i + name.size() <= s.size(); ++i)
        if (matchesAt(s, i, name)) return true;
    return false;
}

}  // namespace

AnsiString ReplacePrintMacros(const AnsiString& text, int page, int pages, TDateTime now) {
    const TFormatSettings& fs = FormatSettings();
    const std::string values[] = {
        std::to_string(page), DateToStr(now).str(),  DateToStr(now).str(), FormatDateTime(fs.LongDateFormat, now).str(),
        TimeToStr(now).str(), std::to_string(pages),
    };
    std::string s = text.str();
    for (std::size_t i = 0; i < std::size(kMacros); ++i) s = replaceMacro(s, kMacros[i], values[i]);
    return AnsiString(s);
}

// ==== The component ====================================================================================

TPrintDBGridGx::TPrintDBGridGx(TComponent* owner)
    : TComponent(owner),
      page_(std::make_unique<TPageParams>()),
      header_(std::make_unique<TPageColontitle>()),
      footer_(std::make_unique<TPageColontitle>()),
      title_(std::make_unique<TStringList>()),
      cellParams_(std::make_unique<TColCellParamsGx>()) {}

TPrintDBGridGx::~TPrintDBGridGx() {
    if (grid_) grid_->RemoveFreeNotification(this);
}

void TPrintDBGridGx::SetDBGridGx(TDBGridGx* grid) {
    if (grid_ == grid) return;
    if (grid_) grid_->RemoveFreeNotification(this);
    grid_ = grid;
    if (grid_) grid_->FreeNotification(this);
}

void TPrintDBGridGx::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == grid_) grid_ = nullptr;
}

void TPrintDBGridGx::SetUnits(TMeasureUnits u) {
    if (u == units_) return;
    units_ = u;
    if (ComponentState() & csLoading) return;
    const double k = u == Inches ? 0.3937 : 2.54;
    auto conv = [k](Currency& c) { c = Currency(Round(c.ToDouble() * k * 10000.0) / 10000.0); };
    conv(page_->TopMargin);
    conv(page_->BottomMargin);
    conv(page_->LeftMargin);
    conv(page_->RightMargin);
}

TRichEditStrings* TPrintDBGridGx::BeforeGridText() {
    if (!before_) before_ = std::make_unique<TRichEditStrings>();
    return before_.get();
}

TRichEditStrings* TPrintDBGridGx::AfterGridText() {
    if (!after_) after_ = std::make_unique<TRichEditStrings>();
    return after_.get();
}

namespace {
// Copies a list through a stream, so that a rich block keeps its formatting.
void copyBlock(TRichEditStrings* to, TStrings* from) {
    if (auto* rich = dynamic_cast<TRichEditStrings*>(from)) {
        TMemoryStream m;
        rich->SaveToStream(&m);
        m.SetPosition(0);
        to->Clear();
        to->LoadFromStream(&m);
        return;
    }
    to->Clear();
    to->SetTextStr(from ? from->Text() : AnsiString());
}
}  // namespace

void TPrintDBGridGx::SetBeforeGridText(TStrings* s) { copyBlock(BeforeGridText(), s); }
void TPrintDBGridGx::SetAfterGridText(TStrings* s) { copyBlock(AfterGridText(), s); }

void TPrintDBGridGx::DefineProperties(TFiler* filer) {
    TComponent::DefineProperties(filer);
    filer->DefineBinaryProperty("BeforeGridText_Data", TStreamProc(this, &TPrintDBGridGx::readBefore),
                                TStreamProc(this, &TPrintDBGridGx::writeBefore), before_ && before_->Count() > 0);
    filer->DefineBinaryProperty("AfterGridText_Data", TStreamProc(this, &TPrintDBGridGx::readAfter),
                                TStreamProc(this, &TPrintDBGridGx::writeAfter), after_ && after_->Count() > 0);
}

void TPrintDBGridGx::SetSubstitutes(std::initializer_list<AnsiString> pairs) {
    SetSubstitutes(std::vector<AnsiString>(pairs));
}

void TPrintDBGridGx::SetSubstitutes(const std::vector<AnsiString>& pairs) {
    if (!searches_) searches_ = std::make_unique<TStringList>();
    if (!replacements_) replacements_ = std::make_unique<TStringList>();
    searches_->Clear();
    replacements_->Clear();
    for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
        searches_->Add(pairs[i]);
        replacements_->Add(pairs[i + 1]);
    }
}

bool TPrintDBGridGx::PrinterSetupDialog() { return ExecutePrnDBGridGxSetupDialog(*page_, options_, printFontName_); }

void TPrintDBGridGx::PrinterSetupDialogPreview(TObject*) {
    if (PrinterSetupDialog()) Preview();
}

void TPrintDBGridGx::Preview() {
    // One print at a time: the preview printer of a running print is left alone.
    if (PrintInProgress() || running_ || !hasData()) return;
    TPrinterPreview* pv = PrinterPreview();
    pv->SetOnPrinterSetupDialog(OnPrinterSetupDialog ? OnPrinterSetupDialog
                                                     : TNotifyEvent(this, &TPrintDBGridGx::PrinterSetupDialogPreview));
    pv->PrinterSetupOwner = this;
    PrintTo(pv);
}

void TPrintDBGridGx::Print() { PrintTo(VirtualPrinter); }

bool TPrintDBGridGx::hasData() const {
    return grid_ && grid_->DataSource() && grid_->DataSource()->DataSet() && grid_->DataSource()->DataSet()->Active();
}

// ==== The print ========================================================================================

namespace {

// Device-independent rounding helpers of the page arithmetic.
int roundi(double v) { return static_cast<int>(Round(v)); }
int trunci(double v) { return static_cast<int>(Trunc(v)); }

bool isWhite(TColor c) { return ColorToRGB(c) == clWhite; }

// The check box of a printed cell: a quarter of the width and a third of the height of the system's
// check-box picture sheet, taken once.
TSize checkBoxSize() {
    static const TSize size = [] {
        TBitmap boxes;
        if (LoadSystemBitmap(OBM_CHECKBOXES, boxes)) return TSize(boxes.Width() / 4, boxes.Height() / 3);
        return TSize(13, 13);
    }();
    return size;
}

}  // namespace

// One run of PrintTo: everything measured for the page and the grid, and the page loop.
class TGridPrintJob {
public:
    TGridPrintJob(TPrintDBGridGx* owner, TVirtualPrinter* printer)
        : o_(*owner), pr_(printer), grid_(owner->grid_), ds_(owner->grid_->DataSource()->DataSet()) {}

    void Run();

private:
    // ---- Canvas and fonts
    TCanvas* canvas() { return pr_->GetCanvas(); }
    void useFont(TFont* f) {
        TCanvas* c = canvas();
        c->Font()->Assign(f);
        if (!o_.printFontName_.IsEmpty()) c->Font()->SetName(o_.printFontName_);
    }
    void resetCanvas();
    void setFitMapping();
    int textHeight(const AnsiString& s) { return canvas()->TextHeight(s); }
    // Height of a text drawn without word wrap: a line per line break, none measured.
    int linesHeight(const AnsiString& text) {
        const std::string& t = text.str();
        int lines = 1;
        for (std::size_t i = 0; i < t.size(); ++i) {
            if (t[i] == '\n' || (t[i] == '\r' && (i + 1 == t.size() || t[i + 1] != '\n'))) ++lines;
        }
        TTextMetric tm;
        GetTextMetrics(canvas()->Handle(), tm);
        return lines * tm.tmHeight;
    }
    int calcHeight(const AnsiString& text, int width, bool wrap) {
        TRect r(0, 0, std::max(1, width), 0);
        DrawText(canvas()->Handle(), text.IsEmpty() ? AnsiString(" ") : text, -1, r,
                 DT_CALCRECT | DT_NOPREFIX | (wrap ? DT_WORDBREAK : 0u));
        return r.Height();
    }

    // ---- Measuring
    void geometry();
    void columnWidths();
    void optimalWidths();
    void strips();
    void measureRows();
    void measureTitles();
    int measureTree(THeadTreeNode* node);
    int leafWidth(THeadTreeNode* node);
    int colontitleHeight(TPageColontitle* c);
    int rowHeight();
    void cellParams(TColumnGx* col, TFont* font);

    // ---- Pages
    void newPage();
    void drawColontitles();
    void drawColontitle(TPageColontitle* c, bool header);
    int printRich(TRichEditStrings* block, int y);
    void pageLoop();
    struct RowMark;
    void printBand(const RowMark& start, const std::vector<int>& heights, std::size_t dataRows, int footerStart,
                   int startY, bool first);
    int drawTitles(std::size_t strip, int y);
    void drawTreeNode(THeadTreeNode* node, std::size_t strip, int y, int bottom);
    void drawTitleCell(TColumnGx* col, const AnsiString& text, TFont* font, TColor color, TAlignment align,
                       const TRect& r, bool vertical, int imageIndex);
    void drawDataCell(std::size_t c, const TRect& r, std::vector<AnsiString>& last);
    // The scaled width the current record's tree area takes from the first visible column.
    int treeAreaWidth() const;
    void drawImage(TCustomImageList* list, int index, const TRect& r, bool stretchToCell);
    void frame(const TRect& r) {
        lines_.push_back({TPoint(r.Left, r.Bottom), TPoint(r.Right, r.Bottom)});
        lines_.push_back({TPoint(r.Right, r.Top), TPoint(r.Right, r.Bottom)});
    }
    void flushLines(const TRect& outer);
    void cellDone() {
        if (!counting_ && Application) Application->ProcessMessages();
    }
    // Printed column range [first, last) of a strip and the x of each printed column.
    std::pair<std::size_t, std::size_t> stripRange(std::size_t s) const { return strips_[s]; }
    int colX(std::size_t c) const { return xs_[c]; }

    TPrintDBGridGx& o_;
    TVirtualPrinter* pr_;
    TDBGridGx* grid_;
    TDataSet* ds_;
    bool counting_ = false;
    int pages_ = 1;       // pages started so far
    int pagesMacro_ = 1;  // what "&[Pages]" says: 1 until counted
    int lastY_ = 0;       // below the last row printed

    // Geometry, in the printer's pixels (logical units when the drawing is scaled to fit).
    int ppiX_ = 600, ppiY_ = 600;
    double scaleX_ = 1, scaleY_ = 1;
    int pageW_ = 0, pageH_ = 0;
    int left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
    int printW_ = 0;
    int lw_ = 1, hm_ = 2, vm_ = 1, tcm_ = 1;
    bool scaled_ = false;
    int gridW_ = 0;
    int headerH_ = 0, footerH_ = 0, areaTop_ = 0, areaBottom_ = 0;
    int defRowH_ = 0;
    bool multiLine_ = false;
    int titlesH_ = 0, titleTextH_ = 0;
    std::vector<TColumnGx*> cols_;
    std::vector<int> widths_;
    std::vector<int> xs_;  // x of each printed column within its strip
    std::vector<std::pair<std::size_t, std::size_t>> strips_;
    std::map<THeadTreeNode*, int> captionH_;
    std::map<TColumnGx*, std::size_t> colIndex_;
    bool multiTitle_ = false;
    std::vector<std::pair<TPoint, TPoint>> lines_;
    TDateTime now_ = 0;
    TFont cellFont_;

    // ---- Printed rows: every record, or the records of the grid's selection, in order.
    struct RowMark {
        TBookmark bm;
        std::size_t pos = 0;
    };
    void chooseRows();
    void firstRow();
    void nextRow();
    bool rowsEnd() const { return listed_ ? rowPos_ >= rowList_.size() : ds_->Eof(); }
    RowMark rowMark() const { return {rowsEnd() ? TBookmark() : ds_->Bookmark(), rowPos_}; }
    void gotoRow(const RowMark& m);
    bool listed_ = false;
    std::vector<TBookmark> rowList_;
    std::size_t rowPos_ = 0;

    // ---- Footer rows: the sums and counts of the printed rows, per footer row and printed column.
    void clearFooterSums();
    void addToFooterSums();
    AnsiString footerText(std::size_t c, int footerRow);
    void drawFooterCell(std::size_t c, int footerRow, const TRect& r);
    std::vector<std::vector<Currency>> footerSums_;
};

void TGridPrintJob::chooseRows() {
    listed_ = false;
    rowList_.clear();
    TDBGridGxSelection* sel = grid_->Selection();
    if (sel->SelectionType() == gstRecordBookmarks) {
        // Every selected record in the order of the selection.
        listed_ = true;
        TBookmarkListGx* rows = sel->Rows();
        for (int i = 0; i < rows->Count(); ++i) rowList_.push_back(rows->Items(i));
    } else if (sel->SelectionType() == gstRectangle && sel->Rect()->CheckState()) {
        listed_ = true;
        const TBookmark top = sel->Rect()->GetTopRow(), bottom = sel->Rect()->GetBottomRow();
        ds_->DisableControls();
        try {
            ds_->GotoBookmark(top);
            while (!ds_->Eof() && DataSetCompareBookmarks(ds_, ds_->Bookmark(), bottom) <= 0) {
                rowList_.push_back(ds_->Bookmark());
                ds_->Next();
            }
        } catch (...) {
            ds_->EnableControls();
            throw;
        }
        ds_->EnableControls();
    }
}

void TGridPrintJob::firstRow() {
    if (!listed_) {
        ds_->First();
        return;
    }
    rowPos_ = 0;
    if (!rowList_.empty()) ds_->GotoBookmark(rowList_[0]);
}

void TGridPrintJob::nextRow() {
    if (!listed_) {
        ds_->Next();
        return;
    }
    if (++rowPos_ < rowList_.size()) ds_->GotoBookmark(rowList_[rowPos_]);
}

void TGridPrintJob::gotoRow(const RowMark& m) {
    if (listed_) rowPos_ = m.pos;
    if (!m.bm.IsEmpty()) ds_->GotoBookmark(m.bm);
}

void TGridPrintJob::clearFooterSums() {
    footerSums_.assign(static_cast<std::size_t>(std::max(0, grid_->FooterRowCount())),
                       std::vector<Currency>(cols_.size()));
}

void TGridPrintJob::addToFooterSums() {
    for (std::size_t r = 0; r < footerSums_.size(); ++r) {
        for (std::size_t i = 0; i < cols_.size(); ++i) {
            TColumnFooterGx* f = cols_[i]->UsedFooter(static_cast<int>(r));
            if (f->ValueType() == fvtCount) {
                footerSums_[r][i] += Currency(1);
            } else if (f->ValueType() == fvtSum) {
                const AnsiString name = f->FieldName().IsEmpty() ? cols_[i]->FieldName() : f->FieldName();
                TField* field = ds_->FindField(name);
                if (field && !field->IsNull())
                    footerSums_[r][i] += Currency::FromRaw(static_cast<std::int64_t>(std::nearbyint(field->AsFloat() * 10000.0)));
            }
        }
    }
}

AnsiString TGridPrintJob::footerText(std::size_t i, int footerRow) {
    TColumnGx* col = cols_[i];
    TColumnFooterGx* f = col->UsedFooter(footerRow);
    const Currency value = footerSums_[static_cast<std::size_t>(footerRow)][i];
    if (f->ValueType() == fvtCount)
        return f->DisplayFormat().IsEmpty() ? FloatToStr(value.ToDouble()) : FormatFloat(f->DisplayFormat(), value.ToDouble());
    if (f->ValueType() != fvtSum) return grid_->GetFooterValue(footerRow, col);
    if (!f->DisplayFormat().IsEmpty()) return FormatFloat(f->DisplayFormat(), value.ToDouble());
    const AnsiString name = f->FieldName().IsEmpty() ? col->FieldName() : f->FieldName();
    TField* field = ds_->FindField(name);
    if (!field) return "0";
    if (auto* n = dynamic_cast<TNumericField*>(field); n && !n->DisplayFormat().IsEmpty())
        return FormatFloat(n->DisplayFormat(), value.ToDouble());
    switch (field->DataType()) {
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftAutoInc:
        case ftLargeint: return IntToStr(value.RoundToInt64());
        case ftFloat:
        case ftCurrency: {
            auto* fl = dynamic_cast<TFloatField*>(field);
            const bool money = fl && fl->IsCurrency();
            return FloatToStrF(value.ToDouble(), money ? ffCurrency : ffGeneral, fl ? fl->Precision() : 15,
                               money ? FormatSettings().CurrencyDecimals : 0);
        }
        case ftBCD:
        case ftFMTBcd: return CurrToStrF(value, ffCurrency, FormatSettings().CurrencyDecimals);
        default: return "0";
    }
}

void TGridPrintJob::drawFooterCell(std::size_t i, int footerRow, const TRect& r) {
    frame(r);
    if (counting_) return;
    TColumnGx* col = cols_[i];
    TColumnFooterGx* f = col->UsedFooter(footerRow);
    AnsiString text = footerText(i, footerRow);
    cellFont_.Assign(f->Font());
    TColor bg = f->Color();
    TAlignment alignment = f->Alignment();
    grid_->GetFooterParams(col->Index(), footerRow, col, &cellFont_, bg, alignment, 0, text);
    TCanvas* c = canvas();
    if (o_.options_.Contains(pghColored) && !isWhite(bg)) FillRectColor(c->Handle(), r, bg);
    useFont(&cellFont_);
    c->Brush()->SetStyle(bsClear);
    TRect cell(r.Left + hm_, r.Top + vm_, r.Right - hm_, r.Bottom - vm_);
    unsigned flags = DT_NOPREFIX | DT_END_ELLIPSIS | DT_SINGLELINE;
    if (alignment == taCenter) flags |= DT_CENTER;
    if (alignment == taRightJustify) flags |= DT_RIGHT;
    const int saved = c->SaveDC();
    c->IntersectClipRect(r);
    DrawText(c->Handle(), text, -1, cell, flags);
    c->RestoreDC(saved);
}

void TGridPrintJob::resetCanvas() {
    TCanvas* c = canvas();
    c->Pen()->SetWidth(lw_);
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetColor(clWhite);
    c->Brush()->SetStyle(bsClear);
    useFont(grid_->Font());
    if (scaled_) setFitMapping();
}

void TGridPrintJob::setFitMapping() {
    HDC dc = canvas()->Handle();
    const int mode = ppiX_ == ppiY_ ? MM_ISOTROPIC : MM_ANISOTROPIC;
    if (SetMapMode(dc, mode) == 0) throw Exception(" function SetMapMode(Handle, MM_ISOTROPIC) has returned 0 ");
    SetWindowOrgEx(dc, 0, 0);
    SetWindowExtEx(dc, gridW_, trunci(static_cast<double>(gridW_) * ppiX_ / ppiY_));
    SetViewportExtEx(dc, printW_, trunci(static_cast<double>(printW_) * ppiX_ / ppiY_));
}

void TGridPrintJob::geometry() {
    pageW_ = pr_->GetPageWidth();
    pageH_ = pr_->GetPageHeight();
    const int offX = (pr_->GetFullPageWidth() - pageW_) / 2;
    const int offY = (pr_->GetFullPageHeight() - pageH_) / 2;
    ppiX_ = pr_->GetPixelsPerInchX();
    ppiY_ = pr_->GetPixelsPerInchY();
    if (ppiX_ <= 0) ppiX_ = DefaultPrinterPixelsPerInchX;
    if (ppiY_ <= 0) ppiY_ = DefaultPrinterPixelsPerInchY;
    const int screenX = std::max(1, GetDeviceCaps(GetScreenDC(), LOGPIXELSX));
    const int screenY = std::max(1, GetDeviceCaps(GetScreenDC(), LOGPIXELSY));
    scaleX_ = static_cast<double>(std::max(screenX, ppiX_)) / std::min(screenX, ppiX_);
    scaleY_ = static_cast<double>(std::max(screenY, ppiY_)) / std::min(screenY, ppiY_);
    TPageParams& p = *o_.page_;
    left_ = PrintMarginPixels(ppiX_, p.LeftMargin, o_.units_) - offX;
    top_ = PrintMarginPixels(ppiY_, p.TopMargin, o_.units_) - offY;
    right_ = pageW_ + offX - PrintMarginPixels(ppiX_, p.RightMargin, o_.units_);
    bottom_ = pageH_ + offY - PrintMarginPixels(ppiY_, p.BottomMargin, o_.units_);
    printW_ = std::max(1, right_ - left_);
    lw_ = std::max(1, trunci((ppiX_ + ppiY_) / 200.0));
    hm_ = roundi(2 * scaleX_);
    vm_ = grid_->Flat() ? roundi(scaleY_) : roundi(2 * scaleY_);
    tcm_ = grid_->Flat() ? roundi(scaleY_ / 2) : roundi(scaleY_);
}

void TGridPrintJob::cellParams(TColumnGx* col, TFont* font) {
    TColCellParamsGx* p = o_.cellParams_.get();
    col->FillColCellParams(p);
    font->Assign(col->Font());
    p->Font = font;
    col->GetColCellParams(false, p);
    if (grid_->OnGetCellParams) grid_->OnGetCellParams(grid_, col, font, p->Background, p->State);
}

void TGridPrintJob::columnWidths() {
    cols_.clear();
    TColumnsGxList* visible = grid_->VisibleColumns();
    TDBGridGxSelection* sel = grid_->Selection();
    if (sel->SelectionType() == gstColumns) {
        for (int i = 0; i < sel->Columns()->Count(); ++i) cols_.push_back(sel->Columns()->GetColumn(i));
    } else if (sel->SelectionType() == gstRectangle && sel->Rect()->CheckState()) {
        const int l = sel->Rect()->GetLeftCol(), r = sel->Rect()->GetRightCol();
        for (int i = 0; i < visible->Count(); ++i)
            if (visible->GetColumn(i)->Index() >= l && visible->GetColumn(i)->Index() <= r)
                cols_.push_back(visible->GetColumn(i));
    } else {
        for (int i = 0; i < visible->Count(); ++i) cols_.push_back(visible->GetColumn(i));
    }
    widths_.clear();
    for (TColumnGx* c : cols_) widths_.push_back(roundi((c->Width() + 1) * scaleX_));
    for (std::size_t i = 0; i < cols_.size(); ++i) colIndex_[cols_[i]] = i;
    if (o_.options_.Contains(pghOptimalColWidths)) optimalWidths();
    const TPrintDBGridGxOptions& opt = o_.options_;
    if (opt.Contains(pghFitGridToPageWidth) && opt.Contains(pghFitingByColWidths)) {
        FitPrintColumnWidths(widths_, printW_ - lw_);
    }
    gridW_ = lw_;
    for (int w : widths_) gridW_ += w;
    if (opt.Contains(pghFitGridToPageWidth) && !opt.Contains(pghFitingByColWidths) && gridW_ > printW_) {
        scaled_ = true;
        // The printable area in the enlarged logical space, where the grid keeps its layout.
        left_ = MulDiv(left_, gridW_, printW_);
        right_ = MulDiv(right_, gridW_, printW_);
        top_ = MulDiv(top_, gridW_, printW_);
        bottom_ = MulDiv(bottom_, gridW_, printW_);
        setFitMapping();
    }
}

int TGridPrintJob::treeAreaWidth() const { return trunci((grid_->GetCellTreeElmentsAreaWidth() + 1) * scaleX_); }

void TGridPrintJob::optimalWidths() {
    TCursor saved = Screen ? Screen->Cursor() : crDefault;
    if (Screen) Screen->SetCursor(crHourGlass);
    std::vector<int> w(cols_.size(), 10);
    TCustomImageList* titleImages = grid_->TitleImages();
    for (std::size_t i = 0; i < cols_.size(); ++i) {
        TColumnGx* c = cols_[i];
        int t;
        if (titleImages && c->Title()->ImageIndex() >= 0) {
            t = trunci(titleImages->Width() * scaleX_);
        } else {
            useFont(c->Title()->Font());
            int pos = 0;
            AnsiString caption = c->Title()->Caption();
            // The lowest level of a multi-level caption.
            AnsiString lowest = caption;
            for (int n = 1;; ++n) {
                AnsiString word = CaptionWord(caption, n, pos);
                if (pos == 0) break;
                lowest = word;
            }
            t = canvas()->TextWidth(lowest);
        }
        w[i] = std::max(w[i], t + 2 * hm_);
    }
    firstRow();
    while (!rowsEnd()) {
        for (std::size_t i = 0; i < cols_.size(); ++i) {
            TColumnGx* c = cols_[i];
            int cw;
            if (c->GetColumnType() == ctKeyImageList && c->ImageList() && !c->ShowImageAndText()) {
                cw = trunci(c->ImageList()->Width() * scaleX_) + 2 * hm_;
            } else if (c->GetColumnType() == ctCheckboxes) {
                cw = trunci(checkBoxSize().cx * scaleX_) + 2 * hm_;
            } else {
                cellParams(c, &cellFont_);
                useFont(&cellFont_);
                cw = canvas()->TextWidth(o_.cellParams_->Text) + 2 * hm_;
                if (c->ImageList() && c->ShowImageAndText()) cw += trunci((c->ImageList()->Width() + 5) * scaleX_);
                if (grid_->TreeAreaColumn(c)) cw += treeAreaWidth();
            }
            w[i] = std::max(w[i], cw);
        }
        nextRow();
    }
    for (int r = 0; r < grid_->FooterRowCount(); ++r) {
        for (std::size_t i = 0; i < cols_.size(); ++i) {
            TColumnGx* c = cols_[i];
            TColumnFooterGx* f = c->UsedFooter(r);
            AnsiString text = grid_->GetFooterValue(r, c);
            cellFont_.Assign(f->Font());
            TColor bg = f->Color();
            TAlignment alignment = f->Alignment();
            grid_->GetFooterParams(c->Index(), r, c, &cellFont_, bg, alignment, 0, text);
            useFont(&cellFont_);
            w[i] = std::max(w[i], canvas()->TextWidth(text) + 2 * hm_);
        }
    }
    firstRow();
    widths_ = w;
    if (Screen) Screen->SetCursor(saved);
}

void TGridPrintJob::strips() {
    strips_.clear();
    xs_.assign(cols_.size(), 0);
    // A column wider than the page is cut to it.
    const int room = right_ - left_ - lw_;
    if (!scaled_)
        for (int& w : widths_) w = std::min(w, std::max(1, room));
    std::size_t first = 0;
    int x = left_;
    for (std::size_t i = 0; i < cols_.size(); ++i) {
        // Scaled to the page, the grid is one strip whatever the rounding of the mapped margins.
        if (!scaled_ && i > first && x + widths_[i] > left_ + room) {
            strips_.push_back({first, i});
            first = i;
            x = left_;
        }
        xs_[i] = x;
        x += widths_[i];
    }
    strips_.push_back({first, cols_.size()});
}

int TGridPrintJob::colontitleHeight(TPageColontitle* c) {
    useFont(c->Font());
    int tallest = 0;
    bool any = false;
    for (TStrings* s : {c->LeftText(), c->CenterText(), c->RightText()}) {
        if (s->Count() == 0) continue;
        any = true;
        AnsiString text = ReplacePrintMacros(s->Text().TrimRight(), 1, pagesMacro_, now_);
        tallest = std::max(tallest, calcHeight(text, printW_, false));
    }
    int h = any ? tallest + trunci(ppiY_ / 20.0) : 0;
    if (c->LineType == pcltSingleLine) h += trunci(ppiY_ / 20.0);
    if (c->LineType == pcltDoubleLine) h += trunci(ppiY_ / 20.0) + trunci(ppiY_ / 30.0);
    return h;
}

void TGridPrintJob::measureRows() {
    useFont(grid_->Font());
    const int th = textHeight("Wg");
    if (grid_->RowHeight() != 0 || grid_->RowLines() != 0) {
        TTextMetric tm;
        GetTextMetrics(canvas()->Handle(), tm);
        defRowH_ = grid_->RowLines() * (tm.tmHeight + tm.tmExternalLeading) + roundi(grid_->RowHeight() * scaleY_);
    } else {
        defRowH_ = th + 2 * vm_;
    }
    multiLine_ = defRowH_ > th + 2 * vm_ || o_.options_.Contains(pghRowAutoStretch);
}

int TGridPrintJob::leafWidth(THeadTreeNode* node) {
    if (node->LeafColumn) {
        auto it = colIndex_.find(node->LeafColumn);
        return it == colIndex_.end() ? 0 : widths_[it->second];
    }
    int w = 0;
    if (THeadTreeNode* f = node->FirstChild) {
        THeadTreeNode* n = f;
        do {
            w += leafWidth(n);
            n = n->NextSibling;
        } while (n != f);
    }
    return w;
}

// Height of the children of node (their tallest caption + grandchildren); each child's caption
// takes what its own children leave of that.
int TGridPrintJob::measureTree(THeadTreeNode* node) {
    THeadTreeNode* first = node->FirstChild;
    if (!first) return 0;
    int row = 0;
    std::vector<std::pair<THeadTreeNode*, int>> below;
    THeadTreeNode* n = first;
    do {
        const int w = leafWidth(n);
        if (w > 0) {
            const int sub = measureTree(n);
            useFont(n->LeafColumn ? n->LeafColumn->Title()->Font() : grid_->TitleFont());
            const AnsiString text = n->NodeText.IsEmpty() ? AnsiString(" ") : n->NodeText;
            int h;
            if (n->LeafColumn && n->LeafColumn->Title()->Orientation() == tohVertical)
                h = canvas()->TextWidth(text) + roundi(4 * scaleY_);
            else
                h = calcHeight(text, w - roundi(4 * scaleX_), true) + roundi(grid_->VTitleMargin() * scaleY_);
            row = std::max(row, h + sub);
            below.emplace_back(n, sub);
        }
        n = n->NextSibling;
    } while (n != first);
    for (auto& [child, sub] : below) captionH_[child] = row - sub;
    return row;
}

void TGridPrintJob::measureTitles() {
    titlesH_ = 0;
    multiTitle_ = grid_->UseMultiTitle() && grid_->HeadTree() && grid_->HeadTree()->FirstChild;
    if (grid_->Options() & dgTitles) {
        if (multiTitle_) {
            captionH_.clear();
            titlesH_ = measureTree(grid_->HeadTree());
        } else if (grid_->TitleHeight() != 0 || grid_->TitleLines() != 0) {
            int tallest = 0;
            TFont* metrics = grid_->TitleFont();
            for (TColumnGx* c : cols_) {
                useFont(c->Title()->Font());
                const int h = textHeight("Wg");
                if (h > tallest) {
                    tallest = h;
                    metrics = c->Title()->Font();
                }
            }
            useFont(metrics);
            TTextMetric tm;
            GetTextMetrics(canvas()->Handle(), tm);
            titlesH_ =
                vm_ + grid_->TitleLines() * tallest + tm.tmExternalLeading + roundi(grid_->TitleHeight() * scaleY_);
            if (grid_->Options() & dgRowLines) titlesH_ += tcm_;
        } else {
            int tallest = 0;
            for (TColumnGx* c : cols_) {
                useFont(c->Title()->Font());
                tallest = std::max(tallest, textHeight("Wg"));
            }
            titlesH_ = tallest + 2 * vm_;
        }
    }
    titleTextH_ = 0;
    if (o_.title_->Count() > 0) {
        useFont(grid_->TitleFont());
        const int tvm = multiTitle_ ? roundi(grid_->VTitleMargin() * scaleY_ / 2) : vm_;
        titleTextH_ = calcHeight(o_.title_->Text().TrimRight(), gridW_ - lw_ - 2 * hm_, true) + 2 * tvm;
    }
}

int TGridPrintJob::rowHeight() {
    int h = defRowH_;
    const bool wrap = o_.options_.Contains(pghRowAutoStretch);
    for (std::size_t i = 0; i < cols_.size(); ++i) {
        TColumnGx* c = cols_[i];
        if (c->GetColumnType() == ctCheckboxes) continue;
        cellParams(c, &cellFont_);
        useFont(&cellFont_);
        int w = widths_[i] - 2 * hm_;
        const bool imageAndText = c->ImageList() && c->ShowImageAndText();
        if (imageAndText) w -= trunci((c->ImageList()->Width() + 5) * scaleX_);
        int ch = (wrap ? calcHeight(o_.cellParams_->Text, w, true) : linesHeight(o_.cellParams_->Text)) + 2 * vm_;
        if (imageAndText) ch = std::max(ch, roundi(c->ImageList()->Height() * scaleY_) + roundi(4 * scaleY_));
        h = std::max(h, ch);
    }
    return h;
}

// ---- Pages ---------------------------------------------------------------------------------------

void TGridPrintJob::newPage() {
    ++pages_;
    if (counting_) return;
    pr_->NewPage();
    resetCanvas();
    drawColontitles();
}

void TGridPrintJob::drawColontitles() {
    if (counting_) return;
    drawColontitle(o_.header_.get(), true);
    drawColontitle(o_.footer_.get(), false);
    resetCanvas();
}

void TGridPrintJob::drawColontitle(TPageColontitle* c, bool header) {
    TCanvas* cv = canvas();
    useFont(c->Font());
    const int h = header ? headerH_ : footerH_;
    const int areaTop = header ? top_ : bottom_ - h;
    const int areaBottom = header ? top_ + h : bottom_;
    const unsigned aligns[] = {DT_LEFT, DT_CENTER, DT_RIGHT};
    TStrings* texts[] = {c->LeftText(), c->CenterText(), c->RightText()};
    for (int i = 0; i < 3; ++i) {
        if (texts[i]->Count() == 0) continue;
        const AnsiString text =
            ReplacePrintMacros(texts[i]->Text().TrimRight(), pr_->GetPageNumber(), pagesMacro_, now_);
        const int th = calcHeight(text, printW_, false);
        TRect r(left_, header ? areaTop : areaBottom - th, right_, header ? areaTop + th : areaBottom);
        DrawText(cv->Handle(), text, -1, r, aligns[i] | DT_NOPREFIX | DT_NOCLIP);
    }
    if (c->LineType == pcltNon) return;
    const int step = trunci(ppiY_ / 20.0), gap = trunci(ppiY_ / 30.0);
    cv->Pen()->SetWidth(lw_);
    cv->Pen()->SetColor(clBlack);
    auto rule = [&](int y) { cv->Polyline({TPoint(left_, y), TPoint(right_, y)}); };
    const int y = header ? areaBottom - step : areaTop + step;
    rule(y);
    if (c->LineType == pcltDoubleLine) rule(header ? y - gap : y + gap);
}

// Renders a block from y on, over as many pages as it needs; returns the y below it.
int TGridPrintJob::printRich(TRichEditStrings* block, int y) {
    if (!block || block->Count() == 0) return y;
    TRichTextDocument& doc = block->Document();
    int from = 0;
    const int length = doc.Length();
    for (;;) {
        int used = 0;
        const TRect r(left_, y, right_, areaBottom_);
        const int next = doc.Render(canvas(), r, from, !counting_, used, y == areaTop_);
        y += used;
        if (next >= length) break;
        // What did not fit (perhaps nothing, below rows already on the page) goes on the next page.
        from = next;
        newPage();
        y = areaTop_;
    }
    resetCanvas();
    return y;
}

void TGridPrintJob::drawImage(TCustomImageList* list, int index, const TRect& r, bool centred) {
    if (counting_ || !list || index < 0 || index >= list->Count()) return;
    TBitmap bmp;
    if (!list->GetBitmap(index, &bmp)) return;
    const int w = roundi(list->Width() * scaleX_), h = roundi(list->Height() * scaleY_);
    int x = r.Left, y = r.Top;
    if (centred) x = r.Left + (r.Width() - w) / 2;
    y = r.Top + (r.Height() - h) / 2;
    TCanvas* c = canvas();
    const int saved = c->SaveDC();
    c->IntersectClipRect(r);
    c->StretchDraw(TRect(x, y, x + w, y + h), &bmp);
    c->RestoreDC(saved);
}

void TGridPrintJob::drawTitleCell(TColumnGx*, const AnsiString& text, TFont* font, TColor color, TAlignment align,
                                  const TRect& r, bool vertical, int imageIndex) {
    frame(r);
    if (counting_) return;
    TCanvas* c = canvas();
    if (o_.options_.Contains(pghColored) && !isWhite(color)) FillRectColor(c->Handle(), r, color);
    if (imageIndex >= 0 && grid_->TitleImages()) {
        drawImage(grid_->TitleImages(), imageIndex, r, true);
        return;
    }
    useFont(font);
    c->Brush()->SetStyle(bsClear);
    TRect tr(r.Left + hm_, r.Top + roundi(grid_->VTitleMargin() * scaleY_ / 2), r.Right - hm_, r.Bottom);
    if (!multiTitle_) tr = TRect(r.Left + hm_, r.Top + vm_, r.Right - hm_, r.Bottom - vm_);
    if (vertical) {
        const int saved = c->SaveDC();
        c->IntersectClipRect(r);
        c->Font()->SetOrientation(900);
        const int th = c->TextHeight(text);
        c->TextOut(r.Left + (r.Width() - th) / 2, r.Bottom - roundi(2 * scaleY_), text);
        c->Font()->SetOrientation(0);
        c->RestoreDC(saved);
        return;
    }
    unsigned flags = DT_NOPREFIX | DT_WORDBREAK | DT_END_ELLIPSIS;
    if (align == taCenter) flags |= DT_CENTER;
    if (align == taRightJustify) flags |= DT_RIGHT;
    // Centred vertically in the cell.
    const int th = calcHeight(text, tr.Width(), true);
    if (th < tr.Height()) tr.Top += (tr.Height() - th) / 2;
    const int saved = c->SaveDC();
    c->IntersectClipRect(r);
    DrawText(c->Handle(), text, -1, tr, flags);
    c->RestoreDC(saved);
}

void TGridPrintJob::drawTreeNode(THeadTreeNode* node, std::size_t strip, int y, int bottom) {
    THeadTreeNode* first = node->FirstChild;
    if (!first) return;
    const auto [a, b] = stripRange(strip);
    THeadTreeNode* n = first;
    do {
        // The printed columns under n that lie in this strip.
        std::size_t lo = cols_.size(), hi = 0;
        std::vector<THeadTreeNode*> stack{n};
        while (!stack.empty()) {
            THeadTreeNode* m = stack.back();
            stack.pop_back();
            if (m->LeafColumn) {
                auto it = colIndex_.find(m->LeafColumn);
                if (it != colIndex_.end() && it->second >= a && it->second < b) {
                    lo = std::min(lo, it->second);
                    hi = std::max(hi, it->second + 1);
                }
            } else if (THeadTreeNode* f = m->FirstChild) {
                THeadTreeNode* k = f;
                do {
                    stack.push_back(k);
                    k = k->NextSibling;
                } while (k != f);
            }
        }
        if (lo < hi) {
            const int x0 = colX(lo), x1 = colX(hi - 1) + widths_[hi - 1];
            const int capH = n->FirstChild ? captionH_[n] : bottom - y;
            const TRect r(x0, y, x1, y + capH);
            TColumnGx* col = n->LeafColumn;
            drawTitleCell(col, n->NodeText, col ? col->Title()->Font() : grid_->TitleFont(),
                          col ? col->Title()->Color() : grid_->FixedColor(), col ? col->Title()->Alignment() : taCenter,
                          r, col && col->Title()->Orientation() == tohVertical, col ? col->Title()->ImageIndex() : -1);
            drawTreeNode(n, strip, y + capH, bottom);
        }
        n = n->NextSibling;
    } while (n != first);
}

// Title text and column titles of a strip from y on; returns the y below them.
int TGridPrintJob::drawTitles(std::size_t strip, int y) {
    if (titleTextH_ > 0) {
        if (!counting_) {
            TCanvas* c = canvas();
            const TRect r(left_, y, left_ + gridW_ - lw_, y + titleTextH_);
            if (o_.options_.Contains(pghColored) && !isWhite(grid_->FixedColor()))
                FillRectColor(c->Handle(), r, grid_->FixedColor());
            useFont(grid_->TitleFont());
            const int tvm = multiTitle_ ? roundi(grid_->VTitleMargin() * scaleY_ / 2) : vm_;
            TRect tr(r.Left + hm_, r.Top + tvm, r.Right - hm_, r.Bottom - tvm);
            DrawText(c->Handle(), o_.title_->Text().TrimRight(), -1, tr, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
        }
        y += titleTextH_;
    }
    if (titlesH_ <= 0) return y;
    const auto [a, b] = stripRange(strip);
    if (multiTitle_) {
        drawTreeNode(grid_->HeadTree(), strip, y, y + titlesH_);
    } else {
        for (std::size_t i = a; i < b; ++i) {
            TColumnGx* col = cols_[i];
            const TRect r(colX(i), y, colX(i) + widths_[i], y + titlesH_);
            drawTitleCell(col, col->Title()->Caption(), col->Title()->Font(), col->Title()->Color(),
                          col->Title()->Alignment(), r, col->Title()->Orientation() == tohVertical,
                          col->Title()->ImageIndex());
            cellDone();
        }
    }
    return y + titlesH_;
}

void TGridPrintJob::drawDataCell(std::size_t i, const TRect& r, std::vector<AnsiString>& last) {
    frame(r);
    if (counting_) return;
    TColumnGx* col = cols_[i];
    cellParams(col, &cellFont_);
    TColCellParamsGx* p = o_.cellParams_.get();
    TCanvas* c = canvas();
    AnsiString text = p->Text;
    bool hidden = false;
    if (col->HideDuplicates()) {
        hidden = text == last[i];
        last[i] = text;
    }
    const TColor bg = o_.options_.Contains(pghColored) ? p->Background : clWhite;
    if (!isWhite(bg)) FillRectColor(c->Handle(), r, bg);
    TRect cell(r.Left + hm_, r.Top + vm_, r.Right - hm_, r.Bottom - vm_);
    if (grid_->TreeAreaColumn(col)) {
        // The record's tree signs, each level column scaled as the screen's 18 pixels.
        const int levelWidth = trunci(18 * scaleX_);
        int x = cell.Left;
        for (const std::optional<TTreeElementGx>& sign : grid_->TreeAreaSigns()) {
            if (sign) DrawTreeElement(c, TRect(x, r.Top, x + levelWidth, r.Bottom), *sign, false, scaleX_, scaleY_);
            x += levelWidth;
        }
        cell.Left += treeAreaWidth();
    }
    if (hidden) return;
    if (col->GetColumnType() == ctCheckboxes) {
        const int w = trunci(checkBoxSize().cx * scaleX_), h = trunci(checkBoxSize().cy * scaleY_);
        TRect box(r.Left + (r.Width() - w) / 2, r.Top + (r.Height() - h) / 2, 0, 0);
        box.Right = box.Left + w;
        box.Bottom = box.Top + h;
        // Drawn with the grid's line width: the screen's one-pixel bevels would all but vanish on
        // paper.
        const int saved = c->SaveDC();
        c->IntersectClipRect(r);
        c->Pen()->SetWidth(lw_);
        c->Pen()->SetColor(clBlack);
        c->Brush()->SetStyle(bsClear);
        c->Rectangle(box);
        if (p->CheckboxState != cbUnchecked) {
            c->Pen()->SetWidth(std::max(1, lw_ * 3 / 2));
            c->Pen()->SetColor(p->CheckboxState == cbGrayed ? clGray : clBlack);
            c->Polyline({TPoint(box.Left + w / 5, box.Top + h / 2), TPoint(box.Left + w * 2 / 5, box.Top + h * 3 / 4),
                         TPoint(box.Left + w * 4 / 5, box.Top + h / 4)});
            c->Pen()->SetWidth(lw_);
            c->Pen()->SetColor(clBlack);
        }
        c->RestoreDC(saved);
        return;
    }
    if (col->ImageList() && p->ImageIndex >= 0) {
        if (!col->ShowImageAndText()) {
            drawImage(col->ImageList(), p->ImageIndex, r, true);
            return;
        }
        const int iw = trunci((col->ImageList()->Width() + 5) * scaleX_);
        drawImage(col->ImageList(), p->ImageIndex, TRect(cell.Left, r.Top, cell.Left + iw, r.Bottom), false);
        cell.Left += iw;
    } else if (col->ImageList() && col->ShowImageAndText()) {
        cell.Left += trunci((col->ImageList()->Width() + 5) * scaleX_);
    }
    useFont(&cellFont_);
    c->Brush()->SetStyle(bsClear);
    unsigned flags = DT_NOPREFIX | DT_END_ELLIPSIS | (multiLine_ ? DT_WORDBREAK : DT_SINGLELINE);
    if (p->Alignment == taCenter) flags |= DT_CENTER;
    if (p->Alignment == taRightJustify) flags |= DT_RIGHT;
    const TTextLayout layout = col->Layout();
    if (!multiLine_) {
        // One line: placed by the drawing itself, so the text is measured once.
        if (layout == tlCenter) flags |= DT_VCENTER;
        if (layout == tlBottom) flags |= DT_BOTTOM;
    } else if (layout != tlTop) {
        const int th = calcHeight(text, cell.Width(), multiLine_);
        if (th < cell.Height()) cell.Top += layout == tlCenter ? (cell.Height() - th) / 2 : cell.Height() - th;
    }
    const int saved = c->SaveDC();
    c->IntersectClipRect(r);
    DrawText(c->Handle(), text, -1, cell, flags);
    c->RestoreDC(saved);
}

void TGridPrintJob::flushLines(const TRect& outer) {
    if (counting_) {
        lines_.clear();
        return;
    }
    // The outer top and left edges, then every cell's bottom and right edge, as one set of lines.
    lines_.push_back({TPoint(outer.Left, outer.Top), TPoint(outer.Right, outer.Top)});
    lines_.push_back({TPoint(outer.Left, outer.Top), TPoint(outer.Left, outer.Bottom)});
    std::vector<TPoint> pts;
    std::vector<int> counts;
    pts.reserve(lines_.size() * 2);
    for (auto& [p, q] : lines_) {
        pts.push_back(p);
        pts.push_back(q);
        counts.push_back(2);
    }
    TCanvas* c = canvas();
    c->Pen()->SetWidth(lw_);
    c->Pen()->SetColor(clBlack);
    c->PolyPolyline(pts.data(), counts.data(), static_cast<int>(counts.size()));
    lines_.clear();
}

void TGridPrintJob::printBand(const RowMark& start, const std::vector<int>& heights, std::size_t dataRows,
                              int footerStart, int startY, bool first) {
    for (std::size_t s = 0; s < strips_.size(); ++s) {
        if (pr_->GetAborted()) ::Abort();
        int y = startY;
        if (!(first && s == 0)) {
            newPage();
            y = areaTop_;
        }
        const auto [a, b] = stripRange(s);
        const int titleTop = y + titleTextH_;
        y = drawTitles(s, y);
        std::vector<AnsiString> last(cols_.size());
        if (dataRows > 0) gotoRow(start);
        for (std::size_t r = 0; r < heights.size(); ++r) {
            const int h = heights[r];
            // A row taller than the page's grid area is clipped to it.
            const int bottom = std::min(y + h, std::max(areaBottom_, y + 1));
            for (std::size_t i = a; i < b; ++i) {
                const TRect cell(colX(i), y, colX(i) + widths_[i], bottom);
                if (r < dataRows) drawDataCell(i, cell, last);
                else drawFooterCell(i, footerStart + static_cast<int>(r - dataRows), cell);
                cellDone();
            }
            y = bottom;
            if (r + 1 < dataRows) nextRow();
        }
        if (b > a) flushLines(TRect(colX(a), titleTop, colX(b - 1) + widths_[b - 1], y));
        lastY_ = y;
    }
}

void TGridPrintJob::pageLoop() {
    int y = printRich(o_.before_.get(), areaTop_);
    int rowsTop = y + titleTextH_ + titlesH_;
    if (y > areaTop_ && rowsTop + defRowH_ > areaBottom_) {
        newPage();
        y = areaTop_;
        rowsTop = y + titleTextH_ + titlesH_;
    }
    bool first = true;
    const int footerRows = std::max(0, grid_->FooterRowCount());
    int footerNext = 0;
    firstRow();
    do {
        const RowMark start = rowMark();
        std::vector<int> heights;
        int bottom = rowsTop;
        while (!rowsEnd()) {
            const int h = rowHeight();
            // A band holds at least one row, so the loop always advances.
            if (!heights.empty() && bottom + h > areaBottom_) break;
            heights.push_back(h);
            bottom += h;
            addToFooterSums();
            nextRow();
        }
        const std::size_t dataRows = heights.size();
        const int footerStart = footerNext;
        // The footer rows follow the last data row.
        while (rowsEnd() && footerNext < footerRows) {
            if (!heights.empty() && bottom + defRowH_ > areaBottom_) break;
            heights.push_back(defRowH_);
            bottom += defRowH_;
            ++footerNext;
        }
        const bool more = !rowsEnd() || footerNext < footerRows;
        const RowMark next = rowMark();
        printBand(start, heights, dataRows, footerStart, y, first);
        first = false;
        if (!more) break;
        if (!rowsEnd()) gotoRow(next);
        y = areaTop_;
        rowsTop = y + titleTextH_ + titlesH_;
    } while (true);
    printRich(o_.after_.get(), lastY_ + lw_);
}

void TGridPrintJob::Run() {
    now_ = Now();
    pages_ = 1;
    geometry();
    resetCanvas();
    chooseRows();
    columnWidths();
    strips();
    headerH_ = colontitleHeight(o_.header_.get());
    footerH_ = colontitleHeight(o_.footer_.get());
    areaTop_ = top_ + headerH_;
    areaBottom_ = bottom_ - footerH_;
    measureRows();
    measureTitles();
    resetCanvas();
    clearFooterSums();

    bool count = false;
    for (TPageColontitle* c : {o_.header_.get(), o_.footer_.get()})
        for (TStrings* s : {c->LeftText(), c->CenterText(), c->RightText()})
            if (containsNoCase(s->Text().str(), "&[Pages]")) count = true;
    if (count) {
        TCursor saved = Screen ? Screen->Cursor() : crDefault;
        if (Screen) Screen->SetCursor(crHourGlass);
        counting_ = true;
        try {
            pageLoop();
        } catch (...) {
            counting_ = false;
            if (Screen) Screen->SetCursor(saved);
            throw;
        }
        counting_ = false;
        if (Screen) Screen->SetCursor(saved);
        pagesMacro_ = pages_;
        pages_ = 1;
        clearFooterSums();
        firstRow();
    }
    drawColontitles();
    pageLoop();
}

void TPrintDBGridGx::PrintTo(TVirtualPrinter* printer) {
    if (running_ || PrintInProgress() || !printer || !hasData()) return;
    TDataSet* ds = grid_->DataSource()->DataSet();
    printer->SetTitle(LoadResString(&STabularInformationGx));
    try {
        printer->BeginDoc();
    } catch (const EAbort&) {
        return;  // another print records: this one is refused
    }
    running_ = true;
    const TBookmark saved = ds->Bookmark();
    std::unique_ptr<TMemoryStream> savedBefore, savedAfter;
    bool controlsDisabled = false;
    std::exception_ptr failure;
    try {
        OnBeforePrint(this);
        if (searches_ && searches_->Count() > 0) {
            auto keep = [](TRichEditStrings* block) {
                std::unique_ptr<TMemoryStream> m;
                if (block && block->Count() > 0) {
                    m = std::make_unique<TMemoryStream>();
                    block->SaveToStream(m.get());
                }
                return m;
            };
            savedBefore = keep(before_.get());
            savedAfter = keep(after_.get());
            for (int i = 0; i < searches_->Count(); ++i)
                for (TRichEditStrings* block : {before_.get(), after_.get()})
                    if (block && block->Count() > 0)
                        GridTextReplace(block, searches_->Strings(i), replacements_->Strings(i), 0, -1, 0, true);
        }
        ds->DisableControls();
        controlsDisabled = true;
        ds->First();
        TGridPrintJob job(this, printer);
        job.Run();
    } catch (const EAbort&) {
        // A stop from the printer ends the print quietly.
    } catch (...) {
        failure = std::current_exception();
    }
    // Whatever ended the print: the event, the blocks as they were, the record, the controls and
    // the end of the document.
    try {
        OnAfterPrint(this);
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
    auto restore = [](TRichEditStrings* block, std::unique_ptr<TMemoryStream>& m) {
        if (!block || !m) return;
        m->SetPosition(0);
        block->Clear();
        block->LoadFromStream(m.get());
    };
    try {
        restore(before_.get(), savedBefore);
        restore(after_.get(), savedAfter);
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
    try {
        if (!saved.IsEmpty() && ds->BookmarkValid(saved)) ds->GotoBookmark(saved);
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
    if (controlsDisabled) ds->EnableControls();
    running_ = false;
    printer->EndDoc();
    if (failure) std::rethrow_exception(failure);
}
