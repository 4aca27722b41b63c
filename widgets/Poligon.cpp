#include "widgets/Poligon.h"

#include "rtl/MathUtils.h"
#include "widgets/Tolmerautil.h"

namespace {
void PoligonGroupColor(TComponent* c, TColor colour) {
    auto* p = static_cast<TPoligon*>(c);
    p->Pen()->SetColor(colour);
    p->Brush()->SetColor(colour);
}
const bool registered = RegisterColorGroupRoutine("TPoligon", &PoligonGroupColor);
}  // namespace

TPoligon::TPoligon(TComponent* owner)
    : TGraphicControl(owner),
      brush_(std::make_unique<TBrush>()),
      pen_(std::make_unique<TPen>()),
      pointList_(std::make_unique<TStringList>()) {
    (void)registered;
    SetBounds(Left(), Top(), 100, 100);
    brush_->SetColor(clYellow);
    pen_->SetColor(clRed);
    pointList_->Add("50; 0");
    pointList_->Add("0; 100");
    pointList_->Add("100; 100");
    brush_->OnChange = TNotifyEvent(this, &TPoligon::StyleChanged);
    pen_->OnChange = TNotifyEvent(this, &TPoligon::StyleChanged);
    pointList_->OnChange = TNotifyEvent(this, &TPoligon::StyleChanged);
    RefrshPointList();
}

TPoligon::~TPoligon() = default;

void TPoligon::SetBrush(TBrush* b) {
    if (b && b != brush_.get()) brush_->Assign(b);
}

void TPoligon::SetPen(TPen* p) {
    if (p && p != pen_.get()) pen_->Assign(p);
}

void TPoligon::SetPointList(TStringList* list) {
    if (list && list != pointList_.get()) pointList_->Assign(list);
}

void TPoligon::SetXFlip(bool b) {
    if (b == xFlip_) return;
    xFlip_ = b;
    StyleChanged(this);
}

void TPoligon::StyleChanged(TObject*) {
    RefrshPointList();
    Refresh();
}

void TPoligon::RefrshPointList() {
    ReadOutlinePoints(pointList_.get(), xFlip_, xs_.data(), ys_.data(), count_);
}

void TPoligon::Paint() {
    WidgetPaintGuard([this] {
        if (count_ < 3) return;
        TCanvas* c = Canvas();
        c->SetPen(pen_.get());
        c->SetBrush(brush_.get());
        for (int i = 0; i < count_; ++i)
            points_[i] = TPoint(static_cast<int>(Trunc(Width() * xs_[i] / 100)),
                                static_cast<int>(Trunc(Height() * ys_[i] / 100)));
        c->Polygon(points_.data(), count_);
    });
}

bool TPoligon::SaveConfig() { return SaveOutlineToIni(configName_, Name(), pen_.get(), brush_.get()); }

bool TPoligon::LoadConfig(const AnsiString& section) {
    return LoadOutlineFromIni(configName_, section.IsEmpty() ? Name() : section, pen_.get(), brush_.get());
}
