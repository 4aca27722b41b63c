#include "widgets/EBM.h"

#include "rtl/MathUtils.h"

#include <cmath>

namespace {
// A machine of a colour group shows the group's colour in its stator.
void EBMGroupColor(TComponent* c, TColor colour) { static_cast<TEBM*>(c)->StatorBrush()->SetColor(colour); }
const bool registered = RegisterColorGroupRoutine("TEBM", &EBMGroupColor);

const char* const DefaultOutline[] = {"10; 25", "10; 80", "20; 80", "20; 60", "40; 99", "70; 99", "90; 60",
                                      "99; 60", "99; 20", "90; 20", "90; 40", "20; 40", "20; 25"};
}  // namespace

TEBM::TEBM(TComponent* owner)
    : TPanel(owner),
      rotorPen_(std::make_unique<TPen>()),
      rotorBrush_(std::make_unique<TBrush>()),
      statorPen_(std::make_unique<TPen>()),
      statorBrush_(std::make_unique<TBrush>()),
      statorPoints_(std::make_unique<TStringList>()) {
    (void)registered;
    for (const char* line : DefaultOutline) statorPoints_->Add(line);
    rotorPen_->SetColor(clMaroon);
    statorPen_->SetColor(clRed);
    rotorBrush_->SetColor(clYellow);
    const TNotifyEvent changed(this, &TEBM::StyleChanged);
    statorPoints_->OnChange = changed;
    rotorPen_->OnChange = changed;
    statorPen_->OnChange = changed;
    rotorBrush_->OnChange = changed;
    statorBrush_->OnChange = changed;
    // Its change reads the default outline.
    statorBrush_->SetColor(clBlue);
}

TEBM::~TEBM() = default;

void TEBM::UpdateChanges() {
    picture_.SetRedraw(true);
    Invalidate();
}

void TEBM::StyleChanged(TObject*) {
    RefrshPointList();
    UpdateChanges();
}

void TEBM::RefrshPointList() { ReadOutlinePoints(statorPoints_.get(), xFlip_, xs_.data(), ys_.data(), count_); }

double TEBM::CalcVal(double percent) const { return percent * Min(Width(), Height()) * 0.01; }

#define EBM_SETTER(Name, Type, field) \
    void TEBM::Set##Name(Type v) {    \
        if (v == field) return;       \
        field = v;                    \
        UpdateChanges();              \
    }
EBM_SETTER(RotorR, int, rotorR_)
EBM_SETTER(RotorYC, int, rotorYC_)
EBM_SETTER(RotorXC, int, rotorXC_)
EBM_SETTER(BackColor, TColor, backColor_)
EBM_SETTER(BladeCount, int, bladeCount_)
EBM_SETTER(IntR, double, intR_)
EBM_SETTER(BladeAngle, int, bladeAngle_)
#undef EBM_SETTER

void TEBM::SetXFlip(bool b) {
    if (b == xFlip_) return;
    xFlip_ = b;
    StyleChanged(this);
}

void TEBM::SetStatorPoints(TStringList* list) {
    if (list && list != statorPoints_.get()) statorPoints_->Assign(list);
    StyleChanged(this);
}

void TEBM::SetRotorPen(TPen* p) {
    if (p && p != rotorPen_.get()) rotorPen_->Assign(p);
}

void TEBM::SetRotorBrush(TBrush* b) {
    if (b && b != rotorBrush_.get()) rotorBrush_->Assign(b);
}

void TEBM::SetStatorPen(TPen* p) {
    if (p && p != statorPen_.get()) statorPen_->Assign(p);
}

void TEBM::SetStatorBrush(TBrush* b) {
    if (b && b != statorBrush_.get()) statorBrush_->Assign(b);
}

void TEBM::Paint() {
    WidgetPaintGuard([this] { picture_.Show(this, Canvas(), [this](TCanvas* c) { draw(c); }); });
}

void TEBM::draw(TCanvas* c) {
    const int W = Width(), H = Height();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(backColor_);
    c->FillRect(TRect(0, 0, W, H));

    if (count_ > 2) {
        c->SetPen(statorPen_.get());
        c->SetBrush(statorBrush_.get());
        for (int i = 0; i < count_; ++i)
            points_[i] = TPoint(TruncPixel(W * xs_[i] * 0.01), TruncPixel(H * ys_[i] * 0.01));
        c->Polygon(points_.data(), count_);
    }

    const double rr = CalcVal(rotorR_);
    const double yc = rotorYC_ * H * 0.01;
    double xc = rotorXC_ * W * 0.01;
    if (xFlip_) xc = W - xc;
    // The inner circle and the blades are the rotor's too, with or without its outer circle.
    c->SetPen(rotorPen_.get());
    c->SetBrush(rotorBrush_.get());
    if (rr > 0) c->Ellipse(TruncPixel(xc - rr), TruncPixel(yc - rr), TruncPixel(xc + rr), TruncPixel(yc + rr));
    const double ri = CalcVal(intR_);
    if (intR_ > 0) c->Ellipse(TruncPixel(xc - ri), TruncPixel(yc - ri), TruncPixel(xc + ri), TruncPixel(yc + ri));
    if (bladeCount_ > 0) {
        const double step = 2 * M_PI / bladeCount_;
        double a = bladeAngle_ * 0.017453292519943295;
        for (int i = 0; i < bladeCount_; ++i) {
            c->MoveTo(TruncPixel(xc + std::cos(a) * ri), TruncPixel(yc + std::sin(a) * ri));
            c->LineTo(TruncPixel(xc + std::cos(a) * rr), TruncPixel(yc + std::sin(a) * rr));
            a += step;
        }
    }
}
