#include "screens/diagrams/EditMode.h"

#include "core/Global.h"
#include "screens/diagrams/ColorGroups.h"
#include "widgets/Arrow.h"
#include "widgets/Barrel.h"
#include "widgets/OutField.h"
#include "widgets/Poligon.h"
#include "widgets/Pump.h"

#include <algorithm>

std::vector<TEditRouterRec> EditRouterTable() {
    return {
        TEditRouterRec("TArrow", [](TControl* w, TForm* f) { return EditArrowWidget(static_cast<TArrow*>(w), f); }),
        TEditRouterRec("TBarrel", [](TControl* w, TForm* f) { return EditBarrelWidget(static_cast<TBarrel*>(w), f); }),
        TEditRouterRec("TLabel", [](TControl* w, TForm* f) { return EditLabelFont(w, f); }),
        TEditRouterRec("TOutField",
                       [](TControl* w, TForm* f) { return EditOutFieldWidget(static_cast<TOutField*>(w), f); }),
        TEditRouterRec("TPump", [](TControl* w, TForm* f) { return EditPumpWidget(static_cast<TPump*>(w), f); }),
        TEditRouterRec("TPoligon",
                       [](TControl* w, TForm* f) { return EditPoligonWidget(static_cast<TPoligon*>(w), f); }),
        TEditRouterRec("", nullptr),
    };
}

bool RouteWidgetEdit(TObject* sender, TForm* form) {
    auto* widget = dynamic_cast<TControl*>(sender);
    if (!widget) return false;
    const std::vector<TEditRouterRec> table = EditRouterTable();
    for (const TEditRouterRec& row : table) {
        if (!row.Editor) break;
        if (row.WidgetClass == widget->ClassName()) {
            row.Editor(widget, form);
            return true;
        }
    }
    return false;
}

TWidgetEditRouter::TWidgetEditRouter(TForm* form, const AnsiString& iniFile, std::vector<AnsiString> classes,
                                     TNotifyEvent hook)
    : form_(form), iniFile_(iniFile), classes_(std::move(classes)), hook_(std::move(hook)) {}

bool TWidgetEditRouter::handles(const AnsiString& cls) const {
    return std::find(classes_.begin(), classes_.end(), cls) != classes_.end();
}

void TWidgetEditRouter::ColorConfigClick(TObject* sender) { RouteWidgetEdit(sender, form_); }

void TWidgetEditRouter::SetEditMode() {
    for (int i = 0; i < form_->ComponentCount(); ++i) {
        auto* widget = dynamic_cast<TControl*>(form_->Components(i));
        if (!widget) continue;
        const AnsiString cls = widget->ClassName();
        if (!handles(cls)) continue;

        // Arrows and output fields keep their looks in the screen's own file; polygons keep theirs.
        if (cls == "TArrow") static_cast<TArrow*>(widget)->SetConfigName(iniFile_);
        else if (cls == "TOutField") static_cast<TOutField*>(widget)->SetConfigName(iniFile_);

        if (WidgetEditMode) {
            if (!(widget->OnClick == hook_)) {
                saved_[widget] = Saved{widget->OnClick, widget->Cursor()};
                widget->OnClick = hook_;
                widget->SetCursor(crCross);
            }
        } else if (widget->OnClick == hook_) {
            // The widget's own click comes back (a set-point field keeps working after the mode).
            auto it = saved_.find(widget);
            if (it != saved_.end()) {
                widget->OnClick = it->second.OnClick;
                widget->SetCursor(it->second.Cursor);
                saved_.erase(it);
            } else {
                widget->OnClick = nullptr;
                widget->SetCursor(crDefault);
            }
        } else {
            // Someone else set the click since the walk: theirs stays, and what was saved is stale.
            saved_.erase(widget);
        }

        if (cls == "TArrow") static_cast<TArrow*>(widget)->LoadConfig("");
        else if (cls == "TOutField") static_cast<TOutField*>(widget)->LoadConfig("");
        else if (cls == "TPoligon") static_cast<TPoligon*>(widget)->LoadConfig("");
        else if (cls == "TLabel") LoadControlFont(widget);
    }
    if (AfterWalk) AfterWalk();
}
