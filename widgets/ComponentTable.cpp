#include "widgets/ComponentTable.h"

void BuildComponents(TWinControl* form, const std::vector<TComponentRow>& rows) {
    for (const TComponentRow& row : rows) {
        TComponent* c = row.Create(form);
        c->SetName(row.Name);
        c->SetTag(row.Tag);
        if (auto* control = dynamic_cast<TControl*>(c)) {
            TWinControl* parent = form;
            if (!row.Parent.IsEmpty()) {
                parent = dynamic_cast<TWinControl*>(form->FindComponent(row.Parent));
                if (!parent) throw EComponentTableError("Нет родителя " + row.Parent + " для " + row.Name);
            }
            control->SetBounds(row.Left, row.Top, row.Width, row.Height);
            control->SetParent(parent);
        }
        if (row.Setup) row.Setup(c);
    }
}
