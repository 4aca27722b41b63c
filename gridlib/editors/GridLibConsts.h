// The library's user-visible texts. Each is a numbered entry of the program's resource table;
// LoadResString looks the text up by its number each time it is shown.
#pragma once

#include "rtl/AnsiString.h"

struct TResStringRec {
    int Identifier;
};

// The text of an entry; empty for a number the table does not hold.
AnsiString LoadResString(const TResStringRec* rec);
AnsiString LoadResString(int identifier);

extern const TResStringRec SInvalidVCLDBIFFormatGx;             // 65504
extern const TResStringRec SErrorDuringInsertValueGx;           // 65505
extern const TResStringRec SIgnoreErrorGx;                      // 65506
extern const TResStringRec STabularInformationGx;               // 65507
extern const TResStringRec SPageOfPagesGx;                      // 65508
extern const TResStringRec SPreviewGx;                          // 65509
extern const TResStringRec SFieldNameNotFoundGx;                // 65510
extern const TResStringRec SFindDialogStringNotFoundMessageGx;  // 65511
extern const TResStringRec SSTFilterListItem_Empties;           // 65512
extern const TResStringRec SSTFilterListItem_NotEmpties;        // 65513
extern const TResStringRec SSTFilterListItem_All;               // 65514
extern const TResStringRec SSTFilterListItem_ClearFilter;       // 65515
extern const TResStringRec SSTFilterListItem_SortingByDescend;  // 65516
extern const TResStringRec SSTFilterListItem_SortingByAscend;   // 65517
extern const TResStringRec SClearSelectedCellsGx;               // 65534
extern const TResStringRec SInvalidTextFormatGx;                // 65535
