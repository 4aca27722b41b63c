// Grids: the base grid (TCustomGrid), the owner-drawn grid (TCustomDrawGrid) and the grid of text
// cells (TStringGrid), with the in-place editor the base grid hosts (TInplaceEdit).
//
// A grid has ColCount columns and RowCount rows; the first FixedCols columns and FixedRows rows are
// fixed (titles): they never scroll, while the others scroll so that LeftCol and TopRow are the
// first scrolling column and row shown. Column widths and row heights are kept per cell; a width of
// -1 hides the column together with its trailing grid line, a width of 0 leaves only the line. All
// geometry walks only the cells on screen, so a grid of any length paints and measures as quickly
// as a short one.
//
// Geometry is in client coordinates (inside the grid's border and scroll bars). The grid owns its
// window scroll bars (ScrollBars), the sizing and moving of columns and rows with the mouse (Options)
// and the in-place editor; descendants take over painting (DrawCell, Paint), keys and mouse by
// overriding the virtual operations below and calling the base's where they want its effect.
#pragma once

#include "gui/Controls.h"
#include "gui/Mask.h"

#include <functional>
#include <memory>
#include <vector>

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

// What the mouse is doing to the grid.
enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

// Directions of an automatic scroll while the mouse selects outside the cells (TimedScroll).
enum TGridScrollDirectionBit : unsigned { sdLeft = 1u << 0, sdRight = 1u << 1, sdUp = 1u << 2, sdDown = 1u << 3 };
using TGridScrollDirection = unsigned;

struct TGridCoord {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TGridCoord&, const TGridCoord&) = default;
};

struct TGridRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    friend bool operator==(const TGridRect&, const TGridRect&) = default;
};

PLANTMON_EXCEPTION(EInvalidGridOperation, EInvalidOperation);

// One axis of the grid as drawn (columns across, rows down), in pixels from the client's edge.
struct TGridAxisDrawInfo {
    int EffectiveLineWidth = 0;   // the grid line width, 0 when the axis draws no lines
    int FixedBoundary = 0;        // where the scrolling cells begin
    int GridBoundary = 0;         // where the last cell shown ends (at most GridExtent)
    int GridExtent = 0;           // the client width or height
    int LastFullVisibleCell = 0;  // the last cell shown whole (at least FirstGridCell)
    int FullVisBoundary = 0;      // where that cell ends, its line included
    int FixedCellCount = 0;
    int FirstGridCell = 0;        // LeftCol or TopRow
    int GridCellCount = 0;        // ColCount or RowCount
    std::function<int(int)> GetExtent;  // width or height of a cell
};

struct TGridDrawInfo {
    TGridAxisDrawInfo Horz;
    TGridAxisDrawInfo Vert;
};

class TCustomGrid;

// The editor a grid shows over its current cell. It asks the grid for its text, mask and limit
// (UpdateContents), hands every change back (SetEditText, through EN_CHANGE arriving at the grid as
// WM_COMMAND), asks CanEditModify before the first change and CanEditAcceptKey for each typed
// character, and gives the navigation keys to the grid.
class TInplaceEdit : public TCustomMaskEdit {
    PLANTMON_CLASS(TInplaceEdit, TCustomMaskEdit)
public:
    explicit TInplaceEdit(TComponent* owner);
    TCustomGrid* Grid() const { return grid_; }
    void SetGrid(TCustomGrid* grid) { grid_ = grid; }
    // Places the editor over loc (client coordinates of the grid) and shows it; an empty loc hides
    // it. BoundsChanged runs on every placement.
    void Move(const TRect& loc);
    // Places it without showing it.
    void UpdateLoc(const TRect& loc);
    bool PosEqual(const TRect& rect) const;
    void Hide();
    bool Showing() const;
    void Invalidate() override;
    // Takes the grid's text, mask and limit for the current cell.
    virtual void UpdateContents();

protected:
    bool EditCanModify() override;
    void Change() override;
    void DblClick() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(WideChar& key) override;
    void KeyUp(WORD& key, TShiftState shift) override;
    bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;
    void WMGetDlgCode(TMessage& m) override;
    void DefaultHandler(TMessage& m) override;
    friend class TCustomGrid;

private:
    void internalMove(const TRect& loc, bool show);
    TCustomGrid* grid_ = nullptr;
    bool updating_ = false;
    bool modifyAsked_ = false;
    int hiddenSelStart_ = -1, hiddenSelLength_ = 0;
};

class TCustomGrid : public TCustomControl {
    PLANTMON_CLASS(TCustomGrid, TCustomControl)
public:
    explicit TCustomGrid(TComponent* owner);
    ~TCustomGrid() override;

    // ---- Cells
    int ColCount() const { return colCount_; }
    // A count at or below the fixed count lowers the fixed count; the current cell stays inside.
    void SetColCount(int n);
    int RowCount() const { return rowCount_; }
    void SetRowCount(int n);
    int FixedCols() const { return fixedCols_; }
    // Raises EInvalidGridOperation unless 0 <= n < ColCount; the first scrolling cell becomes the
    // top left and current one.
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
    // -1 hides the column and its trailing line; ColWidthsChanged follows a change.
    void SetColWidths(int col, int w);
    int RowHeights(int row) const;
    void SetRowHeights(int row, int h);
    bool TabStops(int col) const;
    void SetTabStops(int col, bool b);
    int GridLineWidth() const { return gridLineWidth_; }
    void SetGridLineWidth(int w);
    TGridOptions Options() const { return options_; }
    void SetOptions(TGridOptions o);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle s);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle b);
    TColor FixedColor() const { return fixedColor_; }
    void SetFixedColor(TColor c);
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool b);

    // ---- Current cell, selection, scrolling
    int Col() const { return current_.X; }
    void SetCol(int c);
    int Row() const { return current_.Y; }
    void SetRow(int r);
    // The current cell and the anchor of a range selection (whole rows with goRowSelect).
    TGridRect Selection() const;
    void SetSelection(const TGridRect& r);
    // The first scrolling row and column shown; a change calls TopLeftChanged.
    int TopRow() const { return topLeft_.Y; }
    void SetTopRow(int r);
    int LeftCol() const { return topLeft_.X; }
    void SetLeftCol(int c);
    // Scrolling columns and rows shown whole.
    int VisibleColCount() const;
    int VisibleRowCount() const;
    // Where the cells end (at most the client width and height).
    int GridWidth() const;
    int GridHeight() const;
    // Makes (col, row) current; moveAnchor also moves the selection's anchor there, show scrolls it
    // into view. Raises EInvalidGridOperation outside the grid.
    void MoveColRow(int col, int row, bool moveAnchor, bool show);

    // ---- Geometry
    void CalcDrawInfo(TGridDrawInfo& info) const;
    void CalcDrawInfoXY(TGridDrawInfo& info, int width, int height) const;
    // The fixed part only (the sizing test's basis).
    void CalcFixedInfo(TGridDrawInfo& info) const;
    // A cell's rectangle (empty when it is not shown).
    TRect CellRect(int col, int row) const;
    // The pixels of a range of cells: the part shown, across fixed and scrolled cells; a bottom or
    // right beyond the last cell is taken as the last cell.
    TRect BoxRect(int left, int top, int right, int bottom) const;
    // The cell under a client point, (-1, -1) outside the cells.
    TGridCoord MouseCoord(int x, int y) const;
    void MouseToCell(int x, int y, int& col, int& row) const;

    // ---- Repainting
    void InvalidateCell(int col, int row);
    void InvalidateCol(int col);
    void InvalidateRow(int row);
    void InvalidateGrid();

    // ---- Editor
    bool EditorMode() const { return editorMode_; }
    void SetEditorMode(bool b);
    TInplaceEdit* InplaceEditor() const { return inplaceEdit_; }
    void ShowEditor();
    void HideEditor();
    // Makes the editor take the cell's contents and place again.
    void InvalidateEditor();

    // Sizing, moving, selecting: the mouse's state, for descendants that drive it themselves.
    TGridState GridState() const { return gridState_; }

    // Scales widths, heights and the font by m / d (a form shown at another pixel density).
    virtual void ChangeScale(int m, int d);
    // A grid with a new parent sets its scroll bars for the room it gets.
    void SetParent(TWinControl* parent) override;

protected:
    // ---- Hooks (each called by the base where it says)
    virtual void DrawCell(int col, int row, TRect rect, TGridDrawState state) = 0;
    virtual bool SelectCell(int col, int row) { (void)col, (void)row; return true; }
    virtual void TopLeftChanged();
    virtual void ColWidthsChanged();
    virtual void RowHeightsChanged();
    virtual void ColumnMoved(int fromIndex, int toIndex) { (void)fromIndex, (void)toIndex; }
    virtual void RowMoved(int fromIndex, int toIndex) { (void)fromIndex, (void)toIndex; }
    virtual bool BeginColumnDrag(int& origin, int& destination, TPoint mousePt);
    virtual bool EndColumnDrag(int& origin, int& destination, TPoint mousePt);
    virtual bool BeginRowDrag(int& origin, int& destination, TPoint mousePt);
    virtual bool EndRowDrag(int& origin, int& destination, TPoint mousePt);
    virtual bool CheckColumnDrag(int& origin, int& destination, TPoint mousePt);
    virtual bool CheckRowDrag(int& origin, int& destination, TPoint mousePt);
    virtual void SizeChanged(int oldColCount, int oldRowCount) { (void)oldColCount, (void)oldRowCount; }
    // The mouse left the cells while selecting: one step in those directions.
    virtual void TimedScroll(TGridScrollDirection direction);
    virtual bool CanGridAcceptKey(WORD key, TShiftState shift) { (void)key, (void)shift; return true; }
    // Which border lies under (x, y): a column border within the fixed rows (goColSizing) or a row
    // border within the fixed columns (goRowSizing), with its index, position and offset.
    virtual void CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs,
                                 const TGridDrawInfo& fixedInfo);

    // ---- Editor hosting
    virtual TInplaceEdit* CreateEditor();
    virtual bool CanEditShow();
    virtual bool CanEditModify();
    virtual bool CanEditAcceptKey(WideChar key) { (void)key; return true; }
    virtual AnsiString GetEditText(int col, int row) { (void)col, (void)row; return AnsiString(); }
    virtual void SetEditText(int col, int row, const AnsiString& value) { (void)col, (void)row, (void)value; }
    virtual AnsiString GetEditMask(int col, int row) { (void)col, (void)row; return AnsiString(); }
    // The longest text the editor takes (0: no limit).
    virtual int GetEditLimit() { return 0; }
    // Whether the grid or its editor has the focus (the current cell is drawn focused).
    bool IsActiveControl() const;

    // ---- Moving cells
    void MoveColumn(int fromIndex, int toIndex);
    void MoveRow(int fromIndex, int toIndex);
    // Scrolls so that the first scrolling cell shown is (left, top).
    void MoveTopLeft(int left, int top);

    // ---- Painting and input
    void Paint() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(WideChar& key) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
    bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;
    void CreateParams(TCreateParams& params) override;
    void Dispatch(TMessage& m) override;
    LRESULT NativeDlgCode() const override;
    void WMGetDlgCode(TMessage& m) override;
    virtual void WMHScroll(TMessage& m);
    virtual void WMVScroll(TMessage& m);
    void WMSetCursor(TMessage& m) override;
    void WMTimer(TMessage& m) override;
    void WMCancelMode(TMessage& m) override;
    void CMCancelMode(TMessage& m) override;
    void WMSize(TMessage& m) override;
    void WMSetFocus(TMessage& m) override;
    void WMKillFocus(TMessage& m) override;
    void FontChanged() override;
    // Ends sizing, moving or selecting without effect (Esc, cancel mode).
    void CancelMode();

    // The mouse's state; descendants that size or move on their own read and write these.
    TGridState gridState_ = gsNormal;
    int sizingIndex_ = 0;
    int sizingPos_ = 0;
    int sizingOfs_ = 0;
    int moveIndex_ = 0;
    int movePos_ = 0;
    TPoint hitTest_;

private:
    friend class TInplaceEdit;
    int span(const std::vector<int>& extents, int i, int lineWidth) const;
    void calcAxis(TGridAxisDrawInfo& axis) const;
    void fixedAxis(TGridAxisDrawInfo& axis, bool horz) const;
    int linePos(const TGridAxisDrawInfo& axis, int line) const;
    bool boxAxis(const TGridAxisDrawInfo& axis, int lo, int hi, int& from, int& to) const;
    int coordFromPoint(const TGridAxisDrawInfo& axis, int pos) const;
    TGridCoord calcMaxTopLeft(TGridCoord last, const TGridDrawInfo& info) const;
    int firstCellToShow(const TGridAxisDrawInfo& axis, int cell) const;
    void changeSize(int cols, int rows);
    void initializeTopLeft();
    void clampInView(TGridCoord cell);
    void moveCurrent(int col, int row, bool moveAnchor, bool show);
    void selectionMoved(const TGridRect& old);
    void invalidateBox(const TGridRect& r);
    void topLeftMoved(TGridCoord old);
    void updateScrollRange();
    void updateScrollPos();
    void extentsChanged();
    void scrollBarMessage(int bar, WORD code);
    void updateEdit();
    void hideEdit();
    void drawSizingLine(const TGridDrawInfo& info);
    void drawMove();
    void moveAndScroll(int mouse, int cellHit, const TGridDrawInfo& info, const TGridAxisDrawInfo& axis, int scrollBar,
                       TPoint mousePt);
    void paintLines(const TGridDrawInfo& di, int colFrom, int colTo, int rowFrom, int rowTo, TRect area,
                    unsigned vertOption, unsigned horzOption, TColor on, TColor off);
    void paintCells(const TGridDrawInfo& di, int colFrom, int colTo, int rowFrom, int rowTo, TRect area,
                    TColor color, bool fixed, bool focusedGrid);
    bool cellSelected(int col, int row) const;
    TGridScrollDirection scrollDirection(TPoint p) const;

    int colCount_ = 5, rowCount_ = 5, fixedCols_ = 1, fixedRows_ = 1;
    int defaultColWidth_ = 64, defaultRowHeight_ = 24, gridLineWidth_ = 1;
    std::vector<int> colWidths_;
    std::vector<int> rowHeights_;
    std::vector<bool> tabStops_;
    TGridOptions options_ = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect;
    TScrollStyle scrollBars_ = ssBoth;
    TBorderStyle borderStyle_ = bsSingle;
    TColor fixedColor_ = clBtnFace;
    bool defaultDrawing_ = true;
    TGridCoord current_{1, 1};
    TGridCoord anchor_{1, 1};
    TGridCoord topLeft_{1, 1};
    bool editorMode_ = false;
    TInplaceEdit* inplaceEdit_ = nullptr;
    int inplaceCol_ = -1, inplaceRow_ = -1;
    bool updatingRange_ = false;
    bool forwardingChar_ = false;
    bool timerOn_ = false;
    bool moveMarkDrawn_ = false;
    TPoint lastMouse_;
};

using TMovedEvent = TClosure<void(TObject* Sender, int FromIndex, int ToIndex)>;
using TDrawCellEvent = TClosure<void(TObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State)>;
using TGetEditEvent = TClosure<void(TObject* Sender, int ACol, int ARow, AnsiString& Value)>;
using TSetEditEvent = TClosure<void(TObject* Sender, int ACol, int ARow, const AnsiString& Value)>;
using TSelectCellEvent = TClosure<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)>;

// A grid whose cells the application draws (OnDrawCell) and whose edits it handles (the events).
class TCustomDrawGrid : public TCustomGrid {
    PLANTMON_CLASS(TCustomDrawGrid, TCustomGrid)
public:
    explicit TCustomDrawGrid(TComponent* owner) : TCustomGrid(owner) {}

    TMovedEvent OnColumnMoved;
    TMovedEvent OnRowMoved;
    TDrawCellEvent OnDrawCell;
    TGetEditEvent OnGetEditMask;
    TGetEditEvent OnGetEditText;
    TSetEditEvent OnSetEditText;
    TSelectCellEvent OnSelectCell;
    TNotifyEvent OnTopLeftChanged;

protected:
    void DrawCell(int col, int row, TRect rect, TGridDrawState state) override;
    bool SelectCell(int col, int row) override;
    void TopLeftChanged() override;
    void ColumnMoved(int fromIndex, int toIndex) override;
    void RowMoved(int fromIndex, int toIndex) override;
    AnsiString GetEditMask(int col, int row) override;
    AnsiString GetEditText(int col, int row) override;
    void SetEditText(int col, int row, const AnsiString& value) override;
};

class TDrawGrid : public TCustomDrawGrid {
    PLANTMON_CLASS(TDrawGrid, TCustomDrawGrid)
public:
    explicit TDrawGrid(TComponent* owner) : TCustomDrawGrid(owner) {}
};

// A grid of text cells (each with an object the application may hang on it). With DefaultDrawing
// a cell shows its text at (2, 2); OnDrawCell may draw over it.
class TStringGrid : public TCustomDrawGrid {
    PLANTMON_CLASS(TStringGrid, TCustomDrawGrid)
public:
    explicit TStringGrid(TComponent* owner);
    ~TStringGrid() override;

    AnsiString Cells(int col, int row) const;
    void SetCells(int col, int row, const AnsiString& s);
    TObject* Objects(int col, int row) const;
    void SetObjects(int col, int row, TObject* o);

protected:
    void DrawCell(int col, int row, TRect rect, TGridDrawState state) override;
    void ColumnMoved(int fromIndex, int toIndex) override;
    void RowMoved(int fromIndex, int toIndex) override;
    AnsiString GetEditText(int col, int row) override;
    void SetEditText(int col, int row, const AnsiString& value) override;

private:
    struct Cell {
        AnsiString text;
        TObject* object = nullptr;
    };
    using RowCells = std::vector<Cell>;
    Cell* cell(int col, int row, bool create);
    const Cell* cell(int col, int row) const;
    // Rows by index; a row without any cell set has none.
    std::vector<std::unique_ptr<RowCells>> rows_;
    bool settingFromEditor_ = false;
};
