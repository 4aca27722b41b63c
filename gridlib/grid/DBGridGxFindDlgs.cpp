// The find dialog and the hook through which the grid opens it.
#include "gridlib/grid/DBGridGxFindDlgs.h"

#include "gui/Dialogs.h"
#include "gui/WinApi.h"
#include "rtl/MathUtils.h"

// Constant-initialised: any reference to the hook links this unit with the hook already set.
TExecuteDBGridGxFindDialogProc ExecuteDBGridGxFindDialogProc = &ExecuteDBGridGxFindDialog;

TDBGridGxFindDlg* DBGridGxFindDlg = nullptr;

void ExecuteDBGridGxFindDialog(TCustomDBGridGx* grid, const AnsiString& text, const AnsiString& fieldName,
                               const TColumnFieldsArrGx& columnFields, bool modal) {
    if (!DBGridGxFindDlg) DBGridGxFindDlg = new TDBGridGxFindDlg(Application);
    DBGridGxFindDlg->Execute(grid, text, fieldName, columnFields, modal);
}

namespace {

// The form's coordinates are given at 120 pixels per inch.
int scaled(int v) { return MulDiv(v, Screen ? Screen->PixelsPerInch() : 96, 120); }

template <class T>
T* place(TDBGridGxFindDlg* form, const char* name, int left, int top, int width, int height) {
    auto* c = new T(form);
    c->SetName(name);
    c->SetParent(form);
    c->SetBounds(scaled(left), scaled(top), scaled(width), scaled(height));
    return c;
}

void fillFixedList(TDBComboBoxGx* box, std::initializer_list<const char*> texts) {
    for (const char* t : texts) {
        box->Items()->Add(t);
        box->KeyItems()->Add(t);
    }
}

}  // namespace

TDBGridGxFindDlg::TDBGridGxFindDlg(TComponent* owner) : TForm(owner) {
    SetName("DBGridGxFindDlg");
    SetCaption("Поиск");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetKeyPreview(true);
    OnKeyDown = TKeyEvent(this, &TDBGridGxFindDlg::FormKeyDown);
    Font()->SetName("MS Sans Serif");
    Font()->SetHeight(scaled(-13));
    SetColor(clBtnFace);
    SetClientSize(scaled(622), scaled(153));

    Label1 = place<TLabel>(this, "Label1", 12, 15, 61, 16);
    Label1->SetCaption("&Образец:");
    Label2 = place<TLabel>(this, "Label2", 12, 43, 55, 16);
    Label2->SetCaption("&Поиск в:");
    cbMatchType = place<TLabel>(this, "cbMatchType", 12, 71, 86, 16);
    cbMatchType->SetCaption("&Совпадение:");
    Label3 = place<TLabel>(this, "Label3", 12, 101, 72, 16);
    Label3->SetCaption("Прос&мотр:");

    cbText = place<TDBComboBoxGx>(this, "cbText", 108, 11, 389, 24);
    cbText->DropDownBox()->SetRows(17);
    cbText->DropDownBox()->SetSizable(true);
    cbText->OnChange = TNotifyEvent(this, &TDBGridGxFindDlg::cbTextChange);
    cbFindIn = place<TDBComboBoxGx>(this, "cbFindIn", 108, 39, 237, 24);
    cbFindIn->DropDownBox()->SetRows(17);
    cbFindIn->DropDownBox()->SetSizable(true);
    cbFindIn->OnChange = TNotifyEvent(this, &TDBGridGxFindDlg::cbFindInChange);
    cbMatchinType = place<TDBComboBoxGx>(this, "cbMatchinType", 108, 68, 178, 24);
    fillFixedList(cbMatchinType, {"С любой части поля", "Поля целиком", "С начала поля"});
    cbMatchinType->SetItemIndex(0);
    cbFindDirection = place<TDBComboBoxGx>(this, "cbFindDirection", 108, 97, 178, 24);
    fillFixedList(cbFindDirection, {"Вверх", "Вниз", "Все"});
    cbFindDirection->SetItemIndex(2);
    cbFindDirection->OnChange = TNotifyEvent(this, &TDBGridGxFindDlg::cbTextChange);
    cbCharCase = place<TDBCheckBoxGx>(this, "cbCharCase", 108, 129, 178, 17);
    cbCharCase->SetCaption("С учетом ре&гистра");
    cbCharCase->SetChecked(false);
    cbUseFormat = place<TDBCheckBoxGx>(this, "cbUseFormat", 320, 129, 177, 17);
    cbUseFormat->SetCaption("С у&четом формата");
    cbUseFormat->SetChecked(true);
    bFind = place<TButton>(this, "bFind", 508, 11, 101, 28);
    bFind->SetCaption("На&йти далее");
    bFind->OnClick = TNotifyEvent(this, &TDBGridGxFindDlg::bFindClick);
    bCancel = place<TButton>(this, "bCancel", 508, 46, 101, 27);
    bCancel->SetCaption("Закрыть");
    bCancel->SetCancel(true);
    bCancel->SetModalResult(mrCancel);
    bCancel->OnClick = TNotifyEvent(this, &TDBGridGxFindDlg::bCancelClick);

    int order = 0;
    for (TWinControl* c : std::initializer_list<TWinControl*>{cbText, cbFindIn, cbMatchinType, cbFindDirection,
                                                              cbCharCase, cbUseFormat, bFind, bCancel})
        c->SetTabOrder(order++);
}

TDBGridGxFindDlg::~TDBGridGxFindDlg() {
    setGrid(nullptr);
    if (DBGridGxFindDlg == this) DBGridGxFindDlg = nullptr;
}

// The dialog keeps no grid that is gone: a grid freed since the opening leaves it without one.
void TDBGridGxFindDlg::setGrid(TCustomDBGridGx* grid) {
    if (grid == grid_) return;
    if (grid_) grid_->RemoveFreeNotification(this);
    grid_ = grid;
    if (grid_) grid_->FreeNotification(this);
}

void TDBGridGxFindDlg::Notification(TComponent* component, TOperation operation) {
    TForm::Notification(component, operation);
    if (operation != opRemove || !grid_ || component != static_cast<TComponent*>(grid_)) return;
    grid_ = nullptr;
    // Its columns went with it.
    columnFields_.clear();
    if (cbFindIn) {
        const TNotifyEvent saved = cbFindIn->OnChange;
        cbFindIn->OnChange = TNotifyEvent();
        for (int i = 0; i < cbFindIn->Items()->Count(); ++i) cbFindIn->Items()->PutObject(i, nullptr);
        cbFindIn->OnChange = saved;
    }
    if (searchColumns_) searchColumns_->Clear();
}

void TDBGridGxFindDlg::Execute(TCustomDBGridGx* grid, const AnsiString& text, const AnsiString&,
                               const TColumnFieldsArrGx& columnFields, bool modal) {
    currentPos_ = -1;
    cbText->SetText(text);
    columnFields_ = columnFields;
    setGrid(grid);
    FillColumnsList();
    int index = -1;
    if (grid_) {
        const int selected = grid_->SelectedIndex();
        if (selected >= 0 && selected < grid_->Columns()->Count())
            index = cbFindIn->Items()->IndexOf(grid_->Columns()->Items(selected)->Title()->Caption());
    }
    cbFindIn->SetItemIndex(index);
    newSearch_ = true;
    Close();
    SetActiveControl(cbText);
    FillFindColumnsList();
    if (modal) {
        SetFormStyle(fsNormal);
        ShowModal();
    } else {
        SetFormStyle(fsStayOnTop);
        Show();
        SetFocus();
    }
}

void TDBGridGxFindDlg::FillColumnsList() {
    cbFindIn->OnChange = TNotifyEvent();
    try {
        cbFindIn->Items()->Clear();
        if (!columnFields_.empty()) {
            for (const TColumnFieldItemGx& item : columnFields_) cbFindIn->Items()->AddObject(item.Caption, item.Column);
        } else if (grid_) {
            TColumnsGxList* visible = grid_->VisibleColumns();
            for (int i = 0; i < visible->Count(); ++i) {
                TColumnGx* c = visible->GetColumn(i);
                cbFindIn->Items()->AddObject(c->Title()->Caption(), c);
            }
        }
        cbFindIn->Items()->Add("<All>");
        cbFindIn->KeyItems()->Clear();
        for (int i = 0; i < cbFindIn->Items()->Count(); ++i) cbFindIn->KeyItems()->Add(cbFindIn->Items()->Strings(i));
    } catch (...) {
        cbFindIn->OnChange = TNotifyEvent(this, &TDBGridGxFindDlg::cbFindInChange);
        throw;
    }
    cbFindIn->OnChange = TNotifyEvent(this, &TDBGridGxFindDlg::cbFindInChange);
}

void TDBGridGxFindDlg::FillFindColumnsList() {
    if (!searchColumns_) searchColumns_ = std::make_unique<TColumnsGxList>();
    searchColumns_->Clear();
    TStrings* items = cbFindIn->Items();
    const int last = items->Count() - 1;
    if (cbFindIn->ItemIndex() < 0) {
        // Chosen here, not by the user: the choice itself must not fill the list a second time.
        const TNotifyEvent saved = cbFindIn->OnChange;
        cbFindIn->OnChange = TNotifyEvent();
        cbFindIn->SetItemIndex(last);
        cbFindIn->OnChange = saved;
    }
    if (cbFindIn->ItemIndex() == last) {
        for (int i = 0; i < last; ++i)
            if (auto* c = static_cast<TColumnGx*>(items->Objects(i))) searchColumns_->Add(c);
    } else if (auto* c = static_cast<TColumnGx*>(items->Objects(cbFindIn->ItemIndex()))) {
        searchColumns_->Add(c);
    }
    cbTextChange(this);
}

void TDBGridGxFindDlg::cbTextChange(TObject*) {
    newSearch_ = true;
    const int last = searchColumns_ ? searchColumns_->Count() - 1 : 0;
    currentPos_ = cbFindDirection->ItemIndex() != 0 ? 0 : last;
}

void TDBGridGxFindDlg::cbFindInChange(TObject*) { FillFindColumnsList(); }

void TDBGridGxFindDlg::bCancelClick(TObject*) { Close(); }

AnsiString TDBGridGxFindDlg::ColText(TColumnGx* column) {
    if (cbUseFormat->Checked()) return column->DisplayText();
    TField* f = column->Field();
    return f ? f->AsString() : AnsiString();
}

bool TDBGridGxFindDlg::matches(const AnsiString& cellText, const AnsiString& patternText) const {
    AnsiString cell = cellText, pattern = patternText;
    if (!cbCharCase->Checked()) {
        cell = AnsiUpperCase(cell);
        pattern = AnsiUpperCase(pattern);
    }
    switch (cbMatchinType->ItemIndex()) {
    case 1: return cell.str() == pattern.str();
    case 2: return cell.str().compare(0, pattern.str().size(), pattern.str()) == 0;
    default: return !pattern.IsEmpty() && !cell.IsEmpty() && AnsiPos(pattern, cell) > 0;
    }
}

// One cell on: the search columns of a record in order (backwards in reverse), then the next (or
// prior) record. No wrapping at either end of the dataset.
void TDBGridGxFindDlg::advance(bool forward, TDataSet* ds) {
    const int last = searchColumns_->Count() - 1;
    if (forward) {
        if (currentPos_ >= last) {
            ds->Next();
            currentPos_ = 0;
        } else {
            ++currentPos_;
        }
    } else if (currentPos_ <= 0) {
        ds->Prior();
        currentPos_ = last;
    } else {
        --currentPos_;
    }
}

void TDBGridGxFindDlg::bFindClick(TObject*) {
    const bool reversed = GetKeyState(VK_CONTROL) < 0;
    const AnsiString pattern = cbText->Text();
    if (cbText->Items()->IndexOf(pattern) < 0) cbText->Items()->Add(pattern);
    bool found = false;
    TDataSet* ds = grid_ && grid_->DataSource() ? grid_->DataSource()->DataSet() : nullptr;
    if (ds && ds->Active() && searchColumns_ && searchColumns_->Count() > 0) {
        ds->DisableControls();
        try {
            grid_->SaveBookmark();
            const int direction = cbFindDirection->ItemIndex();
            const bool forward = (direction != 0) != reversed;
            const int last = searchColumns_->Count() - 1;
            if (currentPos_ < 0 || currentPos_ > last) currentPos_ = forward ? 0 : last;
            if (direction == 2 && newSearch_) ds->First();
            if (!newSearch_) advance(forward, ds);
            while (!(forward ? ds->Eof() : ds->Bof())) {
                TColumnGx* column = searchColumns_->GetColumn(currentPos_);
                if (matches(ColText(column), pattern)) {
                    found = true;
                    grid_->SetSelectedIndex(column->Index());
                    newSearch_ = false;
                    break;
                }
                advance(forward, ds);
            }
            if (!found) grid_->RestoreBookmark();
        } catch (...) {
            ds->EnableControls();
            throw;
        }
        ds->EnableControls();
    }
    if (!found) ShowMessage(Format(LoadResString(&SFindDialogStringNotFoundMessageGx), pattern));
}

void TDBGridGxFindDlg::FormKeyDown(TObject*, WORD& key, TShiftState) {
    if (key != VK_RETURN && key != VK_ESCAPE) return;
    // A control that wants the key itself (a combo box with its list open) keeps it.
    if (TWinControl* active = ActiveControl(); active && active->Perform(CM_WANTSPECIALKEY, key, 0) != 0) return;
    if (key == VK_ESCAPE) {
        if (!Modal()) Close();
    } else {
        bFindClick(this);
    }
    cbText->SetModified(false);
}
