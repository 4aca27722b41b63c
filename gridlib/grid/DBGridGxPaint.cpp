// Painting the grid: the grid lines of every area in batches, the walk over the visible cells,
// DrawCell for every band (indicator, titles with group captions and sort markers, the filter row,
// data cells, footers), the cell edges, buttons and text, the focus frames and the flat border.
#include "gridlib/grid/DBGridGx.h"

#include "gui/Forms.h"
#include "gui/WinApi.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// Keeps a record of the data link current for reading and gives the old one back.
class InstantRead {
public:
    InstantRead(TCustomDBGridGx* grid, int dataRow) : grid_(grid) { grid_->InstantReadRecordEnter(dataRow); }
    ~InstantRead() { grid_->InstantReadRecordLeave(); }

private:
    TCustomDBGridGx* grid_;
};

// Restores a pen's colour and style when the scope ends.
class PenScope {
public:
    explicit PenScope(TCanvas* c) : c_(c), color_(c->Pen()->Color()), style_(c->Pen()->Style()) {}
    ~PenScope() {
        c_->Pen()->SetColor(color_);
        c_->Pen()->SetStyle(style_);
    }

private:
    TCanvas* c_;
    TColor color_;
    TPenStyle style_;
};

// A rectangle in device coordinates with its sides swapped, for drawing with the mirroring off.
TRect mirroredRect(TCanvas* c, const TRect& r) {
    TPoint p[2] = {TPoint(r.Left, r.Top), TPoint(r.Right, r.Bottom)};
    LPtoDP(c->Handle(), p, 2);
    return TRect(p[1].x, p[0].y, p[0].x, p[1].y);
}

}  // namespace

// ==== Seams: plain answers while the Parts that give them are absent =====================================

int TCustomDBGridGx::SumListGetRecNo() {
    if (sumList_->Active()) return sumList_->GetRecNo();
    TDataSet* ds = dataLink_->DataSet();
    return ds ? ds->RecNo() : -1;
}

bool TCustomDBGridGx::SumListVirtualRecordsActive() const { return sumList_->Active() && sumList_->VirtualRecords(); }

TDBGridGxSelectionType TCustomDBGridGx::PaintSelectionType() const { return selection_->SelectionType(); }

bool TCustomDBGridGx::PaintDataCellSelected(int dataCol, const TBookmark& bookmark) {
    return selection_->DataCellSelected(dataCol, bookmark);
}

bool TCustomDBGridGx::PaintRecordSelected(const TBookmark& bookmark) {
    return selection_->Rows()->IndexOf(bookmark) >= 0;
}

bool TCustomDBGridGx::PaintColumnSelected(TColumnGx* column) { return selection_->Columns()->IndexOf(column) >= 0; }

void TCustomDBGridGx::GetFooterParams(int dataCol, int row, TColumnGx* column, TFont* font, TColor& background,
                                      TAlignment& alignment, TGridDrawState state, AnsiString& text) {
    if (OnGetFooterParams) OnGetFooterParams(this, dataCol, row, column, font, background, alignment, state, text);
}

void TCustomDBGridGx::FooterCellLook(int row, TColumnGx* column, TFont*& font, TColor& color, TAlignment& alignment,
                                     bool& wordWrap, bool& endEllipsis) {
    TColumnFooterGx* footer = column->UsedFooter(row);
    font = footer->Font();
    color = footer->Color();
    alignment = footer->Alignment();
    wordWrap = footer->WordWrap();
    endEllipsis = footer->EndEllipsis();
}

// The cell shows the button its in-place editor would show.
int TCustomDBGridGx::PaintColumnEditStyle(TColumnGx* column) {
    return static_cast<int>(GetColumnEditStyle(column, Designing()));
}

int TCustomDBGridGx::ColumnEditButtonsWidth(TColumnGx* column) { return column->EditButtonsWidth(); }

// ==== Settings ==========================================================================================

void TCustomDBGridGx::SetDefaultDrawing(bool b) {
    if (b == gridDefaultDrawing_) return;
    gridDefaultDrawing_ = b;
    Invalidate();
}

// ==== Cell edges, buttons, text =========================================================================

bool TCustomDBGridGx::CellHave3DRect(int aCol, int aRow, const TRect&, TGridDrawState state) {
    const int dataCol = RawToDataColumn(aCol), dataRow = aRow - topDataOffset_;
    const int f = footerRowCount_;
    const int s = RowCount() - f - topDataOffset_ - 1;
    const bool fixed = (state & gdFixed) != 0;
    const bool indicator = aCol < indicatorOffset_;
    const bool spacer = f > 0 && dataRow == s;
    const bool footer = f > 0 && dataRow > s;
    bool result = false;
    if (fixed && (optionsGx_ & dghFixed3D) && !spacer && (indicator || dataRow < 0)) result = true;
    else if ((optionsGx_ & dghFooter3D) && footer) result = true;
    else if ((optionsGx_ & dghData3D) && !fixed && !footer) result = true;
    else if ((optionsGx_ & dghFixed3D) && (optionsGx_ & (dghData3D | dghFrozen3D)) && f > 0 && indicator && spacer)
        result = true;
    else if ((optionsGx_ & dghFrozen3D) && fixed && !indicator && dataRow >= 0) result = true;
    if (result && dataRow == -1 && FilterRowVisible() && FilterCellVisible(dataCol)) result = false;
    return result;
}

void TCustomDBGridGx::DrawEdgeGx(TCanvas* canvas, const TRect& aRect, bool isDown, bool isSelected, bool needLeft,
                                 bool needRight) {
    const unsigned edge = isDown || isSelected ? BDR_SUNKENINNER : BDR_RAISEDINNER;
    const bool rtl = UseRightToLeftAlignment();
    TRect r = rtl ? mirroredRect(canvas, aRect) : aRect;
    if (rtl) ChangeGridOrientation(false);
    const unsigned topLeft = rtl ? BF_TOP | BF_RIGHT : BF_LEFT | BF_TOP;
    const unsigned bottomRight = rtl ? BF_LEFT | BF_BOTTOM : BF_RIGHT | BF_BOTTOM;
    if (!flat_) {
        if (needLeft && needRight) {
            DrawEdge(canvas->Handle(), r, edge, BF_RECT);
        } else {
            TRect a = r, b = r;
            DrawEdge(canvas->Handle(), a, edge, needLeft ? topLeft : BF_TOP);
            DrawEdge(canvas->Handle(), b, edge, needRight ? bottomRight : BF_BOTTOM);
        }
    } else {
        PenScope pen(canvas);
        canvas->Pen()->SetColor(canvas->Brush()->Color());
        canvas->Pen()->SetStyle(psSolid);
        canvas->MoveTo(r.Left, r.Bottom - 1);
        canvas->LineTo(r.Right - 1, r.Bottom - 1);
        if (needRight) {
            canvas->MoveTo(r.Right - 1, r.Bottom - 1);
            canvas->LineTo(r.Right - 1, r.Top - 1);
        }
        TRect a = r;
        DrawEdge(canvas->Handle(), a, edge, needLeft ? topLeft : BF_TOP);
    }
    if (rtl) ChangeGridOrientation(true);
}

void TCustomDBGridGx::WriteCellText(TColumnGx* column, TCanvas* canvas, TRect aRect, bool fillRect, int dx, int dy,
                                    const AnsiString& text, TAlignment alignment, TTextLayout layout, bool multiLine,
                                    bool endEllipsis, int leftMarg, int rightMarg) {
    const bool rtl = column && column->UseRightToLeftAlignment();
    if (rtl) {
        aRect = mirroredRect(canvas, aRect);
        ChangeGridOrientation(false);
        if (alignment == taLeftJustify) alignment = taRightJustify;
        else if (alignment == taRightJustify) alignment = taLeftJustify;
        std::swap(leftMarg, rightMarg);
    }
    try {
        WriteTextGx(canvas, aRect, fillRect, dx, dy, text, alignment, layout, multiLine, endEllipsis, leftMarg,
                    rightMarg, column && column->UseRightToLeftReading());
    } catch (...) {
        if (rtl) ChangeGridOrientation(true);
        throw;
    }
    if (rtl) ChangeGridOrientation(true);
}

void TCustomDBGridGx::PaintButtonControl(HDC dc, TRect aRect, TColor parentColor, TDrawButtonControlStyleGx style,
                                         int downButtonNum, bool flat, bool active, bool enabled,
                                         TCheckBoxState state) {
    const bool rtl = UseRightToLeftAlignment();
    if (rtl) {
        aRect = mirroredRect(dc, aRect);
        ChangeGridOrientation(false);
    }
    PaintButtonControlGx(dc, aRect, parentColor, style, downButtonNum, flat, active, enabled, state);
    if (rtl) ChangeGridOrientation(true);
}

void TCustomDBGridGx::PaintInplaceButton(TColumnGx* column, TCanvas* canvas, TEditButtonStyleGx buttonStyle,
                                         TRect rect, const TRect& clipRect, int downButtonNum, bool active, bool flat,
                                         bool enabled, TColor parentColor, TBitmap* bitmap) {
    HDC dc = canvas->Handle();
    const bool clip = rect.Left < clipRect.Left;
    HRGN saved = CreateRectRgn(0, 0, 0, 0);
    bool had = false;
    if (clip) {
        had = GetClipRgn(dc, saved) == 1;
        IntersectClipRect(dc, clipRect.Left, clipRect.Top, clipRect.Right, clipRect.Bottom);
    }
    const bool rtl = column && column->UseRightToLeftAlignment();
    try {
        if (flat) {
            const TColor divider = active ? clBtnFace : parentColor;
            const TColor savedBrush = canvas->Brush()->Color();
            canvas->Brush()->SetColor(divider);
            if (rtl) canvas->FrameRect(TRect(rect.Right - 1, rect.Top, rect.Right, rect.Bottom));
            else canvas->FrameRect(TRect(rect.Left, rect.Top, rect.Left + 1, rect.Bottom));
            canvas->Brush()->SetColor(savedBrush);
            if (rtl) --rect.Right;
            else ++rect.Left;
        }
        if (rtl) {
            rect = mirroredRect(canvas, rect);
            ChangeGridOrientation(false);
        }
        if (buttonStyle == ebsGlyphGx) {
            if (flat) {
                const TColor savedBrush = canvas->Brush()->Color();
                canvas->Brush()->SetColor(parentColor);
                canvas->FrameRect(rect);
                InflateRect(rect, -1, -1);
                canvas->Brush()->SetColor(clBtnFace);
                canvas->FillRect(rect);
                canvas->Brush()->SetColor(savedBrush);
            } else {
                TRect e = rect;
                DrawEdge(dc, e, EDGE_RAISED, BF_RECT | BF_MIDDLE);
                InflateRect(rect, -2, -2);
            }
            if (bitmap && !bitmap->Empty()) DrawImageClippedToCell(nullptr, bitmap, canvas, rect, 0, 0, taCenter);
        } else {
            PaintButtonControlGx(dc, rect, parentColor, EditButtonStyleToDrawStyle(buttonStyle), downButtonNum, flat,
                                 active, enabled, cbUnchecked);
        }
        if (rtl) ChangeGridOrientation(true);
    } catch (...) {
        if (clip) SelectClipRgn(dc, had ? saved : HRGN());
        throw;
    }
    if (clip) SelectClipRgn(dc, had ? saved : HRGN());
}

void TCustomDBGridGx::DefaultDrawColumnCell(const TRect& rect, int, TColumnGx* column, TGridDrawState) {
    TRect r = rect;
    int dx = 2;
    if (optionsGx_ & dghFooter3D) {
        InflateRect(r, -1, -1);
        dx = 1;
    }
    const int dy = flat_ ? dx - 1 : dx;
    TCanvas* c = Canvas();
    switch (column->GetColumnType()) {
        case ctKeyImageList: {
            c->FillRect(r);
            if (TField* f = column->Field()) {
                int index = column->KeyList()->IndexOf(f->Text());
                if (index < 0) index = column->NotInKeyListIndex();
                if (column->ImageList()) DrawImageClippedToCell(column->ImageList(), nullptr, c, r, index, 0, taCenter);
            }
            break;
        }
        case ctCheckboxes: {
            c->FillRect(r);
            TRect box = r;
            const int bw = std::min(DefaultCheckBoxWidth, r.Width()), bh = std::min(DefaultCheckBoxHeight, r.Height());
            box.Left = r.Left + r.Width() / 2 - bw / 2;
            box.Top = r.Top + r.Height() / 2 - bh / 2;
            box.Right = box.Left + bw;
            box.Bottom = box.Top + bh;
            PaintButtonControl(c->Handle(), box, c->Brush()->Color(), bcsCheckboxGx, 0, flat_, false, true,
                               column->CheckboxState());
            break;
        }
        default:
            WriteTextGx(c, r, true, dx, dy, column->DisplayText(), column->Alignment(), column->Layout(),
                        column->WordWrap() && multiLineRows_, column->EndEllipsis(), 0, 0,
                        column->UseRightToLeftReading());
    }
}

// ==== Tree area =========================================================================================
// A view shown as a tree gives the first visible column an area at its left: one 18-pixel column per
// level of the record's node, with the connectors of its ancestors and the node's own sign.

namespace {
constexpr int TreeLevelWidth = 18;
}

bool TCustomDBGridGx::TreeAreaShown() const {
    return ViewScroll() && dataLink_->Active() && memTable_->GetTreeViewActive();
}

bool TCustomDBGridGx::TreeAreaColumn(const TColumnGx* column) const {
    return TreeAreaShown() && column && visibleColumns_->Count() > 0 && visibleColumns_->GetColumn(0) == column;
}

int TCustomDBGridGx::GetCellTreeElmentsAreaWidth() const {
    if (!TreeAreaShown()) return 0;
    return std::max(0, TreeLevelWidth * memTable_->GetTreeNodeLevel());
}

void TCustomDBGridGx::DrawCellTreeArea(int dataCol, int dataRow, TGridDrawState state, const TRect& aRect,
                                       bool cell3D) {
    TCanvas* c = Canvas();
    const TColor saved = c->Brush()->Color();
    TColor color = visibleColumns_->Count() > 0 ? visibleColumns_->GetColumn(0)->Color() : Color();
    if (dataLink_->Active() && PaintDataCellSelected(dataCol, dataLink_->DataSet()->Bookmark())) {
        TFont scratch;
        HighlightDataCellColor(dataCol, dataRow, AnsiString(), state, color, &scratch);
    }
    c->Brush()->SetColor(color);
    TRect r = aRect;
    if (cell3D) {
        --r.Top;
        --r.Left;
        ++r.Bottom;
    }
    DrawTreeArea(c, r);
    c->Brush()->SetColor(saved);
}

std::vector<std::optional<TTreeElementGx>> TCustomDBGridGx::TreeAreaSigns() const {
    std::vector<std::optional<TTreeElementGx>> signs;
    if (!TreeAreaShown()) return signs;
    const int level = memTable_->GetTreeNodeLevel();
    for (int i = 1; i < level; ++i) {
        if (memTable_->GetTreeNodeHasNextSibling(i)) signs.emplace_back(tgxVLine);
        else signs.emplace_back();
    }
    if (level < 1) return signs;
    const bool more = memTable_->GetTreeNodeHasNextSibling(level);
    TTreeElementGx sign = more ? tgxCrossUpDown : tgxCrossUp;
    if (memTable_->GetTreeNodeHasChildren()) {
        if (memTable_->GetTreeNodeExpanded()) sign = more ? tgxMinusUpDown : tgxMinusUp;
        else sign = more ? tgxPlusUpDown : tgxPlusUp;
    }
    signs.emplace_back(sign);
    return signs;
}

int TCustomDBGridGx::DrawTreeArea(TCanvas* canvas, const TRect& aRect) {
    const std::vector<std::optional<TTreeElementGx>> signs = TreeAreaSigns();
    const int level = static_cast<int>(signs.size());
    const bool rowLines = (options_ & dgRowLines) != 0;
    const int lineLevel = rowLines && level > 0 ? memTable_->GetTreeLineLevel() : -1;
    // Dots of neighbouring rows line up however far the grid is scrolled.
    const bool dotPhase = DefaultRowHeight() % 2 != 0 && TopRow() % 2 != 0;
    const TColor area = canvas->Brush()->Color();  // the signs leave their own brush behind
    int x = aRect.Left;
    for (int i = 1; i <= level; ++i) {
        TRect box(x, aRect.Top, x + TreeLevelWidth, aRect.Bottom);
        // The row line goes under the first level always and under the others as the view asks: the
        // column's fill and its connector reach over it.
        if (rowLines && (i == 1 || (lineLevel >= 0 && lineLevel <= i))) ++box.Bottom;
        canvas->Brush()->SetColor(area);
        canvas->Brush()->SetStyle(bsSolid);
        canvas->FillRect(box);
        if (const auto& sign = signs[static_cast<std::size_t>(i - 1)]) DrawTreeElement(canvas, box, *sign, dotPhase, 1.0, 1.0);
        x += TreeLevelWidth;
    }
    canvas->Brush()->SetColor(area);
    if (rowLines && level > 0) {
        PenScope pen(canvas);
        canvas->Pen()->SetColor(clSilver);
        canvas->Pen()->SetStyle(psSolid);
        canvas->MoveTo(x - 1, aRect.Bottom);
        canvas->LineTo(x - 1, aRect.Top - 2);
    }
    return x;
}

bool TCustomDBGridGx::CellTreeElementMouseDown(int x, int y, bool checkOnly) {
    if (!TreeAreaShown() || visibleColumns_->Count() == 0) return false;
    const TGridCoord cell = MouseCoord(x, y);
    const int dataRow = cell.Y - topDataOffset_;
    if (cell.X < 0 || RawToDataColumn(cell.X) < 0 || RawToDataColumn(cell.X) >= columns_->Count() ||
        !TreeAreaColumn(columns_->Items(RawToDataColumn(cell.X))) || dataRow < 0 ||
        dataRow >= memTable_->GetViewRecordCount())
        return false;
    const TRect r = CellRect(cell.X, cell.Y);
    int width = 0;
    bool expanded = false;
    {
        InstantRead read(this, dataRow);
        width = GetCellTreeElmentsAreaWidth();
        expanded = memTable_->GetTreeNodeExpanded();
    }
    if (x < r.Left || x >= r.Left + width) return false;
    // Only the node's own sign, the last level column, toggles; the connectors left of it do not.
    if (!checkOnly && x >= r.Left + width - TreeLevelWidth) setTreeNodeExpanded(dataRow, !expanded);
    return true;
}

// ==== Events fired while painting ======================================================================

void TCustomDBGridGx::GetCellParams(TColumnGx* column, TFont* font, TColor& background, TGridDrawState state) {
    if (OnGetCellParams) OnGetCellParams(this, column, font, background, state);
}

void TCustomDBGridGx::DrawDataCell(const TRect& rect, TField* field, TGridDrawState state) {
    if (OnDrawDataCell) OnDrawDataCell(this, rect, field, state);
}

void TCustomDBGridGx::DrawColumnCell(const TRect& rect, int dataCol, TColumnGx* column, TGridDrawState state) {
    if (OnDrawColumnCell) OnDrawColumnCell(this, rect, dataCol, column, state);
}

// ==== DrawCell ==========================================================================================

void TCustomDBGridGx::DrawCell(int aCol, int aRow, TRect aRect, TGridDrawState aState) {
    colCellParams_->Col = aCol;
    colCellParams_->Row = aRow;
    bool highlighted = false, pressed = false;
    if (aRect.Right <= aRect.Left) return;
    TCanvas* c = Canvas();
    if (Loading()) {
        c->Brush()->SetColor(Color());
        c->FillRect(aRect);
        return;
    }
    const bool cell3D = CellHave3DRect(aCol, aRow, aRect, aState);
    int dataCol = 0, dataRow = 0;
    const TCellTypeGx cellType = GetCellType(aCol, aRow, dataCol, dataRow);
    dataCol = RawToDataColumn(aCol);
    dataRow = aRow - topDataOffset_;
    TRect work = aRect;
    if (cell3D) InflateRect(work, -1, -1);
    const int textDX = cell3D ? 1 : 2;
    const int textDY = flat_ ? textDX - 1 : textDX;
    const bool fixed = (aState & gdFixed) != 0;
    bool dataLike = false;

    if (fixed && dataCol < 0) {
        drawIndicatorCell(aCol, aRow, dataCol, dataRow, cellType, work, aState, textDX, highlighted);
    } else if (dataCol >= 0 && dataCol < columns_->Count()) {
        TColumnGx* column = columns_->Items(dataCol);
        if (!fixed || (dataCol >= 0 && dataRow >= 0)) {
            c->Font()->Assign(column->Font());
            c->Brush()->SetColor(column->Color());
        } else {
            c->Font()->Assign(column->Title()->Font());
            c->Brush()->SetColor(column->Title()->Color());
        }
        if (aRow == 0 && (options_ & dgTitles)) {
            drawTitleCell(aCol, aRow, dataCol, dataRow, cellType, aRect, work, aState, textDX, textDY, pressed,
                          highlighted);
        } else if (dataRow < 0) {
            DrawSubTitleCell(aCol, aRow, dataCol, dataRow, cellType, aRect, aState, highlighted);
        } else if (!dataLink_->Active()) {
            c->FillRect(work);
            dataLike = true;
        } else if (dataRow >= dataLink_->RecordCount() && footerRowCount_ > 0) {
            drawFooterArea(aCol, aRow, dataCol, dataRow, cellType, work, aState, textDX, textDY, highlighted);
            dataLike = true;
        } else {
            drawDataCell(aCol, aRow, dataCol, dataRow, aRect, work, aState, cell3D, textDX, textDY, highlighted);
            dataLike = true;
        }
    } else {
        // A raw column without a column (a grid with nothing to show): its background only.
        c->Brush()->SetColor(fixed ? FixedColor() : Color());
        c->FillRect(aRect);
    }

    if (dataLike && gridDefaultDrawing_ && (aState & gdFocused) && Focused() && !Designing() &&
        !(options_ & dgRowSelect) && updateLock_ == 0) {
        TCustomForm* form = GetParentForm(this);
        if ((!form || form->ActiveControl() == this) && (!style_ || style_->DrawFocusFrame())) c->DrawFocusRect(work);
    }
    if (cell3D) {
        InflateRect(work, 1, 1);
        DrawEdgeGx(c, work, pressed, highlighted, true, true);
    }
    if (aRow == 0 && (options_ & dgTitles) && dataCol >= 0 && dataCol < columns_->Count() && useMultiTitle_)
        drawUpperTitleLevels(aCol, aRow, dataCol, dataRow, cellType, aRect, work, aState, textDY, highlighted);
}

void TCustomDBGridGx::drawIndicatorCell(int aCol, int aRow, int dataCol, int dataRow, TCellTypeGx cellType,
                                        const TRect& work, TGridDrawState state, int textDX, bool& highlighted) {
    TCanvas* c = Canvas();
    TColor brush = FixedColor();
    if (footerRowCount_ > 0 && dataRow == RowCount() - footerRowCount_ - 1 - topDataOffset_ &&
        !(optionsGx_ & dghFrozen3D))
        brush = Color();
    c->Brush()->SetColor(brush);
    if (!dataLink_->Active()) {
        c->FillRect(work);
        return;
    }
    bool selected = PaintSelectionType() == gstAll;
    const bool holdsRecord = dataRow >= 0 && dataRow < dataLink_->RecordCount();
    if (holdsRecord || (footerRowCount_ == 0 && dataRow >= 0)) {
        InstantRead read(this, dataRow);
        selected = (options_ & dgMultiSelect) && PaintDataCellSelected(dataCol, dataLink_->DataSet()->Bookmark());
    }
    if (selected) {
        TColor color = c->Brush()->Color();
        highlighted = HighlightNoDataCellColor(aCol, aRow, dataCol, dataRow, cellType, state, true, color, c->Font());
        c->Brush()->SetColor(color);
    }
    c->FillRect(work);
    const bool current = dataRow >= 0 && IsCurrentRow(dataRow);
    if (!current && !selected) return;
    int image = -1;
    TDataSet* ds = dataLink_->DataSet();
    if (ds) {
        switch (ds->State()) {
            case dsBrowse:
                if (current && selected) image = 5;
                else if (current && InplaceSearching()) image = 6;
                else if (current) image = 0;
                break;
            case dsEdit: image = 1; break;
            case dsInsert: image = 2; break;
            default: image = 0;
        }
    }
    if (image >= 0 && DBGridGxIndicators) {
        const int x = work.Right - DBGridGxIndicators->Width() - textDX;
        const int y = (work.Top + work.Bottom - DBGridGxIndicators->Height()) / 2;
        DBGridGxIndicators->Draw(c, x, y, image, true);
    }
    if (current) indicatorRow_ = dataRow + topDataOffset_;
}

void TCustomDBGridGx::drawTitleCell(int aCol, int aRow, int dataCol, int dataRow, TCellTypeGx cellType,
                                    const TRect& aRect, TRect& work, TGridDrawState state, int textDX, int textDY,
                                    bool& pressed, bool& highlighted) {
    TCanvas* c = Canvas();
    TColumnGx* column = columns_->Items(dataCol);
    TColumnTitleGx* title = column->Title();
    pressed = pressedTitleCol_ == aCol && titleButtonDown_;
    AnsiString caption;
    THeadTreeNode* leaf = nullptr;
    if (useMultiTitle_ && static_cast<std::size_t>(dataCol) < leafFieldArr_.size())
        leaf = leafFieldArr_[static_cast<std::size_t>(dataCol)].FLeaf;
    if (leaf) {
        work.Top = work.Bottom - leaf->CellHeight + 3;
        caption = leaf->NodeText;
    } else {
        caption = title->Caption();
    }
    int imageWidth = 0;
    const bool titleImage = titleImages_ && title->ImageIndex() != -1;
    if (titleImage) {
        caption = AnsiString();
        imageWidth = titleImages_->Width();
    }
    TRect textRect = work;
    TSortMarkerGx marker = title->SortMarker();
    if (column->Field() && OnGetBtnParams) {
        TColor background = c->Brush()->Color();
        OnGetBtnParams(this, column, c->Font(), background, marker, pressed);
        c->Brush()->SetColor(background);
    }
    const int offset = !pressed ? 0 : (useMultiTitle_ || titleHeight_ != 0 || titleLines_ != 0) ? 2 : 1;
    textRect.Top += offset;
    int markerImage = marker == smDownGx ? 0 : marker == smUpGx ? 1 : -1;
    int digitsWidth = 0;
    bool drawDigits = false;
    const AnsiString digits = AnsiString(std::to_string(title->SortIndex()).c_str());
    if (markerImage >= 0) {
        textRect.Right -= 16;
        if (sortMarkedColumns_->Count() > 1 && SortMarkerFont) {
            TFont saved;
            saved.Assign(c->Font());
            c->Font()->Assign(SortMarkerFont);
            digitsWidth = c->TextWidth(digits);
            c->Font()->Assign(&saved);
            drawDigits = digitsWidth != 0;
        }
        if (textRect.Right < textRect.Left + imageWidth) {
            textRect.Right += 14 - digitsWidth;
            markerImage = -1;
            if (textRect.Right < textRect.Left + imageWidth) {
                textRect.Right += digitsWidth + 2;
                drawDigits = false;
            }
        }
    }
    c->Font()->Assign(title->Font());
    if (column->Field() && OnGetBtnParams) {
        TColor background = c->Brush()->Color();
        TSortMarkerGx m = marker;
        OnGetBtnParams(this, column, c->Font(), background, m, pressed);
    }
    const bool multi = CellIsMultiSelected(aCol, aRow, dataCol, TBookmark());
    TColor color = c->Brush()->Color();
    highlighted = HighlightNoDataCellColor(aCol, aRow, dataCol, dataRow, cellType, state, multi, color, c->Font());
    c->Brush()->SetColor(color);
    c->FillRect(TRect(textRect.Right, work.Top, work.Right, work.Bottom));

    const bool vertical = title->Orientation() == tohVertical;
    const bool sized = titleHeight_ != 0 || titleLines_ != 0;
    if (useMultiTitle_ || sized) {
        const TAlignment a = useMultiTitle_ ? taCenter : title->Alignment();
        if (vertical)
            WriteTextVerticalGx(c, textRect, true, textDX, textDY + 2, caption, a, tlBottom, title->EndEllipsis(),
                                false);
        else
            WriteCellText(column, c, textRect, true, textDX, textDY, caption, a, tlCenter, true, title->EndEllipsis(),
                          offset, -offset);
    } else {
        OffsetRect(textRect, offset, 0);
        if (vertical)
            WriteTextVerticalGx(c, textRect, true, textDX, textDY + 2, caption, title->Alignment(), tlBottom,
                                title->EndEllipsis(), false);
        else
            WriteCellText(column, c, textRect, true, textDX, textDY, caption, title->Alignment(), tlTop, false,
                          title->EndEllipsis(), offset, -offset);
    }
    if (titleImage)
        DrawImageClippedToCell(titleImages_, nullptr, c, textRect, title->ImageIndex(), offset,
                               useMultiTitle_ ? taCenter : title->Alignment());
    if (!DBGridGxSortMarkerImages) return;
    // The digits stand where the marker's row is, whether or not the marker itself fitted.
    const int markerY = (work.Bottom + work.Top - DBGridGxSortMarkerImages->Height()) / 2 + offset;
    if (markerImage >= 0) {
        const int x = aRect.Right - DBGridGxSortMarkerImages->Width() - 2 - digitsWidth + offset;
        DBGridGxSortMarkerImages->Draw(c, x, markerY, markerImage, true);
    }
    if (drawDigits) {
        c->Font()->Assign(SortMarkerFont);
        if (highlighted) c->Font()->SetColor(clWhite);
        c->TextOut(aRect.Right - digitsWidth - 2 + offset, markerY - 1, digits);
        c->Font()->Assign(titleFont_.get());
        if (highlighted) c->Font()->SetColor(clWhite);
    }
}

void TCustomDBGridGx::drawUpperTitleLevels(int aCol, int aRow, int dataCol, int dataRow, TCellTypeGx cellType,
                                           const TRect& aRect, const TRect& work, TGridDrawState state, int textDY,
                                           bool highlighted) {
    if (static_cast<std::size_t>(dataCol) >= leafFieldArr_.size()) return;
    THeadTreeNode* node = leafFieldArr_[static_cast<std::size_t>(dataCol)].FLeaf;
    if (!node) return;
    TCanvas* c = Canvas();
    TColumnGx* column = columns_->Items(dataCol);
    c->Font()->Assign(titleFont_.get());
    if (highlighted) {
        TColor color = c->Brush()->Color();
        const bool multi = CellIsMultiSelected(aCol, aRow, dataCol, TBookmark());
        HighlightNoDataCellColor(aCol, aRow, dataCol, dataRow, cellType, state, multi, color, c->Font());
        c->Brush()->SetColor(color);
    } else {
        c->Brush()->SetColor(FixedColor());
    }
    const bool colLines = (options_ & dgColLines) != 0, rowLines = (options_ & dgRowLines) != 0;
    const bool fixed3D = (state & gdFixed) && (optionsGx_ & dghFixed3D);
    // The last frozen column while the scrolling part is scrolled: its group share stops at its edge.
    const bool lastFrozenScrolled = frozenCols_ > 0 && aCol == FixedCols() - 1 && LeftCol() != FixedCols();
    TRect r = work;
    while (node->ParentNode && node->ParentNode != headTree_.get()) {
        THeadTreeNode* parent = node->ParentNode;
        TRect p;
        p.Bottom = r.Top - (rowLines ? 1 : 0);
        p.Top = p.Bottom - parent->CellHeight;
        int preceding = 0;
        for (THeadTreeNode* n = parent->FirstChild; n && n != node; n = n->NextSibling) {
            preceding += n->CellWidth + (colLines ? 1 : 0);
            if (n->NextSibling == parent->FirstChild) break;
        }
        p.Left = r.Left - preceding;
        p.Right = p.Left + parent->CellWidth;
        TRect share = p;
        const int leftCut = p.Left - aRect.Left;     // negative when cut
        const int rightCut = aRect.Right - p.Right;  // negative when cut
        const bool cutLeft = leftCut < 0, cutRight = rightCut < 0;
        if (cutLeft) share.Left = aRect.Left;
        if (cutRight) share.Right = aRect.Right + (lastFrozenScrolled ? 0 : 1);
        TRect inner = share;
        if (fixed3D) InflateRect(inner, 0, -1);
        // A cut side's margin reaches out to the group's own edge (less 2 pixels), so every slice
        // lays the caption out over the whole group and paints only its own part of it.
        int leftMarg = 0, rightMarg = 0;
        if (!cutLeft) {
            c->FillRect(TRect(inner.Left, inner.Top, inner.Left + 2, inner.Bottom));
            inner.Left += 2;
        } else {
            leftMarg = leftCut + 2;
        }
        if (!cutRight) {
            c->FillRect(TRect(inner.Right - 2, inner.Top, inner.Right, inner.Bottom));
            inner.Right -= 2;
        } else {
            rightMarg = rightCut + 2 + (share.Right - aRect.Right);
        }
        WriteCellText(column, c, inner, true, 0, textDY, parent->NodeText, taCenter, tlCenter, true,
                      column->Title()->EndEllipsis(), leftMarg, rightMarg);
        parent->Painted = true;
        if (fixed3D) DrawEdgeGx(c, share, false, highlighted, !cutLeft, !cutRight);
        if (rowLines) {
            PenScope pen(c);
            c->Pen()->SetColor(flat_ ? clGray : clBlack);
            c->MoveTo(share.Left, share.Bottom);
            c->LineTo(share.Right, share.Bottom);
        }
        node = parent;
        r = p;
    }
}

void TCustomDBGridGx::DrawSubTitleCell(int aCol, int aRow, int, int, TCellTypeGx cellType, const TRect& aRect,
                                       TGridDrawState state, bool& highlighted) {
    TCanvas* c = Canvas();
    const int dataCol = (options_ & dgIndicator) ? aCol - 1 : aCol;
    const int dataRow = aRow - topDataOffset_;
    TColumnGx* column = dataCol >= 0 && dataCol < columns_->Count() ? columns_->Items(dataCol) : nullptr;
    if (FilterRowVisible() && aRow == topDataOffset_ - 1 && aCol >= indicatorOffset_ && column &&
        FilterCellVisible(dataCol)) {
        const int buttonWidth = flat_ ? FlatButtonWidth : GetSystemMetrics(SM_CXVSCROLL);
        const bool button = FilterDropDownButtonVisible(dataCol);
        const int separator = flat_ && button ? 1 : 0;
        TRect textRect = aRect;
        if (button) textRect.Right -= buttonWidth + separator;
        c->Font()->Assign(Font());
        c->Font()->SetColor(clBlue);
        TColor color = BrightenColor(FixedColor(), 8);
        const bool multi = CellIsMultiSelected(aCol, aRow, dataCol, TBookmark());
        highlighted = HighlightNoDataCellColor(aCol, aRow, dataCol, dataRow, cellType, state, multi, color, c->Font());
        c->Brush()->SetColor(color);
        WriteTextGx(c, textRect, true, 1, 1, GetFilterValue(dataCol), taLeftJustify, column->Layout(), false, false, 0,
                    0, false);
        c->Pen()->SetColor(c->Brush()->Color());
        if (button) {
            if (flat_) {
                c->Rectangle(TRect(textRect.Right, aRect.Top, textRect.Right + 1, aRect.Bottom));
                textRect.Right += 1;
            }
            TRect b(textRect.Right, aRect.Top, textRect.Right + buttonWidth, aRect.Top + editButtonHeight_);
            if (flat_) OffsetRect(b, -1, 0);
            PaintInplaceButton(column, c, ebsDropDownGx, b, aRect, 0, false, flat_, dataLink_->Active(),
                               c->Brush()->Color(), nullptr);
            if (editButtonHeight_ < DefaultRowHeight())
                c->FillRect(TRect(b.Left, b.Bottom, b.Right, aRect.Bottom));
        }
        return;
    }
    TColor color = column && cellType.HorzType == hctDataGx ? column->Title()->Color() : FixedColor();
    const bool multi = CellIsMultiSelected(aCol, aRow, dataCol, TBookmark());
    highlighted = HighlightNoDataCellColor(aCol, aRow, dataCol, dataRow, cellType, state, multi, color, c->Font());
    c->Brush()->SetColor(color);
    c->FillRect(aRect);
}

bool TCustomDBGridGx::previousRecordText(TColumnGx* column, int dataRow, AnsiString& text) {
    // A view reads the row above in place while that row is on screen; otherwise the link's window
    // steps back one record, and its first record has none before it.
    const bool view = ViewScroll();
    const int active = dataLink_->ActiveRecord();
    if (view ? dataRow + topDataOffset_ <= TopRow() : active <= 0) return false;
    auto giveBack = [&] {
        if (view) InstantReadRecordLeave();
        else dataLink_->SetActiveRecord(active);
    };
    TColCellParamsGx* p = SharedColCellParams();
    TFont scratch;
    if (view) InstantReadRecordEnter(dataRow - 1);
    else dataLink_->SetActiveRecord(active - 1);
    try {
        column->FillColCellParams(p);
        scratch.Assign(p->Font);
        p->Font = &scratch;
        TColor background = p->Background;
        GetCellParams(column, &scratch, background, p->State);
        p->Background = background;
        column->GetColCellParams(false, p);
    } catch (...) {
        p->Font = nullptr;
        giveBack();
        throw;
    }
    p->Font = nullptr;
    giveBack();
    text = p->Text;
    return true;
}

void TCustomDBGridGx::drawDataCell(int aCol, int aRow, int dataCol, int dataRow, const TRect& aRect, TRect& work,
                                   TGridDrawState state, bool cell3D, int textDX, int textDY, bool& highlighted) {
    (void)aRow;
    TCanvas* c = Canvas();
    TColumnGx* column = columns_->Items(dataCol);
    InstantRead read(this, dataRow);
    TDataSet* ds = dataLink_->DataSet();
    if (ColorToRGB(column->Color()) == ColorToRGB(Color()) && dataLink_->Active() &&
        (ds->IsSequenced() || SumListVirtualRecordsActive())) {
        const int recNo = SumListGetRecNo();
        c->Brush()->SetColor(recNo % 2 != 0 ? OddRowColor() : EvenRowColor());
    }
    bool treeDrawn = false;
    if (TreeAreaColumn(column) && GetCellTreeElmentsAreaWidth() > 0) {
        DrawCellTreeArea(dataCol, dataRow, state, work, cell3D);
        work.Left += GetCellTreeElmentsAreaWidth() - (cell3D ? 1 : 0);
        treeDrawn = true;
    }
    const TRect saved = work;
    int editStyle = 0, buttonsWidth = 0;
    if (column->AlwaysShowEditButton()) {
        editStyle = PaintColumnEditStyle(column);
        buttonsWidth = ColumnEditButtonsWidth(column);
        work.Right -= buttonsWidth;
    }
    TColCellParamsGx* p = colCellParams_.get();
    p->State = state;
    p->Font = c->Font();
    p->Alignment = column->Alignment();
    p->Background = c->Brush()->Color();
    p->Text = column->DisplayText();
    const AnsiString displayText = p->Text;
    p->ImageIndex = column->GetImageIndex();
    p->CheckboxState = column->CheckboxState();
    GetCellParams(column, c->Font(), p->Background, state);
    column->GetColCellParams(false, p);
    TGridDrawState drawState = state;
    highlighted = HighlightDataCellColor(dataCol, dataRow, displayText, drawState, p->Background, c->Font());
    if (highlighted) drawState |= gdSelected;
    c->Brush()->SetColor(p->Background);

    bool duplicate = false;
    if (column->HideDuplicates()) {
        AnsiString previous;
        if (previousRecordText(column, dataRow, previous) && previous == p->Text) {
            p->Text = AnsiString();
            p->ImageIndex = -1;
            duplicate = true;
        }
    }

    if (gridDefaultDrawing_ && work.Right > work.Left) {
        if (column->ImageList() && column->ShowImageAndText()) {
            const TColor background = c->Brush()->Color();
            c->Brush()->SetColor(column->Color());
            c->FillRect(work);
            const TRect box(work.Left, work.Top, work.Left + column->ImageList()->Width() + 4, work.Bottom);
            DrawImageClippedToCell(column->ImageList(), nullptr, c, box, p->ImageIndex, 0, taCenter);
            c->Brush()->SetColor(background);
            work.Left = box.Right + 1;
        }
        switch (column->GetColumnType()) {
            case ctKeyImageList:
                c->FillRect(work);
                if (column->ImageList())
                    DrawImageClippedToCell(column->ImageList(), nullptr, c, work, p->ImageIndex, 0, taCenter);
                break;
            case ctCheckboxes: {
                c->FillRect(work);
                TRect box;
                const int w = work.Width(), h = work.Height();
                const int bw = w < DefaultCheckBoxWidth ? w : DefaultCheckBoxWidth;
                const int bh = h < DefaultCheckBoxHeight ? h : DefaultCheckBoxHeight;
                box.Left = work.Left + w / 2 - bw / 2;
                box.Top = work.Top + h / 2 - bh / 2;
                box.Right = box.Left + bw;
                box.Bottom = box.Top + bh;
                PaintButtonControl(c->Handle(), box, c->Brush()->Color(), bcsCheckboxGx, 0, flat_, false, true,
                                   p->CheckboxState);
                break;
            }
            default:
                WriteCellText(column, c, work, true, textDX, textDY, p->Text, p->Alignment, column->Layout(),
                              column->WordWrap() && multiLineRows_, column->EndEllipsis(), 0, 0);
        }
    }

    if (column->AlwaysShowEditButton()) {
        const int f = flat_ ? 1 : 0;
        TRect b(work.Right, work.Top, work.Right + editButtonWidth_ + f, work.Top + editButtonHeight_);
        if (editStyle != 0) {
            TRect mb = b;
            if (cell3D) OffsetRect(mb, 1, -1);
            const TEditButtonStyleGx main = editStyle == 1 ? ebsEllipsisGx : editStyle == 5 ? ebsUpDownGx : ebsDropDownGx;
            PaintInplaceButton(column, c, main, mb, saved, 0, false, flat_, dataLink_->Active(), c->Brush()->Color(),
                               nullptr);
            if (flat_ && cell3D) c->FillRect(TRect(mb.Left - 1, mb.Top, mb.Left, saved.Bottom));
            b.Left += editButtonWidth_ + f;
        }
        TEditButtonsGx* buttons = column->EditButtons();
        for (int i = 0; i < buttons->Count(); ++i) {
            TEditButtonGx* eb = buttons->Items(i);
            if (!eb->Visible()) continue;
            const int w = eb->Width() < 1 ? editButtonWidth_ : eb->Width() + f;
            TRect r(b.Left, b.Top, b.Left + w + f, b.Bottom);
            PaintInplaceButton(column, c, eb->Style(), r, saved, 0, false, flat_, dataLink_->Active(),
                               c->Brush()->Color(), eb->Glyph());
            if (flat_ && cell3D) c->FillRect(TRect(r.Left - 1, r.Top, r.Left, saved.Bottom));
            b.Left += w + f;
        }
        if (editButtonHeight_ < DefaultRowHeight())
            c->FillRect(TRect(work.Right, work.Top + editButtonHeight_, work.Right + buttonsWidth, work.Bottom));
    }

    bool required = false;
    if (column->HighlightRequired() && IsCurrentRow(dataRow) && ds &&
        (ds->State() == dsEdit || ds->State() == dsInsert)) {
        TField* f = column->Field();
        required = f && f->Required() && f->IsNull();
    }
    if (column->OnCheckDrawRequiredState) column->OnCheckDrawRequiredState(this, p->Text, required);
    if (required) {
        PenScope pen(c);
        c->Pen()->SetColor(clRed);
        c->Pen()->SetStyle(psDot);
        c->MoveTo(work.Left + 2, work.Bottom - 1);
        c->LineTo(work.Right - 3, work.Bottom - 1);
    }

    if (columns_->State() == csDefault) DrawDataCell(work, column->Field(), drawState);
    DrawColumnCell(work, dataCol, column, drawState);

    if (InplaceSearching() && (drawState & gdSelected) && IsCurrentRow(dataRow) &&
        aCol == Col() && ((options_ & dgAlwaysShowSelection) || Focused()) && !Designing() && updateLock_ == 0) {
        TCustomForm* form = GetParentForm(this);
        if (!form || form->ActiveControl() == this) {
            const AnsiString typed = InplaceSearchText();
            c->Brush()->SetColor(DBGridGxInplaceSearchColor);
            c->Font()->SetColor(DBGridGxInplaceSearchTextColor);
            TRect r = work;
            InflateRect(r, -textDX, -textDY);
            if (textDX != 0) ++r.Bottom;
            unsigned flags = DT_EXPANDTABS | DT_NOPREFIX;
            TAlignment a = column->Alignment();
            if (column->UseRightToLeftAlignment()) a = a == taLeftJustify ? taRightJustify
                                                      : a == taRightJustify ? taLeftJustify : a;
            flags |= a == taRightJustify ? DT_RIGHT : a == taCenter ? DT_CENTER : DT_LEFT;
            if (column->WordWrap() && multiLineRows_) flags |= DT_WORDBREAK;
            TDrawTextParams params;
            if (a != taLeftJustify) {
                const std::string& all = displayText.str();
                const std::string rest = typed.str().size() <= all.size() ? all.substr(typed.str().size()) : "";
                params.iRightMargin = c->TextWidth(AnsiString(rest));
            }
            DrawTextEx(c->Handle(), typed, -1, r, flags, &params);
        }
    }

    if (duplicate && (options_ & dgRowLines)) {
        PenScope pen(c);
        c->Pen()->SetColor(column->Color());
        c->Pen()->SetStyle(psSolid);
        c->MoveTo(aRect.Left, aRect.Top - 1);
        c->LineTo(aRect.Right, aRect.Top - 1);
    }
    work = saved;
    if (treeDrawn) ++work.Left;
}

void TCustomDBGridGx::drawFooterArea(int aCol, int aRow, int dataCol, int dataRow, TCellTypeGx cellType, TRect& work,
                                     TGridDrawState state, int textDX, int textDY, bool& highlighted) {
    TCanvas* c = Canvas();
    TColumnGx* column = columns_->Items(dataCol);
    const int spacer = RowCount() - footerRowCount_ - 1 - topDataOffset_;
    if (dataRow > spacer) {
        const int n = dataRow - spacer - 1;
        TFont* font = nullptr;
        TColor color = footerColor_;
        TAlignment alignment = taLeftJustify;
        bool wordWrap = false, endEllipsis = false;
        FooterCellLook(n, column, font, color, alignment, wordWrap, endEllipsis);
        c->Font()->Assign(font);
        c->Brush()->SetColor(color);
        if (gridDefaultDrawing_) {
            TColor background = c->Brush()->Color();
            AnsiString text = GetFooterValue(n, column);
            GetFooterParams(dataCol, n, column, c->Font(), background, alignment, state, text);
            const bool multi = CellIsMultiSelected(aCol, aRow, dataCol, TBookmark());
            highlighted = HighlightNoDataCellColor(aCol, aRow, dataCol, dataRow, cellType, state, multi, background,
                                                   c->Font());
            c->Brush()->SetColor(background);
            WriteCellText(column, c, work, true, textDX, textDY, text, alignment, column->Layout(),
                          wordWrap && multiLineRows_, endEllipsis, 0, 0);
        }
        if (OnDrawFooterCell) OnDrawFooterCell(this, dataCol, n, column, work, state);
        return;
    }
    TColor color = c->Brush()->Color();
    const bool multi = CellIsMultiSelected(aCol, aRow, dataCol, TBookmark());
    highlighted = HighlightNoDataCellColor(aCol, aRow, dataCol, dataRow, cellType, state, multi, color, c->Font());
    c->Brush()->SetColor(color);
    c->FillRect(work);
}

// ==== Paint =============================================================================================

namespace {

// The lines of one axis of an area: one poly-polyline in the on or off colour.
void drawLines(TCanvas* c, const std::vector<TPoint>& points, int width, TColor color) {
    if (points.empty()) return;
    std::vector<int> counts(points.size() / 2, 2);
    c->Pen()->SetColor(color);
    c->Pen()->SetWidth(width);
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetMode(pmCopy);
    c->Pen()->SetEndCap(width > 1 ? pecFlat : pecRound);
    c->PolyPolyline(points.data(), counts.data(), static_cast<int>(counts.size()));
}

struct AxisCells {
    int from, to;  // cells
    int start;     // pixel where the first begins
};

}  // namespace

void TCustomDBGridGx::paintGridLines(const TGridDrawInfoGx& di) {
    TCanvas* c = Canvas();
    const TRect cr = ClientRect();
    const TGridOptions go = TCustomGrid::Options();
    const TColor fixedLine = flat_ ? clBtnShadow : clBlack;
    const TColor dataLine = ColorToRGB(Color()) == ColorToRGB(clSilver) ? clGray : clSilver;
    const int lwx = di.Horz.EffectiveLineWidth, lwy = di.Vert.EffectiveLineWidth;
    if (lwx <= 0 && lwy <= 0) return;
    auto lastShown = [](const TGridAxisDrawInfo& a) {
        int last = a.LastFullVisibleCell;
        if (last + 1 < a.GridCellCount && a.FullVisBoundary < a.GridExtent) ++last;
        return std::min(last, a.GridCellCount - 1);
    };
    const int lastCol = lastShown(di.Horz), lastRow = lastShown(di.Vert);
    const int fx = std::min(di.Horz.FixedBoundary, cr.Right), fy = std::min(di.Vert.FixedBoundary, cr.Bottom);
    const int gx = std::min(di.Horz.GridBoundary, cr.Right), gy = std::min(di.Vert.GridBoundary, cr.Bottom);
    std::vector<TPoint> pts;
    pts.reserve(static_cast<std::size_t>(2 * (std::max(lastCol, lastRow) + 3)));
    // Lines along the right edge of each column and the bottom edge of each row of an area.
    auto area = [&](AxisCells cols, AxisCells rows, TRect box, unsigned vOpt, unsigned hOpt, TColor on, TColor off,
                    int w) {
        if (box.IsEmpty()) return;
        if (lwx > 0) {
            pts.clear();
            int x = cols.start;
            for (int col = cols.from; col <= cols.to && x < box.Right; ++col) {
                const int cw = ColWidths(col);
                if (cw < 0) continue;
                x += cw;
                const int mid = x + lwx / 2;
                pts.emplace_back(mid, box.Top);
                pts.emplace_back(mid, box.Bottom);
                x += lwx;
            }
            drawLines(c, pts, w, (go & vOpt) ? on : off);
        }
        if (lwy > 0) {
            pts.clear();
            int y = rows.start;
            for (int row = rows.from; row <= rows.to && y < box.Bottom; ++row) {
                const int rh = RowHeights(row);
                if (rh < 0) continue;
                y += rh;
                const int mid = y + lwy / 2;
                pts.emplace_back(box.Left, mid);
                pts.emplace_back(box.Right, mid);
                y += lwy;
            }
            drawLines(c, pts, w, (go & hOpt) ? on : off);
        }
    };
    const int lw = GridLineWidth();
    const unsigned fv = goFixedVertLine, fh = goFixedHorzLine;
    const int fixedCols = FixedCols(), fixedRows = FixedRows();
    const int footerTop = footerRowCount_ > 0 ? gy - di.Vert.FooterExtent : gy;
    area({0, fixedCols - 1, 0}, {0, fixedRows - 1, 0}, TRect(0, 0, fx, fy), fv, fh, fixedLine, FixedColor(), lw);
    area({LeftCol(), lastCol, fx}, {0, fixedRows - 1, 0}, TRect(fx, 0, gx, fy), fv, fh, fixedLine, FixedColor(), lw);
    area({0, fixedCols - 1, 0}, {TopRow(), lastRow, fy}, TRect(0, fy, fx, gy), fv, fh, fixedLine, FixedColor(), lw);
    if (frozenCols_ > 0 && !(optionsGx_ & dghFrozen3D)) {
        const int frozenLeft = di.Horz.FixedBoundary - di.Horz.FrozenExtent;
        area({fixedCols - std::min(frozenCols_, fixedCols), fixedCols - 1, frozenLeft}, {TopRow(), lastRow, fy},
             TRect(frozenLeft, fy, fx, footerTop), goVertLine, goHorzLine, dataLine, Color(), lw);
    }
    area({LeftCol(), lastCol, fx}, {TopRow(), lastRow, fy}, TRect(fx, fy, gx, gy), goVertLine, goHorzLine, dataLine,
         Color(), lw);
    if (footerRowCount_ > 0 && ((optionsGx_ & dghFooter3D) || footerColor_ == clBtnFace)) {
        const int firstFooter = RowCount() - footerRowCount_;
        const int frozenLeft = di.Horz.FixedBoundary - di.Horz.FrozenExtent;
        area({LeftCol(), lastCol, fx}, {firstFooter, lastRow, footerTop}, TRect(fx, footerTop, gx, gy), fv, fh,
             fixedLine, FixedColor(), lw);
        if (lwy > 0 && (go & goHorzLine)) {
            pts.assign({TPoint(frozenLeft, footerTop - lwy + lwy / 2), TPoint(gx, footerTop - lwy + lwy / 2)});
            drawLines(c, pts, lw, fixedLine);
        }
    }
    c->Pen()->SetWidth(1);
    c->Pen()->SetEndCap(pecRound);
}

void TCustomDBGridGx::paintArea(int colFrom, int colTo, int rowFrom, int rowTo, TRect area, TColor color, bool fixed,
                                bool focusedGrid) {
    if (area.IsEmpty()) return;
    TCanvas* c = Canvas();
    TRect clip = c->ClipRect();
    InflateRect(clip, 1, 1);
    const bool editorShown = InplaceEditor() && InplaceEditor()->Visible();
    const TGridOptions go = TCustomGrid::Options();
    const bool baseDefault = TCustomGrid::DefaultDrawing() || Designing();
    TGridDrawInfoGx di;
    CalcFixedInfoGx(di);
    const int lwx = di.Horz.EffectiveLineWidth, lwy = di.Vert.EffectiveLineWidth;
    const TGridRect sel = TCustomGrid::Selection();
    int y = area.Top;
    for (int row = rowFrom; row <= rowTo && y < area.Bottom; ++row) {
        const int h = RowHeights(row);
        if (h < 0) continue;
        int x = area.Left;
        for (int col = colFrom; col <= colTo && x < area.Right; ++col) {
            const int w = ColWidths(col);
            if (w < 0) continue;
            const TRect r(x, y, std::min(x + w, area.Right), std::min(y + h, area.Bottom));
            x += w + lwx;
            TRect hit;
            if (!IntersectRect(hit, TRect(r.Left, r.Top, r.Right + 1, r.Bottom + 1), clip)) continue;
            TGridDrawState state = 0;
            const bool current = col == Col() && row == Row();
            if (fixed) state |= gdFixed;
            if (current && focusedGrid) state |= gdFocused;
            if (GridRectContains(col, row, sel)) state |= gdSelected;
            if (!fixed && current && editorShown) continue;
            if (baseDefault) {
                c->Font()->Assign(Font());
                c->Brush()->SetStyle(bsSolid);
                if ((state & gdSelected) && (!(state & gdFocused) || (go & (goDrawFocusSelected | goRowSelect)))) {
                    c->Brush()->SetColor(clHighlight);
                    c->Font()->SetColor(clHighlightText);
                } else {
                    c->Brush()->SetColor(color);
                }
                c->FillRect(r);
            }
            DrawCell(col, row, r, state);
            // The base grid's raised edges belong to its own default drawing; the grid draws its own
            // (over the leaf of a multi-level title, never across a group caption).
            if (baseDefault && fixed && Ctl3D() && (go & (goFixedHorzLine | goFixedVertLine))) {
                TRect e = r;
                DrawEdge(c->Handle(), e, BDR_RAISEDINNER, BF_BOTTOMRIGHT);
                e = r;
                DrawEdge(c->Handle(), e, BDR_RAISEDINNER, BF_TOPLEFT);
            }
            if (baseDefault && !Designing() && (state & gdFocused) && !(go & goRowSelect) &&
                (go & (goEditing | goAlwaysShowEditor)) != (goEditing | goAlwaysShowEditor))
                c->DrawFocusRect(r);
        }
        y += h + lwy;
    }
}

bool TCustomDBGridGx::CanDrawFocusRowRect() {
    return !Designing() && (options_ & dgRowSelect) && gridDefaultDrawing_ && Focused();
}

void TCustomDBGridGx::ClearPainted(THeadTreeNode* node) {
    if (!node) return;
    node->Painted = false;
    THeadTreeNode* child = node->FirstChild;
    if (!child) return;
    THeadTreeNode* n = child;
    do {
        ClearPainted(n);
        n = n->NextSibling;
    } while (n && n != child);
}

void TCustomDBGridGx::Paint() {
    if (paintLock_ > 0) return;
    TCanvas* c = Canvas();
    const bool rtl = UseRightToLeftAlignment();
    if (rtl) ChangeGridOrientation(true);
    TGridDrawInfoGx di;
    CalcDrawInfoGx(di);
    const TRect cr = ClientRect();
    paintGridLines(di);
    auto lastShown = [](const TGridAxisDrawInfo& a) {
        int last = a.LastFullVisibleCell;
        if (last + 1 < a.GridCellCount && a.FullVisBoundary < a.GridExtent) ++last;
        return std::min(last, a.GridCellCount - 1);
    };
    const int lastCol = lastShown(di.Horz), lastRow = lastShown(di.Vert);
    const int fx = std::min(di.Horz.FixedBoundary, cr.Right), fy = std::min(di.Vert.FixedBoundary, cr.Bottom);
    const int gx = std::min(di.Horz.GridBoundary, cr.Right), gy = std::min(di.Vert.GridBoundary, cr.Bottom);
    const bool focusedGrid = TCustomGrid::IsActiveControl();
    paintArea(0, FixedCols() - 1, 0, FixedRows() - 1, TRect(0, 0, fx, fy), FixedColor(), true, focusedGrid);
    paintArea(LeftCol(), lastCol, 0, FixedRows() - 1, TRect(fx, 0, gx, fy), FixedColor(), true, focusedGrid);
    paintArea(0, FixedCols() - 1, TopRow(), lastRow, TRect(0, fy, fx, gy), FixedColor(), true, focusedGrid);
    paintArea(LeftCol(), lastCol, TopRow(), lastRow, TRect(fx, fy, gx, gy), Color(), false, focusedGrid);
    const TGridOptions go = TCustomGrid::Options();
    if ((go & goRowSelect) && focusedGrid && TCustomGrid::DefaultDrawing() && !Designing()) {
        const TGridRect s = TCustomGrid::Selection();
        const TRect box = BoxRect(s.Left, s.Top, s.Right, s.Bottom);
        if (!box.IsEmpty()) c->DrawFocusRect(box);
    }
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    if (gx < cr.Right) c->FillRect(TRect(gx, 0, cr.Right, cr.Bottom));
    if (gy < cr.Bottom) c->FillRect(TRect(0, gy, gx, cr.Bottom));
    if (rtl) ChangeGridOrientation(false);
    if ((options_ & dgTitles) && useMultiTitle_) ClearPainted(headTree_.get());
    if (CanDrawFocusRowRect() && (!style_ || style_->DrawFocusFrame())) {
        const TGridRect s = TCustomGrid::Selection();
        TRect box = BoxRect(std::max(s.Left - frozenCols_, 0), s.Top, s.Right, s.Bottom);
        if (!box.IsEmpty()) {
            c->Font()->SetColor(clWindowText);
            c->Brush()->SetColor(clWindow);
            c->DrawFocusRect(box);
        }
    }
}

void TCustomDBGridGx::WMPaint(TMessage& m) {
    if (!bufferedPaint_ && NeedBufferedPaint() && !DBGridGxDebugDraw) bufferedPaint_ = true;
    if (!bufferedPaint_ || DBGridGxDebugDraw) {
        TCustomGrid::WMPaint(m);
        return;
    }
    // Into a picture of the client area first, then onto the screen in one copy.
    TCanvas* c = Canvas();
    const TRect cr = ClientRect();
    const TRect clip = c->ClipRect();
    TBitmap memory(cr.Width(), cr.Height());
    TCanvasDevice* screen = c->Device();
    const bool owned = c->OwnsDevice();
    c->ReleaseDevice();
    c->SetDevice(memory.Canvas()->Device(), false);
    try {
        c->Brush()->SetColor(Color());
        c->FillRect(cr);
        c->IntersectClipRect(clip);
        Paint();
    } catch (...) {
        c->ReleaseDevice();
        c->SetDevice(screen, owned);
        throw;
    }
    c->ReleaseDevice();
    c->SetDevice(screen, owned);
    c->CopyRect(cr, memory.Canvas(), cr);
    (void)m;
}

void TCustomDBGridGx::DrawBorder() {
    if (!(flat_ && BorderStyle() == bsSingle && Ctl3D())) return;
    HDC dc = GetWindowDC(Handle());
    if (!dc) return;
    TRect r(0, 0, Width(), Height());
    DrawEdge(dc, r, BDR_SUNKENOUTER, BF_RECT);
    ReleaseDC(Handle(), dc);
}
