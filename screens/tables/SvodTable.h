// The jig machines' work-time table: for each of the two jig machines (pu1 coarse class, pu2 fine
// class) how long it worked in total (RAB) and how long under load (NRAB) in shift 1, shift 2, the
// day and the month to date. RAB and NRAB are minute counts per history row; the cells show their
// sums as "N суток hh:nn".
#pragma once

#include "db/SqlExpr.h"
#include "screens/tables/ShiftTable.h"

class TFormSvodTable : public TShiftTableForm {
    PLANTMON_CLASS(TFormSvodTable, TShiftTableForm)
public:
    explicit TFormSvodTable(TComponent* owner);
    // A freed screen leaves no dangling FormSvodTable behind.
    ~TFormSvodTable() override;

    // Tag of the value labels; the print picks them by it.
    static constexpr long ValueTag = 2006;
    // Size of the table block that CentreTable keeps in the middle of the screen.
    static constexpr int TableWidth = 625;
    static constexpr int TableHeight = 445;

    TLabel* LabelTop = nullptr;      // "Таблица учета работы отсадочных машин "
    TSQLQuery* SQLQuery1 = nullptr;  // on MainView->SQLConnection1
    TTimer* TimerResize = nullptr;   // 1000 ms: CentreTable
    // The value labels "LabelLine<row>Val<machine>" (row 1..8, machine 1..2), created row by row.
    TLabel* ValueLabel(int row, int machine) const;

    // Sixteen sums (four periods x RAB, NRAB x both machines) into the value labels. A failing query
    // stops the reload: the cells not reached keep their texts, and the failure is logged.
    void Reload() override;
    // "PrintWebTable.html" of the current folder: "QRLabelDate" and "Line1Val1" .. "Line8Val2".
    void PrintReport() override;
    // Keeps the table block centred: the side panels and the top and bottom panels take the rest.
    void CentreTable();

    void PanelTopResize(TObject* Sender);
    void TimerResizeTimer(TObject* Sender);

    // The text of a cell for a sum of minutes: "hh:nn", with "<days> суток " in front from one day on.
    static AnsiString MinutesText(double minutes);
};

extern TFormSvodTable* FormSvodTable;
