#include "gridlib/print/PrnDgDlg.h"

#include "rtl/SysUtils.h"

#include <cmath>

TfPrnDBGridGxSetupDialog* fPrnDBGridGxSetupDialog = nullptr;

namespace {

AnsiString marginText(Currency v) { return CurrToStr(v); }

// The edit's text as a margin, rounded to four decimals.
Currency marginOf(TEdit* e) { return Currency(StrToFloat(e->Text())); }

}  // namespace

TfPrnDBGridGxSetupDialog::TfPrnDBGridGxSetupDialog(TComponent* owner) : TForm(owner) {
    SetName("fPrnDBGridGxSetupDialog");
    SetCaption("Настройка принтера");
    SetBorderStyle(bsDialog);
    SetBorderIcons(biSystemMenu);
    SetPosition(poScreenCenter);
    SetClientSize(368, 300);

    gbPrintFields = new TGroupBox(this);
    gbPrintFields->SetName("gbPrintFields");
    gbPrintFields->SetParent(this);
    gbPrintFields->SetCaption(" &Отступы ");
    gbPrintFields->SetBounds(8, 8, 352, 72);

    auto margin = [&](TLabel*& label, TEdit*& edit, const char* lname, const char* ename, const char* caption, int x,
                      int y) {
        label = new TLabel(this);
        label->SetName(lname);
        label->SetParent(gbPrintFields);
        label->SetCaption(caption);
        label->SetBounds(x, y + 3, 60, 16);
        edit = new TEdit(this);
        edit->SetName(ename);
        edit->SetParent(gbPrintFields);
        edit->SetBounds(x + 64, y, 96, 21);
        edit->SetText("0");
        edit->OnExit = TNotifyEvent(this, &TfPrnDBGridGxSetupDialog::seMarginExit);
        label->SetFocusControl(edit);
    };
    margin(lUpMargin, seUpMargin, "lUpMargin", "seUpMargin", "&Верхний", 8, 16);
    margin(lLowMargin, seLowMargin, "lLowMargin", "seLowMargin", "&Нижний", 8, 42);
    margin(lLeftMargin, seLeftMargin, "lLeftMargin", "seLeftMargin", "&Левый", 180, 16);
    margin(lRightMargin, seRightMargin, "lRightMargin", "seRightMargin", "&Правый", 180, 42);

    lPrintFont = new TLabel(this);
    lPrintFont->SetName("lPrintFont");
    lPrintFont->SetParent(this);
    lPrintFont->SetCaption("Шрифт");
    lPrintFont->SetBounds(8, 91, 60, 16);
    ePrintFont = new TEdit(this);
    ePrintFont->SetName("ePrintFont");
    ePrintFont->SetParent(this);
    ePrintFont->SetBounds(72, 88, 256, 21);
    bPrintFont = new TButton(this);
    bPrintFont->SetName("bPrintFont");
    bPrintFont->SetParent(this);
    bPrintFont->SetCaption("...");
    bPrintFont->SetBounds(332, 88, 28, 21);
    bPrintFont->OnClick = TNotifyEvent(this, &TfPrnDBGridGxSetupDialog::bPrintFontClick);

    auto check = [&](TCheckBox*& box, const char* name, const char* caption, int y) {
        box = new TCheckBox(this);
        box->SetName(name);
        box->SetParent(this);
        box->SetCaption(caption);
        box->SetBounds(8, y, 250, 17);
    };
    check(cbAutoStretch, "cbAutoStretch", "Перенос &длинных строк", 116);
    check(cbColored, "cbColored", "&Цвет", 136);
    check(cbFitWidthToPage, "cbFitWidthToPage", "&Умещать в ширину на листе", 156);
    cbFitWidthToPage->OnClick = TNotifyEvent(this, &TfPrnDBGridGxSetupDialog::cbFitWidthToPageClick);

    rgFitingType = new TRadioGroup(this);
    rgFitingType->SetName("rgFitingType");
    rgFitingType->SetParent(this);
    rgFitingType->SetBounds(24, 176, 336, 56);
    rgFitingType->Items()->Add("Масштабировать всю таблицу");
    rgFitingType->Items()->Add("Изменять ширину столбцов");
    rgFitingType->SetItemIndex(0);
    rgFitingType->SetEnabled(false);

    check(cbOptimalColWidths, "cbOptimalColWidths", "Оптимальная ширина столбцов", 238);

    bPrinterSetupDialog = new TButton(this);
    bPrinterSetupDialog->SetName("bPrinterSetupDialog");
    bPrinterSetupDialog->SetParent(this);
    bPrinterSetupDialog->SetCaption("Н&астройка принтера");
    bPrinterSetupDialog->SetBounds(8, 266, 140, 25);
    bPrinterSetupDialog->OnClick = TNotifyEvent(this, &TfPrnDBGridGxSetupDialog::bPrinterSetupDialogClick);

    bOk = new TButton(this);
    bOk->SetName("bOk");
    bOk->SetParent(this);
    bOk->SetCaption("О&к");
    bOk->SetDefault(true);
    bOk->SetModalResult(mrOk);
    bOk->SetBounds(204, 266, 75, 25);

    bCancel = new TButton(this);
    bCancel->SetName("bCancel");
    bCancel->SetParent(this);
    bCancel->SetCaption("О&тмена");
    bCancel->SetCancel(true);
    bCancel->SetModalResult(mrCancel);
    bCancel->SetBounds(285, 266, 75, 25);

    FontDialog1 = new TFontDialog(this);
    FontDialog1->SetName("FontDialog1");
    PrinterSetupDialog1 = new TPrinterSetupDialog(this);
    PrinterSetupDialog1->SetName("PrinterSetupDialog1");

    OnShow = TNotifyEvent(this, &TfPrnDBGridGxSetupDialog::fPrnDBGridGXSetupDialogShow);
}

TfPrnDBGridGxSetupDialog::~TfPrnDBGridGxSetupDialog() {
    if (fPrnDBGridGxSetupDialog == this) fPrnDBGridGxSetupDialog = nullptr;
}

void TfPrnDBGridGxSetupDialog::bPrintFontClick(TObject*) {
    FontDialog1->Font()->SetName(ePrintFont->Text());
    if (FontDialog1->Execute()) ePrintFont->SetText(FontDialog1->Font()->Name());
}

void TfPrnDBGridGxSetupDialog::bPrinterSetupDialogClick(TObject*) { PrinterSetupDialog1->Execute(); }

void TfPrnDBGridGxSetupDialog::seMarginExit(TObject* Sender) {
    if (auto* e = dynamic_cast<TEdit*>(Sender)) StrToFloat(e->Text());
}

void TfPrnDBGridGxSetupDialog::fPrnDBGridGXSetupDialogShow(TObject*) {
    bPrinterSetupDialog->SetEnabled(!TPrinter::Printers().empty());
}

void TfPrnDBGridGxSetupDialog::cbFitWidthToPageClick(TObject*) { rgFitingType->SetEnabled(cbFitWidthToPage->Checked()); }

void TfPrnDBGridGxSetupDialog::Fill(const TPageParams& page, TPrintDBGridGxOptions options,
                                    const AnsiString& printFontName) {
    seUpMargin->SetText(marginText(page.TopMargin));
    seLowMargin->SetText(marginText(page.BottomMargin));
    seLeftMargin->SetText(marginText(page.LeftMargin));
    seRightMargin->SetText(marginText(page.RightMargin));
    cbFitWidthToPage->SetChecked(options.Contains(pghFitGridToPageWidth));
    cbAutoStretch->SetChecked(options.Contains(pghRowAutoStretch));
    cbColored->SetChecked(options.Contains(pghColored));
    cbOptimalColWidths->SetChecked(options.Contains(pghOptimalColWidths));
    ePrintFont->SetText(printFontName);
    rgFitingType->SetItemIndex(options.Contains(pghFitingByColWidths) ? 1 : 0);
    // Setting the box runs its click handler, which the fitting group follows.
    cbFitWidthToPageClick(cbFitWidthToPage);
}

void TfPrnDBGridGxSetupDialog::ReadBack(TPageParams& page, TPrintDBGridGxOptions& options,
                                        AnsiString& printFontName) {
    page.TopMargin = marginOf(seUpMargin);
    page.BottomMargin = marginOf(seLowMargin);
    page.LeftMargin = marginOf(seLeftMargin);
    page.RightMargin = marginOf(seRightMargin);
    options.Set(pghFitGridToPageWidth, cbFitWidthToPage->Checked());
    options.Set(pghRowAutoStretch, cbAutoStretch->Checked());
    options.Set(pghColored, cbColored->Checked());
    options.Set(pghOptimalColWidths, cbOptimalColWidths->Checked());
    options.Set(pghFitingByColWidths, rgFitingType->ItemIndex() == 1);
    printFontName = ePrintFont->Text();
}

bool ExecutePrnDBGridGxSetupDialog(TPageParams& page, TPrintDBGridGxOptions& options, AnsiString& printFontName) {
    if (!fPrnDBGridGxSetupDialog) fPrnDBGridGxSetupDialog = NewForm<TfPrnDBGridGxSetupDialog>(Application);
    fPrnDBGridGxSetupDialog->Fill(page, options, printFontName);
    if (fPrnDBGridGxSetupDialog->ShowModal() != mrOk) return false;
    fPrnDBGridGxSetupDialog->ReadBack(page, options, printFontName);
    return true;
}
