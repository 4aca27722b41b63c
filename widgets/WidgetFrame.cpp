#include "widgets/WidgetFrame.h"

#include "gui/StdCtrls.h"
#include "gui/ExtCtrls.h"
#include "gui/WinApi.h"
#include "rtl/MathUtils.h"

#include <limits>

#include <cmath>
#include <map>
#include <string>

namespace {

void PanelGroupColor(TComponent* c, TColor colour) { static_cast<TControl*>(c)->SetColor(colour); }
void LabelGroupColor(TComponent* c, TColor colour) { static_cast<TControl*>(c)->Font()->SetColor(colour); }

std::map<std::string, TColorGroupRoutine>& Registry() {
    // Built on first use, so widget units may register from their static initialisers in any order.
    static std::map<std::string, TColorGroupRoutine> registry{
        {"TPanel", &PanelGroupColor},
        {"TLabel", &LabelGroupColor},
    };
    return registry;
}

}  // namespace

bool RegisterColorGroupRoutine(const AnsiString& className, TColorGroupRoutine routine) {
    Registry()[std::string(className)] = routine;
    return true;
}

TColorGroupRoutine FindColorGroupRoutine(const AnsiString& className) {
    auto& r = Registry();
    auto it = r.find(std::string(className));
    return it == r.end() ? nullptr : it->second;
}

void WidgetPaintGuard(const std::function<void()>& draw) {
    try {
        draw();
    } catch (...) {
        MessageBeep(static_cast<UINT>(-1));
    }
}

void TWidgetPicture::FitTo(const TControl* control) {
    if (bitmap_->Height() != control->Height() || bitmap_->Width() != control->Width()) {
        bitmap_->SetHeight(control->Height());
        bitmap_->SetWidth(control->Width());
        redraw_ = true;
    }
}

void TWidgetPicture::CopyTo(TCanvas* target, const TControl* control) const {
    TRect r(0, 0, control->Width(), control->Height());
    target->CopyRect(r, bitmap_->Canvas(), r);
}

void TWidgetPicture::Show(const TControl* control, TCanvas* target, const std::function<void(TCanvas*)>& draw) {
    FitTo(control);
    if (!control->Visible()) return;
    if (redraw_) {
        draw(bitmap_->Canvas());
        redraw_ = false;
    }
    CopyTo(target, control);
}

int TruncPixel(double v) {
    const long long t = Trunc(v);
    if (t < std::numeric_limits<int>::min() || t > std::numeric_limits<int>::max())
        throw EInvalidOp("Недопустимая операция с плавающей точкой");
    return static_cast<int>(t);
}

namespace {
void ReportBadOutline(const AnsiString& text) { MessageBox(nullptr, text, "Ошибка", MB_ICONERROR); }
}  // namespace

void ReadOutlinePoints(const TStringList* lines, bool xFlip, double* xs, double* ys, int& count) {
    const int c = lines->Count();
    if (c <= 2) {
        count = 0;
        return;
    }
    if (c > MaxOutlinePoints) {
        ReportBadOutline("Слишком большое количество точек!");
        return;
    }
    for (int i = 0; i < c; ++i) {
        const AnsiString line = lines->Strings(i);
        const int p = line.Pos(";");
        double x = 0, y = 0;
        if (p <= 1 || !TryStrToFloat(Trim(line.SubString(1, p - 1)), x) ||
            !TryStrToFloat(Trim(line.SubString(p + 1, line.Length() - p)), y)) {
            ReportBadOutline(AnsiString("Правильно указываете координаты точек.") + "\n\r");
            return;
        }
        xs[i] = xFlip ? 100 - x : x;
        ys[i] = y;
    }
    count = c;
}

void RotateAboutOrigin(double& x, double& y, double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    const double nx = x * c - y * s;
    y = x * s + y * c;
    x = nx;
}
