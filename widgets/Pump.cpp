#include "widgets/Pump.h"

#include "rtl/MathUtils.h"
#include "widgets/Tolmerautil.h"

namespace {
void PumpGroupColor(TComponent* c, TColor colour) { static_cast<TPump*>(c)->Brush()->SetColor(colour); }
const bool registered = RegisterColorGroupRoutine("TPump", &PumpGroupColor);

int Tx(double v) { return static_cast<int>(Trunc(v)); }
}  // namespace

TPump::TPump(TComponent* owner)
    : TGraphicControl(owner), brush_(std::make_unique<TBrush>()), pen_(std::make_unique<TPen>()) {
    (void)registered;
    SetBounds(Left(), Top(), 50, 50);
    brush_->SetColor(clYellow);
    pen_->SetColor(clRed);
    brush_->OnChange = TNotifyEvent(this, &TPump::StyleChanged);
    pen_->OnChange = TNotifyEvent(this, &TPump::StyleChanged);
}

TPump::~TPump() = default;

void TPump::SetBrush(TBrush* b) {
    if (b && b != brush_.get()) brush_->Assign(b);
}

void TPump::SetPen(TPen* p) {
    if (p && p != pen_.get()) pen_->Assign(p);
}

void TPump::SetVertFlip(bool b) {
    if (b == vertFlip_) return;
    vertFlip_ = b;
    Refresh();
}

void TPump::StyleChanged(TObject*) { Refresh(); }

void TPump::Paint() {
    WidgetPaintGuard([this] {
        TCanvas* c = Canvas();
        c->SetPen(pen_.get());
        c->SetBrush(brush_.get());
        const int W = Width(), H = Height();
        const double w = W / 3.0, h = H / 3.0, a = h / 2, b = w / 2;
        if (!vertFlip_) {
            c->Rectangle(Tx(W - w), 0, W, Tx(H - h));
            c->Ellipse(Tx(w), Tx(h), W, H);
            c->Arc(Tx(w), Tx(h + a), Tx(2 * w), Tx(2 * h + a), Tx(w + b), Tx(2 * h + a), Tx(w + b), Tx(h + a));
            c->FillRect(TRect(0, Tx(h + a), Tx(w + b), Tx(2 * h + a)));
            c->MoveTo(Tx(w + b), Tx(2 * h + a));
            c->LineTo(0, Tx(2 * h + a));
            c->LineTo(0, Tx(h + a));
            c->LineTo(Tx(w + b), Tx(h + a));
        } else {
            c->Rectangle(Tx(w), 0, 0, Tx(H - h));
            c->Ellipse(Tx(W - w), Tx(h), 0, H);
            c->Arc(Tx(W - w), Tx(h + a), Tx(w), Tx(2 * h + a), Tx(W - w - b), Tx(h + a), Tx(W - w - b),
                   Tx(2 * h + a));
            c->FillRect(TRect(Tx(W - w - b), Tx(h + a), W, Tx(2 * h + a)));
            c->MoveTo(Tx(W - w - b), Tx(2 * h + a));
            c->LineTo(W - 1, Tx(2 * h + a));
            c->LineTo(W - 1, Tx(h + a));
            c->LineTo(Tx(W - w - b), Tx(h + a));
        }
    });
}

bool TPump::SaveConfig() { return SaveOutlineToIni(configName_, Name(), pen_.get(), brush_.get()); }

bool TPump::LoadConfig(const AnsiString& section) {
    return LoadOutlineFromIni(configName_, section.IsEmpty() ? Name() : section, pen_.get(), brush_.get());
}
