// Shift tables that show their totals in output fields (the flotation and the belt-scale tables).
//
// A value cell is a TOutField named "OutField" + period suffix + result name, tagged ValueTag; a
// period's query fills the cells whose names its result columns give, so a cell that no longer
// exists is simply skipped. The print passes every tagged cell by name with its present text.
#pragma once

#include "db/SqlClientDataSet.h"
#include "screens/tables/ShiftTable.h"
#include "widgets/OutField.h"

class TTotalsTableForm : public TShiftTableForm {
    PLANTMON_CLASS(TTotalsTableForm, TShiftTableForm)
public:
    // Tag of the value cells; the print picks them by it.
    static constexpr long ValueTag = 2004;
    // Positive; negative with a minus sign; zero as two blanks.
    static constexpr const char* ValueFormat = "# ### ##0.0 ;-# ### ##0.0 ;  ;";
    // What a failing period query posts to the event log.
    static constexpr const char* LoadFailureText = "Ошибка загрузки данных в сводную таблицу.";

    TLabel* LabelCaption = nullptr;                   // the title, followed by the date picker
    TOutField* OutField_00 = nullptr;                 // "Параметры:"; its height is the row height
    TSQLClientDataSet* SQLClientDataSet1 = nullptr;   // on MainView->SQLConnection1

    // Reads the picker's day and loads the four periods. Does nothing while the connection is down.
    // A period whose query fails is logged and left as it was; any other failure is logged as
    // "Ошибка в <class>::Reload()" and leaves the periods not yet loaded as they were.
    void Reload() override;
    // One period, from StartTime/StopTime as Reload has just set them; suffix names its cells.
    virtual void LoadPeriod(const AnsiString& suffix) = 0;
    // The screen's template in TemplateDir: "QRLabelDate" and every value cell by its name.
    void PrintReport() override;

    void FormResize(TObject* Sender);
    void PanelTopResize(TObject* Sender);

    // The value cell of that name, or null.
    TOutField* ValueField(const AnsiString& name) const;

protected:
    // rowCount: the rows of the table, header included (for the vertical centring).
    TTotalsTableForm(TComponent* owner, const AnsiString& name, const AnsiString& titleText,
                     const AnsiString& templateName, int rowCount);
    void LoadPeriodAt(int period) override { LoadPeriod(RowSuffix(period)); }
    // The part of the cell names that stands for period 1..4 (PeriodSuffix by default).
    virtual AnsiString RowSuffix(int period) const { return PeriodSuffix[period - 1]; }
    // Closes the dataset, sets the statement and opens it; false (logged) when it fails.
    bool OpenPeriodQuery(const AnsiString& sql) {
        return TShiftTableForm::OpenPeriodQuery(SQLClientDataSet1, sql, LoadFailureText);
    }
    // A value cell, blank until its first value.
    TOutField* MakeValueField(const AnsiString& name, TWinControl* parent, int left, int top, int width, int height);

private:
    AnsiString templateName_;
    int rowCount_ = 0;
};
