// A grid of text cells with fixed title rows and columns (the link consoles show states in one).
#pragma once

#include "gui/Controls.h"

#include <map>
#include <memory>
#include <vector>

class QScrollBar;

enum TGridOptionBit : unsigned {
    goFixedVertLine = 1u << 0,
    goFixedHorzLine = 1u << 1,
    goVertLine = 1u << 2,
    goHorzLine = 1u << 3,
    goRangeSelect = 1u << 4,
    goDrawFocusSelected = 1u << 5,
    goRowSizing = 1u << 6,
    goColSizing = 1u << 7,
    goRowMoving = 1u << 8,
    goColMoving = 1u << 9,
    goEditing = 1u << 10,
    goTabs = 1u << 11,
    goRowSelect = 1u << 12,
    goAlwaysShowEditor = 1u << 13,
    goThumbTracking = 1u << 14,
};
using TGridOptions = unsigned;

enum TGridDrawStateBit : unsigned { gdSelected = 1u << 0, gdFocused = 1u << 1, gdFixed = 1u << 2 };
using TGridDrawState = unsigned;

struct TGridCoord {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TGridCoord&, const TGridCoord&) = default;
};

struct TGridRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    friend bool operator==(const TGridRect&, const TGridRect&) = default;
};

using TDrawCellEvent = TClosure<void(TObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State)>;
using TSelectCellEvent = TClosure<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)>;

// Cells are drawn by the grid itself (text at 2, 2 in each cell); OnDrawCell may draw over them.
// The fixed rows and columns stay in place while the others scroll.
class TStringGrid : public TCustomControl {
    PLANTMON_CLASS(TStringGrid, TCustomControl)
public:
    explicit TStringGrid(TComponent* owner);
    ~TStringGrid() override;

    int ColCount() const { return colCount_; }
    void SetColCount(int n);
    int RowCount() const { return rowCount_; }
    void SetRowCount(int n);
    int FixedCols() const { return fixedCols_; }
    void SetFixedCols(int n);
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int n);
    int DefaultColWidth() const { return defaultColWidth_; }
    // Gives every column this width.
    void SetDefaultColWidth(int w);
    int DefaultRowHeight() const { return defaultRowHeight_; }
    // Gives every row this height.
    void SetDefaultRowHeight(int h);
    int ColWidths(int col) const;
    void SetColWidths(int col, int w);
    int RowHeights(int row) const;
    void SetRowHeights(int row, int h);
    int GridLineWidth() const { return gridLineWidth_; }
    void SetGridLineWidth(int w);
    TGridOptions Options() const { return options_; }
    void SetOptions(TGridOptions o);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle s);
    TColor FixedColor() const { return fixedColor_; }
    void SetFixedColor(TColor c);
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool b) { defaultDrawing_ = b; }

    AnsiString Cells(int col, int row) const;
    void SetCells(int col, int row, const AnsiString& s);
    TObject* Objects(int col, int row) const;
    void SetObjects(int col, int row, TObject* o);

    // The current cell.
    int Col() const { return col_; }
    void SetCol(int c);
    int Row() const { return row_; }
    void SetRow(int r);
    TGridRect Selection() const;
    // The first scrolling row and column shown.
    int TopRow() const { return topRow_; }
    void SetTopRow(int r);
    int LeftCol() const { return leftCol_; }
    void SetLeftCol(int c);
    // Scrolling rows and columns fully shown.
    int VisibleRowCount() const;
    int VisibleColCount() const;
    // A cell's rectangle in client coordinates (empty when not shown).
    TRect CellRect(int col, int row) const;
    void MouseToCell(int x, int y, int& col, int& row) const;
    TGridCoord MouseCoord(int x, int y) const;
    TRect ClientRect() const override;

    TDrawCellEvent OnDrawCell;
    TSelectCellEvent OnSelectCell;
    TNotifyEvent OnTopLeftChanged;

protected:
    void Paint() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;
    LRESULT NativeDlgCode() const override;
    void BoundsChanged() override;
    virtual void DrawCell(int col, int row, TRect rect, TGridDrawState state);
    virtual bool SelectCell(int col, int row);

private:
    void moveTo(int col, int row);
    void scrollInView(int col, int row);
    void resetTopLeft();
    void updateScrollBars();
    int colX(int col) const;
    int rowY(int row) const;
    int colCount_ = 5, rowCount_ = 5, fixedCols_ = 1, fixedRows_ = 1;
    int defaultColWidth_ = 64, defaultRowHeight_ = 24, gridLineWidth_ = 1;
    std::vector<int> colWidths_;
    std::vector<int> rowHeights_;
    TGridOptions options_ = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect;
    TScrollStyle scrollBars_ = ssBoth;
    TColor fixedColor_ = clBtnFace;
    bool defaultDrawing_ = true;
    std::map<std::pair<int, int>, std::pair<AnsiString, TObject*>> cells_;
    int col_ = 1, row_ = 1, topRow_ = 1, leftCol_ = 1;
    QScrollBar* hbar_ = nullptr;
    QScrollBar* vbar_ = nullptr;
    bool updatingBars_ = false;
};
