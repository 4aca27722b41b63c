#include "gui/DBLogDlg.h"

#include "gui/ExtCtrls.h"

TLoginDialog::TLoginDialog(TComponent* owner) : TForm(owner) {
    SetName("LoginDialog");
    SetCaption("Database Login");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(282, 147);

    auto* frame = new TBevel(this);
    frame->SetParent(this);
    frame->SetBounds(8, 8, 266, 97);
    frame->SetShape(bsFrame);

    auto* dbLabel = new TLabel(this);
    dbLabel->SetParent(this);
    dbLabel->SetCaption("Database:");
    dbLabel->SetBounds(20, 18, 60, 13);
    DatabaseName = new TLabel(this);
    DatabaseName->SetParent(this);
    DatabaseName->SetName("DatabaseName");
    DatabaseName->SetBounds(96, 18, 170, 13);

    auto* userLabel = new TLabel(this);
    userLabel->SetParent(this);
    userLabel->SetCaption("&User Name:");
    userLabel->SetBounds(20, 48, 70, 13);
    UserName = new TEdit(this);
    UserName->SetParent(this);
    UserName->SetName("UserName");
    UserName->SetBounds(96, 44, 165, 21);
    UserName->SetMaxLength(31);
    userLabel->SetFocusControl(UserName);

    auto* passLabel = new TLabel(this);
    passLabel->SetParent(this);
    passLabel->SetCaption("&Password:");
    passLabel->SetBounds(20, 76, 70, 13);
    Password = new TEdit(this);
    Password->SetParent(this);
    Password->SetName("Password");
    Password->SetBounds(96, 72, 165, 21);
    Password->SetMaxLength(31);
    Password->SetPasswordChar('*');
    passLabel->SetFocusControl(Password);

    OKButton = new TButton(this);
    OKButton->SetParent(this);
    OKButton->SetName("OKButton");
    OKButton->SetCaption("OK");
    OKButton->SetBounds(109, 114, 75, 25);
    OKButton->SetDefault(true);
    OKButton->SetModalResult(mrOk);

    CancelButton = new TButton(this);
    CancelButton->SetParent(this);
    CancelButton->SetName("CancelButton");
    CancelButton->SetCaption("Cancel");
    CancelButton->SetBounds(199, 114, 75, 25);
    CancelButton->SetCancel(true);
    CancelButton->SetModalResult(mrCancel);

    OnShow = TNotifyEvent(this, &TLoginDialog::formShow);
}

void TLoginDialog::formShow(TObject*) {
    if (UserName->Text().IsEmpty() || !UserName->Enabled()) SetActiveControl(UserName->Enabled() ? UserName : Password);
    else SetActiveControl(Password);
}

bool LoginDialogEx(const AnsiString& databaseName, AnsiString& userName, AnsiString& password, bool nameReadOnly) {
    auto* dlg = NewForm<TLoginDialog>(nullptr);
    struct Free {
        TLoginDialog* d;
        ~Free() { d->Free(); }
    } guard{dlg};
    dlg->DatabaseName->SetCaption(databaseName);
    dlg->UserName->SetText(userName);
    dlg->UserName->SetReadOnly(nameReadOnly);
    dlg->Password->SetText(password);
    if (dlg->ShowModal() != mrOk) return false;
    userName = dlg->UserName->Text();
    password = dlg->Password->Text();
    return true;
}

bool LoginDialog(const AnsiString& databaseName, AnsiString& userName, AnsiString& password) {
    return LoginDialogEx(databaseName, userName, password, false);
}
