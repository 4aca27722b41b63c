// The grid print setup dialog "Настройка принтера": margins, print font and options of a grid
// print, and the way to the system's printer setup.
#pragma once

#include "gridlib/print/PrnDbggx.h"

#include "gui/Dialogs.h"
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/Printers.h"
#include "gui/StdCtrls.h"

class TfPrnDBGridGxSetupDialog : public TForm {
    PLANTMON_CLASS(TfPrnDBGridGxSetupDialog, TForm)
public:
    explicit TfPrnDBGridGxSetupDialog(TComponent* owner);
    ~TfPrnDBGridGxSetupDialog() override;

    TGroupBox* gbPrintFields;
    TLabel* lUpMargin;
    TEdit* seUpMargin;
    TLabel* lLowMargin;
    TEdit* seLowMargin;
    TLabel* lLeftMargin;
    TEdit* seLeftMargin;
    TLabel* lRightMargin;
    TEdit* seRightMargin;
    TLabel* lPrintFont;
    TEdit* ePrintFont;
    TButton* bPrintFont;
    TCheckBox* cbAutoStretch;
    TCheckBox* cbColored;
    TCheckBox* cbFitWidthToPage;
    TRadioGroup* rgFitingType;
    TCheckBox* cbOptimalColWidths;
    TButton* bPrinterSetupDialog;
    TButton* bOk;
    TButton* bCancel;
    TFontDialog* FontDialog1;
    TPrinterSetupDialog* PrinterSetupDialog1;

    void bPrintFontClick(TObject* Sender);
    void bPrinterSetupDialogClick(TObject* Sender);
    void seMarginExit(TObject* Sender);
    void fPrnDBGridGXSetupDialogShow(TObject* Sender);
    void cbFitWidthToPageClick(TObject* Sender);

    // Fills the controls from a print's settings, and (after OK) writes them back; a margin that
    // is no number raises EConvertError and leaves the values after it unchanged.
    void Fill(const TPageParams& page, TPrintDBGridGxOptions options, const AnsiString& printFontName);
    void ReadBack(TPageParams& page, TPrintDBGridGxOptions& options, AnsiString& printFontName);
};

extern TfPrnDBGridGxSetupDialog* fPrnDBGridGxSetupDialog;

// Makes the dialog on first use (owned by the application), fills it, shows it modally and, when
// the user presses OK, writes the values back: true. Cancel changes nothing: false.
bool ExecutePrnDBGridGxSetupDialog(TPageParams& page, TPrintDBGridGxOptions& options, AnsiString& printFontName);
