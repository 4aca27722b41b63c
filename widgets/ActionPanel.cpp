#include "widgets/ActionPanel.h"

#include "widgets/WidgetFrame.h"

namespace {
// A plain coloured panel of the diagrams: the group colour is its Color, as for a TPanel.
void ActionPanelGroupColor(TComponent* c, TColor colour) { static_cast<TActionPanel*>(c)->SetColor(colour); }
const bool registered = RegisterColorGroupRoutine("TActionPanel", &ActionPanelGroupColor);
}  // namespace

TActionPanel::TActionPanel(TComponent* owner) : TPanel(owner) { (void)registered; }

TActionPanel::~TActionPanel() = default;
