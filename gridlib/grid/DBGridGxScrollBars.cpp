// The grid's scroll bars: the settings objects with their external bars, the vertical bar that shows
// the current record's place in the dataset, the external horizontal bar, and the largest useful
// first visible cell.
#include "gridlib/grid/DBGridGx.h"

#include "gui/WinApi.h"
#include "rtl/MathUtils.h"

#include <algorithm>

namespace {

const bool scrollBarPropertiesRegistered = [] {
    using B = TDBGridGxScrollBar;
    PTypeInfo boolean = EnumTypeInfo("Boolean", {"False", "True"});
    RegisterPublishedProperties(
        B::StaticClass(),
        {MakeProperty<B>("ExtScrollBar", ClassTypeInfo(TScrollBar::StaticClass()), &B::ExtScrollBar,
                         &B::SetExtScrollBar),
         MakeProperty<B>("Tracking", boolean, &B::Tracking, &B::SetTracking, 0),
         MakeProperty<B>("Visible", boolean, &B::GetVisible, &B::SetVisible, 1)});
    // The vertical bar keeps its mode; its Visible is only a view of the mode.
    using V = TVertDBGridGxScrollBar;
    TPropInfo visible = MakeProperty<V>("Visible", boolean, &V::GetVisible, &V::SetVisible, 1);
    visible.Stored = [](TObject*) { return false; };
    RegisterPublishedProperties(
        V::StaticClass(),
        {visible, MakeProperty<V>("VisibleMode",
                                  EnumTypeInfo("TScrollBarVisibleModeGx", {"sbAlwaysShowGx", "sbNeverShowGx", "sbAutoShowGx"}),
                                  &V::VisibleMode, &V::SetVisibleMode, sbAutoShowGx)});
    return true;
}();

}  // namespace

// ==== TDBGridGxScrollBar ================================================================================

TDBGridGxScrollBar::TDBGridGxScrollBar(TCustomDBGridGx* grid, TScrollBarKind kind) : grid_(grid), kind_(kind) {}

TDBGridGxScrollBar::~TDBGridGxScrollBar() {
    // Only the grid destroys its settings: the bar gets its own window procedure back, nothing more.
    if (extScrollBar_ && !(grid_->ComponentState() & csDesigning)) extScrollBar_->SetWindowProc(TWndMethod());
    extScrollBar_ = nullptr;
}

void TDBGridGxScrollBar::Assign(TPersistent* source) {
    if (auto* src = dynamic_cast<TDBGridGxScrollBar*>(source)) {
        SetVisible(src->Visible());
        SetTracking(src->Tracking());
        SetExtScrollBar(src->ExtScrollBar());
        return;
    }
    TPersistent::Assign(source);
}

void TDBGridGxScrollBar::SetVisible(bool value) {
    SetVisibleMode(value ? sbAutoShowGx : sbNeverShowGx);
    UpdateExtScrollBar();
}

void TDBGridGxScrollBar::SetVisibleMode(TScrollBarVisibleModeGx value) {
    if (value == visibleMode_) return;
    visibleMode_ = value;
    if (kind_ == sbVertical) grid_->UpdateScrollBar();
    grid_->LayoutChanged();
}

bool TDBGridGxScrollBar::IsScrollBarVisible() const {
    if (extScrollBar_) return extScrollBar_->Visible();
    const DWORD bit = kind_ == sbVertical ? WS_VSCROLL : WS_HSCROLL;
    return Visible() && (static_cast<DWORD>(GetWindowLong(grid_->Handle(), GWL_STYLE)) & bit) != 0;
}

void TDBGridGxScrollBar::UpdateExtScrollBar() {
    if (extScrollBar_) extScrollBar_->SetVisible(Visible());
}

void TDBGridGxScrollBar::SetExtScrollBar(TScrollBar* value) {
    if (value == extScrollBar_) return;
    const bool runTime = !(grid_->ComponentState() & csDesigning);
    if (runTime && value && !(value->WindowProc() == TWndMethod(static_cast<TControl*>(value), &TControl::WndProc)))
        throw EInvalidGridOperation("Possible " + value->Name() + " already attached to the other control.");
    if (runTime && extScrollBar_) extScrollBar_->SetWindowProc(TWndMethod());
    extScrollBar_ = value;
    if (value) {
        value->FreeNotification(grid_);
        if (runTime) value->SetWindowProc(TWndMethod(this, &TDBGridGxScrollBar::ExtScrollWindowProc));
    }
    UpdateExtScrollBar();
    if (grid_->ComponentState() & csDestroying) return;
    if (grid_->HandleAllocated()) {
        if (kind_ == sbVertical) grid_->UpdateScrollBar();
        grid_->LayoutChanged();
    }
}

void TDBGridGxScrollBar::ExtScrollWindowProc(TMessage& message) {
    TScrollBar* bar = extScrollBar_;
    if (!bar) return;
    if (message.Msg == CN_HSCROLL || message.Msg == CN_VSCROLL) {
        const UINT msg = bar->Kind() == sbHorizontal ? WM_HSCROLL : WM_VSCROLL;
        SendMessage(grid_->Handle(), msg, message.WParam, message.LParam);
    }
    bar->WndProc(message);
}

bool TDBGridGxScrollBar::GetScrollInfo(SCROLLINFO& info) const {
    if (extScrollBar_) return ::GetScrollInfo(extScrollBar_->Handle(), SB_CTL, &info);
    return ::GetScrollInfo(grid_->Handle(), kind_ == sbHorizontal ? SB_HORZ : SB_VERT, &info);
}

// ==== The grid's side ===================================================================================

TDBGridGxScrollBar* TCustomDBGridGx::CreateScrollBar(TScrollBarKind kind) {
    if (kind == sbVertical) return new TVertDBGridGxScrollBar(this, kind);
    return new TDBGridGxScrollBar(this, kind);
}

void TCustomDBGridGx::makeScrollBars() {
    horzScrollBar_.reset(CreateScrollBar(sbHorizontal));
    TDBGridGxScrollBar* vert = CreateScrollBar(sbVertical);
    auto* v = dynamic_cast<TVertDBGridGxScrollBar*>(vert);
    if (!v) {
        delete vert;
        v = new TVertDBGridGxScrollBar(this, sbVertical);
    }
    vertScrollBar_.reset(v);
}

void TCustomDBGridGx::ScrollBarsAndViewNotification(TComponent* component) {
    // Compared by address: a component being destroyed is no longer of its own class.
    for (TDBGridGxScrollBar* s : {horzScrollBar_.get(), static_cast<TDBGridGxScrollBar*>(vertScrollBar_.get())})
        if (s && s->ExtScrollBar() && static_cast<TComponent*>(s->ExtScrollBar()) == component) s->ExtScrollBarRemoved();
    if (memTable_ && dataLink_ && static_cast<TComponent*>(dataLink_->DataSet()) == component) memTable_ = nullptr;
    if (!(ComponentState() & csDestroying)) CheckIMemTable();
}

// An active sum list numbers the records itself (also a dataset that does not).
bool TCustomDBGridGx::SumListIsSequenced() {
    if (sumList_->Active()) return sumList_->IsSequenced();
    TDataSet* ds = dataLink_->DataSet();
    return ds && ds->Active() && ds->IsSequenced();
}

int TCustomDBGridGx::SumListRecordCount() {
    if (sumList_->Active()) return sumList_->RecordCount();
    TDataSet* ds = dataLink_->DataSet();
    return ds ? ds->RecordCount() : 0;
}

int TCustomDBGridGx::SumListRecNo() {
    if (sumList_->Active()) return sumList_->GetRecNo();
    TDataSet* ds = dataLink_->DataSet();
    return ds ? ds->RecNo() : 0;
}

namespace {

bool sameValues(const SCROLLINFO& a, const SCROLLINFO& b) {
    return a.nMin == b.nMin && a.nMax == b.nMax && a.nPage == b.nPage && a.nPos == b.nPos;
}

bool nothingToScroll(const SCROLLINFO& n) {
    return n.nMin >= n.nMax || n.nMax - n.nMin <= static_cast<int>(n.nPage);
}

}  // namespace

void TCustomDBGridGx::readVertScrollInfo(SCROLLINFO& o) const {
    const UINT mask = SIF_ALL | (vertScrollBar_->VisibleMode() == sbAlwaysShowGx ? SIF_DISABLENOSCROLL : 0);
    o.fMask = mask;
    vertScrollBar_->GetScrollInfo(o);
    o.fMask = mask;
}

void TCustomDBGridGx::applyVertScrollInfo(SCROLLINFO n, const SCROLLINFO& o) {
    TVertDBGridGxScrollBar* vb = vertScrollBar_.get();
    const TScrollBarVisibleModeGx mode = vb->VisibleMode();
    int extMax = 1;
    // Hidden or replaced by an external bar: the window's bar gets an empty range and hides.
    if (!vb->Visible() || vb->ExtScrollBar()) {
        extMax = n.nMax;
        n.nMax = n.nMin;
    }
    if (!sameValues(n, o) || mode != appliedVertMode_) {
        if (mode == sbAlwaysShowGx && !vb->ExtScrollBar()) {
            if (nothingToScroll(n)) EnableScrollBar(Handle(), SB_VERT, ESB_DISABLE_BOTH);
            ShowScrollBar(Handle(), SB_VERT, true);
        } else if (mode != appliedVertMode_) {
            appliedVertMode_ = mode;
            if (nothingToScroll(n)) {
                EnableScrollBar(Handle(), SB_VERT, ESB_ENABLE_BOTH);
                ShowScrollBar(Handle(), SB_VERT, false);
            }
        }
        SetScrollInfo(Handle(), SB_VERT, &n, true);
        appliedVertMode_ = mode;
    }
    if (TScrollBar* ext = vb->ExtScrollBar()) {
        ext->SetPageSize(0);
        ext->SetParams(n.nPos, std::min(n.nMin, extMax), extMax);
        ext->SetPageSize(static_cast<int>(n.nPage));
    }
}

void TCustomDBGridGx::UpdateScrollBar() {
    if (!dataLink_ || !vertScrollBar_ || !HandleAllocated()) return;
    if (ViewScroll()) {
        MTUpdateVertScrollBar();
        return;
    }
    SCROLLINFO o;
    readVertScrollInfo(o);
    SCROLLINFO n = o;
    n.nMin = 0;
    n.nMax = 1;
    n.nPage = 2;
    n.nPos = 0;
    if (dataLink_->Active()) {
        TDataSet* ds = dataLink_->DataSet();
        if (SumListIsSequenced()) {
            n.nMin = 1;
            n.nPage = static_cast<UINT>(std::max(0, VisibleDataRowCount()));
            n.nMax = SumListRecordCount() + static_cast<int>(n.nPage) - 1;
            const TDataSetState st = ds->State();
            // Inserting (and later states) has no record number yet: the thumb stays.
            if (st == dsInactive || st == dsBrowse || st == dsEdit) n.nPos = SumListRecNo();
            else n.nPos = o.nPos;
        } else {
            // Without record numbers: top, middle or bottom.
            n.nMin = 0;
            n.nPage = 0;
            n.nMax = 4;
            n.nPos = ds->Bof() ? 0 : ds->Eof() ? 4 : 2;
        }
    }
    applyVertScrollInfo(n, o);
}

void TCustomDBGridGx::UpdateHorzExtScrollBar() {
    if (!horzScrollBar_) return;
    TScrollBar* ext = horzScrollBar_->ExtScrollBar();
    if (!ext) return;
    SCROLLINFO o;
    o.fMask = SIF_ALL;
    horzScrollBar_->GetScrollInfo(o);
    SCROLLINFO n = o;
    n.nMin = 0;
    n.nPage = static_cast<UINT>(std::max(0, VisibleColCount()));
    n.nMax = VisibleColCount() + FixedCols() == ColCount() ? 0 : 127;
    TGridDrawInfo di;
    CalcDrawInfo(di);
    const TGridCoord m = MaxTopLeftCell(TGridCoord{ColCount() - 1, RowCount() - 1}, di);
    // Every column fitting leaves nothing to divide by: the thumb stays at the start.
    const int span = m.X - FixedCols();
    n.nPos = span > 0 ? MulDiv(LeftCol() - FixedCols(), 127, span) : 0;
    if (!sameValues(n, o)) {
        ext->SetPageSize(0);
        ext->SetParams(n.nPos, n.nMin, n.nMax);
    }
}

namespace {

int maxTopLeftOnAxis(int last, const TGridAxisDrawInfo& axis) {
    if (last < axis.FixedCellCount) return last;
    int space = axis.GridExtent + axis.EffectiveLineWidth;
    int r = last;
    for (int i = last; i >= axis.FixedCellCount; --i) {
        const int e = axis.GetExtent(i);
        if (e <= 0) continue;
        space -= e + axis.EffectiveLineWidth;
        if (space < axis.FixedBoundary) {
            // One sized cell is always reachable.
            if (r == last && axis.GetExtent(last) <= 0) r = i;
            break;
        }
        r = i;
    }
    return r;
}

}  // namespace

TGridCoord MaxTopLeftCell(TGridCoord coord, const TGridDrawInfo& drawInfo) {
    return TGridCoord{maxTopLeftOnAxis(coord.X, drawInfo.Horz), maxTopLeftOnAxis(coord.Y, drawInfo.Vert)};
}
