#include "widgets/WidgetFrame.h"

#include "gui/StdCtrls.h"
#include "gui/ExtCtrls.h"
#include "gui/WinApi.h"

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

void RotateAboutOrigin(double& x, double& y, double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    const double nx = x * c - y * s;
    y = x * s + y * c;
    x = nx;
}
