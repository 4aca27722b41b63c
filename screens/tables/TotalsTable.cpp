#include "screens/tables/TotalsTable.h"

#include "core/EventLog.h"
#include "core/Global.h"
#include "core/MainView.h"
#include "db/SqlExpr.h"
#include "rtl/FileUtils.h"
#include "screens/graphs/FormWebPrint.h"

#include <algorithm>
#include <memory>

TTotalsTableForm::TTotalsTableForm(TComponent* owner, const AnsiString& name, const AnsiString& titleText,
                                   const AnsiString& templateName, int rowCount)
    : TShiftTableForm(owner, name, "LabelCaption", titleText), templateName_(templateName), rowCount_(rowCount) {
    SetCaption("Таблица сводных параметров процесса флотации");
    LabelCaption = TitleLabel;
    // The centre keeps the table's width; the right panel takes what is left.
    PanelCenter->SetAlign(alLeft);
    PanelRight->SetAlign(alClient);
    OnResize = TNotifyEvent(this, &TTotalsTableForm::FormResize);
    PanelTop->OnResize = TNotifyEvent(this, &TTotalsTableForm::PanelTopResize);

    SQLClientDataSet1 = new TSQLClientDataSet(this);
    SQLClientDataSet1->SetName("SQLClientDataSet1");
    SQLClientDataSet1->SetCommandType(ctQuery);
    if (MainView) SQLClientDataSet1->SetDBConnection(MainView->SQLConnection1);
}

TOutField* TTotalsTableForm::ValueField(const AnsiString& name) const {
    return dynamic_cast<TOutField*>(FindComponent(name));
}

TOutField* TTotalsTableForm::MakeValueField(const AnsiString& name, TWinControl* parent, int left, int top, int width,
                                            int height) {
    TOutField* f = MakeControl<TOutField>(name, parent, left, top, width, height);
    f->SetTag(ValueTag);
    f->SetAlignment(taRightJustify);
    f->SetOutFormat(ValueFormat);
    f->Font()->SetSize(12);
    f->Font()->SetStyle({fsBold});
    // The text of the value the field holds (0), so an empty period looks like one from the start.
    f->SetCaption(FormatFloat(ValueFormat, 0));
    return f;
}

void TTotalsTableForm::Reload() { ReloadPeriods(true); }

void TTotalsTableForm::PrintReport() {
    if (!FormWebPrint) return;
    auto names = std::make_unique<TStringList>();
    auto values = std::make_unique<TStringList>();
    // The day of the last reload, not what the picker shows now.
    names->Add("QRLabelDate");
    values->Add(FormatDateTime("dd.mm.yyyy", ShownDate));
    for (int i = 0; i < ComponentCount(); ++i) {
        TComponent* c = Components(i);
        if (c->Tag() != ValueTag || c->ClassName() != "TOutField" || c->Name().Length() <= 9) continue;
        names->Add(c->Name());
        values->Add(static_cast<TOutField*>(c)->Caption());
    }
    FormWebPrint->LoadReportTemplate(IncludeTrailingPathDelimiter(TemplateDir) + templateName_, names.get(),
                                     values.get());
}

void TTotalsTableForm::FormResize(TObject*) {
    PanelLeft->SetWidth(std::max(0, (Width() - PanelCenter->Width()) / 2));
    const int rowHeight = OutField_00 ? OutField_00->Height() : 0;
    const int h = std::max(0, (ClientHeight() - rowCount_ * rowHeight) / 2);
    PanelTop->SetHeight(h);
    PanelDown->SetHeight(h);
    for (int i = 0; i < rowCount_; ++i)
        if (auto* row = dynamic_cast<TPanel*>(FindComponent("Panel_row" + IntToStr(i)))) row->SetHeight(rowHeight);
}

void TTotalsTableForm::PanelTopResize(TObject*) {
    const int x = (PanelTop->Width() - LabelCaption->Width() - DateTimePicker1->Width() - 10) / 2;
    LabelCaption->SetLeft(x);
    DateTimePicker1->SetLeft(x + LabelCaption->Width() + 10);
}
