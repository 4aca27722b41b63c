// The database login dialog: user name and password for a database.
#pragma once

#include "gui/Forms.h"
#include "gui/StdCtrls.h"

// Caption "Database Login", the database's name, a user name and a password (shown as '*'), both of
// at most 31 characters, OK and Cancel. The focus starts in the password box when a user name is
// given, else in the user name box.
class TLoginDialog : public TForm {
    PLANTMON_CLASS(TLoginDialog, TForm)
public:
    explicit TLoginDialog(TComponent* owner);
    TLabel* DatabaseName = nullptr;
    TEdit* UserName = nullptr;
    TEdit* Password = nullptr;
    TButton* OKButton = nullptr;
    TButton* CancelButton = nullptr;

private:
    void formShow(TObject*);
};

// Shows the dialog; with OK, userName and password take the edits' texts and the result is true;
// with Cancel both stay as they were.
bool LoginDialog(const AnsiString& databaseName, AnsiString& userName, AnsiString& password);
// The same with the user name shown but not editable.
bool LoginDialogEx(const AnsiString& databaseName, AnsiString& userName, AnsiString& password, bool nameReadOnly);
