// Forms built from a table of their components.
//
// A screen's code finds its widgets by name, by Tag, by exact class and by their order among the
// form's components, and a label's font file is named after its parent. A table row fixes all of
// that in one place: the class, the name, the parent (by name; empty: the form), the bounds, the
// Tag and a setup step for everything else. BuildComponents creates the rows in order, each owned
// by the form, so the form's component list follows the table.
#pragma once

#include "gui/Controls.h"

#include <functional>
#include <vector>

struct TComponentRow {
    std::function<TComponent*(TComponent* owner)> Create;
    AnsiString Name;
    AnsiString Parent;  // a control created earlier in the table; empty: the form itself
    int Left = 0, Top = 0, Width = 0, Height = 0;
    long Tag = 0;
    std::function<void(TComponent*)> Setup;
};

// A row for a component of class T. The setup step runs after name, parent, bounds and tag are set.
template <class T>
TComponentRow Row(const AnsiString& name, const AnsiString& parent, int left, int top, int width, int height,
                  long tag = 0, std::function<void(T*)> setup = nullptr) {
    TComponentRow r;
    r.Create = [](TComponent* owner) -> TComponent* { return new T(owner); };
    r.Name = name;
    r.Parent = parent;
    r.Left = left;
    r.Top = top;
    r.Width = width;
    r.Height = height;
    r.Tag = tag;
    if (setup) r.Setup = [setup](TComponent* c) { setup(static_cast<T*>(c)); };
    return r;
}

// A row for a component without a place on screen (timers, dialogs).
template <class T>
TComponentRow Item(const AnsiString& name, std::function<void(T*)> setup = nullptr) {
    return Row<T>(name, "", 0, 0, 0, 0, 0, std::move(setup));
}

PLANTMON_EXCEPTION(EComponentTableError, Exception);

// Creates the rows in order, owned by form. A parent that is not (yet) a windowed control of the
// form raises EComponentTableError.
void BuildComponents(TWinControl* form, const std::vector<TComponentRow>& rows);
