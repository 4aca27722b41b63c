#include "widgets/Poligon.h"

#include "gui/WinApi.h"
#include "rtl/MathUtils.h"
#include "widgets/Tolmerautil.h"

namespace {
void PoligonGroupColor(TComponent* c, TColor colour) {
    auto* p = static_cast<TPoligon*>(c);
    p->Pen()->SetColor(colour);
    p->Brush()->SetColor(colour);
}
const bool registered = RegisterColorGroupRoutine("TPoligon", &PoligonGroupColor);

void ReportBadList(const AnsiString& text) { MessageBox(nullptr, text, "Ошибка", MB_ICONERROR); }
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
    const int c = pointList_->Count();
    if (c <= 2) {
        count_ = 0;
        return;
    }
    if (c > MaxPoints) {
        ReportBadList("Слишком большое количество точек!");
        return;
    }
    for (int i = 0; i < c; ++i) {
        const AnsiString line = pointList_->Strings(i);
        const int p = line.Pos(";");
        double x = 0, y = 0;
        if (p <= 1 || !TryStrToFloat(Trim(line.SubString(1, p - 1)), x) ||
            !TryStrToFloat(Trim(line.SubString(p + 1, line.Length() - p)), y)) {
            // The corners before the bad line are already taken; the count stays as it was.
            ReportBadList(AnsiString("Правильно указываете координаты точек.") + "\n\r");
            return;
        }
        xs_[i] = xFlip_ ? 100 - x : x;
        ys_[i] = y;
    }
    count_ = c;
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
