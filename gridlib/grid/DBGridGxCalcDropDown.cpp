// The cell editor's calculator: the drop-down of number cells edited in the drop-down style. It
// opens on the cell's number, takes the typed keys while it is open, and gives back only a number.
#include "gridlib/grid/DBGridGx.h"

#include "gridlib/editors/CalculatorGx.h"

#include "gui/WinApi.h"

TWinControl* TDBGridInplaceEdit::GetDropDownCalculator() {
    if (!ownCalculator_) {
        // Owned by the editor: the calculator closes through the owner's IComboEditGx.
        ownCalculator_ = new TPopupCalculatorGx(this);
        ownCalculator_->SetVisible(false);
        calculatorSize_ = TPoint(ownCalculator_->Width(), ownCalculator_->Height());
        ownCalculator_->SetParent(this);
        if (HandleAllocated()) ShowWindow(ownCalculator_->Handle(), SW_HIDE);
    }
    return ownCalculator_;
}

void TDBGridInplaceEdit::CalculatorDropDown(TWinControl* calculator) {
    auto* calc = dynamic_cast<IPopupCalculatorGx*>(calculator);
    if (!calc) return;
    // Lists open as wide as the editor; the calculator keeps the size of its layout.
    if (calculator == ownCalculator_)
        calculator->SetBounds(calculator->Left(), calculator->Top(), calculatorSize_.x, calculatorSize_.y);
    calc->SetValue(CalculatorStartValue(Text()));
    TCustomDBGridGx* g = DBGrid();
    calc->SetFlat(g && g->Flat());
}

bool TDBGridInplaceEdit::CalculatorValue(TWinControl* calculator, Variant& value) {
    auto* calc = dynamic_cast<IPopupCalculatorGx*>(calculator);
    if (!calc) return false;
    value = calc->GetValue();
    return true;
}
