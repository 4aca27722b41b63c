#include "widgets/PullOut.h"

TPullOut::TPullOut(TComponent* owner)
    : TPanel(owner),
      pen_(std::make_unique<TPen>()),
      brush_(std::make_unique<TBrush>()),
      backGroundBrush_(std::make_unique<TBrush>()) {
    pen_->OnChange = TNotifyEvent(this, &TPullOut::StyleChanged);
    brush_->OnChange = TNotifyEvent(this, &TPullOut::StyleChanged);
    backGroundBrush_->OnChange = TNotifyEvent(this, &TPullOut::StyleChanged);
    // The first paint draws because the new picture has no size yet.
    picture_.SetRedraw(false);
}

TPullOut::~TPullOut() = default;

void TPullOut::UpdateChanges() {
    picture_.SetRedraw(true);
    Invalidate();
}

void TPullOut::StyleChanged(TObject*) { UpdateChanges(); }

void TPullOut::SetPen(TPen* p) {
    if (p && p != pen_.get()) pen_->Assign(p);
}

void TPullOut::SetBrush(TBrush* b) {
    if (b && b != brush_.get()) brush_->Assign(b);
}

void TPullOut::SetBackGroundBrush(TBrush* b) {
    if (b && b != backGroundBrush_.get()) backGroundBrush_->Assign(b);
    UpdateChanges();
}

void TPullOut::Paint() {
    WidgetPaintGuard([this] {
        picture_.Show(this, Canvas(), [this](TCanvas* c) {
            const int W = Width(), H = Height();
            c->SetBrush(backGroundBrush_.get());
            c->FillRect(TRect(0, 0, W, H));
            c->SetPen(pen_.get());
            c->SetBrush(brush_.get());
            c->Polygon({TPoint(0, W / 2), TPoint(W, W / 2), TPoint(W / 2, H)});
            c->Ellipse(0, 0, W, W);
        });
    });
}
