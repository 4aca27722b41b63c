// Record moving: selected records are dragged by their indicator cells to another place in the
// dataset. While the mouse is held a dotted XOR line marks where they would go (between two rows,
// or in the mem-table tree at the level the pointer chooses); timer 1 scrolls the view by one
// record a tick while the pointer lies outside the data rows. The grid only decides where the
// records go: OnMoveRecords, the data service or the mem-table view moves them.
#include "gridlib/grid/DBGridGx.h"

#include "gui/WinApi.h"

#include <algorithm>
#include <memory>

namespace {

// The record of a visible row read in place for the scope, the current record left untouched.
class InstantRead {
public:
    InstantRead(TCustomDBGridGx* grid, int dataRow) : grid_(grid) { grid_->InstantReadRecordEnter(dataRow); }
    ~InstantRead() { grid_->InstantReadRecordLeave(); }
    InstantRead(const InstantRead&) = delete;
    InstantRead& operator=(const InstantRead&) = delete;

private:
    TCustomDBGridGx* grid_;
};

bool keyHeld(int vk) { return GetKeyState(vk) < 0; }

}  // namespace

// ==== Starting ===========================================================================================

bool TCustomDBGridGx::CheckBeginRowMoving(int x, int y, bool checkOnly) {
    if (!dataLink_->Active() || !(optionsGx_ & dghRecordMoving)) return false;
    const TGridCoord cell = MouseCoord(x, y);
    if (cell.X < 0 || cell.X >= indicatorOffset_ || cell.Y < topDataOffset_) return false;
    // Footer rows show no record.
    if (cell.Y >= firstFooterRow()) return false;
    TDataSet* ds = dataLink_->DataSet();
    if (ds->Eof() && ds->Bof()) return false;
    TBookmarkStr bookmark;
    int startLevel = -1;
    bool allowed = true;
    {
        InstantRead read(this, cell.Y - topDataOffset_);
        bookmark = ds->Bookmark();
        if (ViewScroll() && memTable_->GetTreeViewActive()) startLevel = memTable_->GetTreeNodeLevel();
        if (CanSelectType(gstRecordBookmarks))
            allowed = bookmarks_->IndexOf(bookmark) >= 0 && !keyHeld(VK_SHIFT) && !keyHeld(VK_CONTROL) &&
                      !keyHeld(VK_MENU);
    }
    if (!allowed || checkOnly) return allowed;

    moveStartRow_ = moveTargetRow_ = cell.Y;
    movedBookmark_ = bookmark;
    moveStartLevel_ = moveTargetLevel_ = startLevel;
    const TPoint p(x, y);
    if (!BeginDataRowDrag(moveStartRow_, moveTargetRow_, p)) return false;
    interactionState_ = dgsRowMoving;
    Update();
    moveLineLeft_ = CalcLeftMoveLine(moveTargetRow_, p, moveTargetLevel_);
    DrawDataRowMove(moveLineLeft_, ClientWidth());
    ResetTimer(60);
    tracking_ = true;
    return true;
}

bool TCustomDBGridGx::BeginDataRowDrag(int& startRow, int& curRow, const TPoint& mousePt) {
    (void)startRow, (void)curRow, (void)mousePt;
    return true;
}

// ==== The insertion line =================================================================================

int TCustomDBGridGx::rowMoveLevelLeft(int level) const {
    // Tree levels count from the left of the first data column.
    int left = 0;
    for (int i = 0; i < indicatorOffset_ && i < ColCount(); ++i) left += ColWidths(i) + GridLineWidth();
    return left + level * RowMoveTreeLevelWidth;
}

int TCustomDBGridGx::CalcLeftMoveLine(int curRow, const TPoint& mousePt, int& treeLevel) {
    treeLevel = -1;
    if (!ViewScroll() || !dataLink_->Active() || !memTable_->GetTreeViewActive()) return 0;
    // A pointer off the data rows keeps to the row the line is at.
    if (curRow < topDataOffset_ || curRow >= topDataOffset_ + DataRowCount()) curRow = moveTargetRow_;
    if (curRow < topDataOffset_) return 0;
    int level = 0, limit = 0;
    {
        InstantRead read(this, curRow - topDataOffset_);
        // Below the start row the line lies under the target, at the level of what follows it.
        level = curRow > moveStartRow_ ? std::max(1, memTable_->GetTreeLineLevel()) : memTable_->GetTreeNodeLevel();
        limit = memTable_->GetTreeNodeLevelLimit() + 1;
    }
    const int pointerLevel = (mousePt.x - rowMoveLevelLeft(0)) / RowMoveTreeLevelWidth;
    if (pointerLevel > level) level = std::max(level, std::min(pointerLevel, limit));
    treeLevel = level;
    return rowMoveLevelLeft(level);
}

void TCustomDBGridGx::DrawDataRowMove(int left, int right) {
    if (interactionState_ != dgsRowMoving || moveTargetRow_ < 0) return;
    const TRect r = CellRect(0, moveTargetRow_);
    // A row scrolled out of view shows no line (and erases none).
    if (r.Bottom <= r.Top) return;
    const bool below =
        moveTargetRow_ > moveStartRow_ || (moveTargetRow_ == moveStartRow_ && moveTargetLevel_ < moveStartLevel_);
    const int y = below ? r.Bottom : r.Top;
    DrawXorLine(TPoint(left, y), TPoint(right, y), 5);
}

// ==== Following the mouse ================================================================================

void TCustomDBGridGx::MoveDataRowAndScroll(int mouse, int cellHit, TGridDrawInfo& drawInfo,
                                           TGridAxisDrawInfo& axisInfo, int scrollBar, const TPoint& mousePt) {
    (void)scrollBar;
    if (interactionState_ != dgsRowMoving || !dataLink_->Active()) return;
    const int y = mouse;
    int dataRow = cellHit;
    int level = -1;
    int left = CalcLeftMoveLine(dataRow, mousePt, level);
    const int right = ClientWidth();

    if (ViewScroll()) {
        if (left == moveLineLeft_ && dataRow == moveTargetRow_) return;
        if (moveTargetRow_ == axisInfo.FixedCellCount && y < axisInfo.FixedBoundary) return;
        if (moveTargetRow_ == axisInfo.GridCellCount - 1 && y > axisInfo.GridBoundary) return;
        if (y < axisInfo.FixedBoundary) {
            if (moveTargetRow_ > axisInfo.FixedCellCount && TopRow() > FixedRows()) {
                DrawDataRowMove(moveLineLeft_, right);
                SafeMoveTop(TopRow() - 1);
                Update();
                CalcDrawInfo(drawInfo);
                axisInfo = drawInfo.Vert;
                DrawDataRowMove(moveLineLeft_, right);
            }
            dataRow = axisInfo.FirstGridCell;
        } else if (y >= axisInfo.FullVisBoundary) {
            // A pointer below the rows lies after the last one shown.
            const int row = dataRow < 0 ? axisInfo.GridCellCount : dataRow;
            if (row >= axisInfo.LastFullVisibleCell && axisInfo.LastFullVisibleCell < axisInfo.GridCellCount - 1) {
                DrawDataRowMove(moveLineLeft_, right);
                SafeMoveTop(TopRow() + 1);
                Update();
                CalcDrawInfo(drawInfo);
                axisInfo = drawInfo.Vert;
                DrawDataRowMove(moveLineLeft_, right);
            }
            dataRow = axisInfo.LastFullVisibleCell;
        }
        if (dataRow < 0) dataRow = moveTargetRow_;
        if (dataRow != cellHit) left = CalcLeftMoveLine(dataRow, mousePt, level);
    } else {
        if (dataRow == moveTargetRow_ && y >= axisInfo.FixedBoundary && y <= axisInfo.GridBoundary) return;
        // Beside the columns the pointer still stands over a row.
        if (dataRow < 0 && y >= axisInfo.FixedBoundary && y <= axisInfo.GridBoundary) dataRow = MouseCoord(0, y).Y;
        TDataSet* ds = dataLink_->DataSet();
        const int lastRow = topDataOffset_ + DataRowCount() - 1;
        if (dataRow > lastRow || y > axisInfo.GridBoundary) {
            // One record further down: to the last record shown, then one step on.
            DrawDataRowMove(moveLineLeft_, right);
            ds->MoveBy(dataLink_->RecordCount() - 1 - dataLink_->ActiveRecord());
            ds->MoveBy(1);
            Update();
            DrawDataRowMove(moveLineLeft_, right);
            dataRow = lastRow;
        } else if (dataRow < topDataOffset_) {
            DrawDataRowMove(moveLineLeft_, right);
            ds->MoveBy(-dataLink_->ActiveRecord());
            ds->MoveBy(-1);
            Update();
            DrawDataRowMove(moveLineLeft_, right);
            dataRow = topDataOffset_;
        }
    }

    if (!MoveSelectedDataRows(dataRow - topDataOffset_, level, true)) return;
    DrawDataRowMove(moveLineLeft_, right);
    moveTargetRow_ = dataRow;
    moveTargetLevel_ = level;
    DrawDataRowMove(left, right);
    moveLineLeft_ = left;
}

// ==== Ending =============================================================================================

void TCustomDBGridGx::EndRowMoving(int x, int y, bool accept) {
    StopTimer();
    DrawDataRowMove(moveLineLeft_, ClientWidth());
    interactionState_ = dgsNormal;
    if (!accept) return;
    int start = moveStartRow_, target = moveTargetRow_;
    if (!EndRowDrag(start, target, TPoint(x, y))) return;
    if (target != start || moveTargetLevel_ != moveStartLevel_)
        MoveSelectedDataRows(target - topDataOffset_, moveTargetLevel_, false);
}

// ==== Moving =============================================================================================

bool TCustomDBGridGx::MoveSelectedDataRows(int toDataRow, int treeLevel, bool checkOnly) {
    TStringList list;
    if (bookmarks_->Count() > 0) {
        for (int i = 0; i < bookmarks_->Count(); ++i) list.Add(bookmarks_->Items(i));
    } else {
        list.Add(movedBookmark_);
    }
    return MoveDataRows(&list, toDataRow, treeLevel, checkOnly);
}

bool TCustomDBGridGx::MoveDataRows(TStrings* bookmarkList, int toDataRow, int treeLevel, bool checkOnly) {
    const int toRecNo = DataRowToRecNo(toDataRow);
    if (OnMoveRecords) return OnMoveRecords(this, bookmarkList, toRecNo, treeLevel, checkOnly);
    return DefaultMoveDataRows(bookmarkList, toRecNo, treeLevel, checkOnly);
}

bool TCustomDBGridGx::DefaultMoveDataRows(TStrings* bookmarkList, int toRecNo, int treeLevel, bool checkOnly) {
    if (ViewScroll()) return memTable_->MoveViewRecords(bookmarkList, toRecNo, treeLevel, checkOnly) != 0;
    TDataSet* ds = dataLink_->DataSource() ? dataLink_->DataSet() : nullptr;
    if (!ds) return false;
    // The record that sits where a re-centred window puts the current one: after the move the
    // dataset returns to its number and steps back to the current row, so the view keeps its place.
    const int a = dataLink_->ActiveRecord(), n = dataLink_->RecordCount();
    const int distance = a - n / 2 + (n + 1) % 2;
    int notedRecNo = 0;
    if (n > 0) {
        dataLink_->SetActiveRecord(a - distance);
        try {
            notedRecNo = ds->RecNo();
        } catch (...) {
            dataLink_->SetActiveRecord(a);
            throw;
        }
        dataLink_->SetActiveRecord(a);
    }
    const bool result = DataServiceMoveRecords(bookmarkList, toRecNo, checkOnly);
    if (!checkOnly && notedRecNo > 0) {
        ds->SetRecNo(notedRecNo);
        ds->MoveBy(distance);
    }
    return result;
}

bool TCustomDBGridGx::DataServiceMoveRecords(TStrings* bookmarkList, int toRecNo, bool checkOnly) {
    return DBGridGxDataService && DBGridGxDataService->MoveRecords(this, bookmarkList, toRecNo, checkOnly);
}

// ==== Buffered painting ==================================================================================

bool TCustomDBGridGx::NeedBufferedPaint() {
    if (DrawTitleByThemes()) return true;
    return ViewScroll() && dataLink_->Active() && memTable_->GetTreeViewActive() && (options_ & dgRowLines);
}
