#include "gridlib/editors/GridLibConsts.h"

#include <map>

const TResStringRec SInvalidVCLDBIFFormatGx{65504};
const TResStringRec SErrorDuringInsertValueGx{65505};
const TResStringRec SIgnoreErrorGx{65506};
const TResStringRec STabularInformationGx{65507};
const TResStringRec SPageOfPagesGx{65508};
const TResStringRec SPreviewGx{65509};
const TResStringRec SFieldNameNotFoundGx{65510};
const TResStringRec SFindDialogStringNotFoundMessageGx{65511};
const TResStringRec SSTFilterListItem_Empties{65512};
const TResStringRec SSTFilterListItem_NotEmpties{65513};
const TResStringRec SSTFilterListItem_All{65514};
const TResStringRec SSTFilterListItem_ClearFilter{65515};
const TResStringRec SSTFilterListItem_SortingByDescend{65516};
const TResStringRec SSTFilterListItem_SortingByAscend{65517};
const TResStringRec SClearSelectedCellsGx{65534};
const TResStringRec SInvalidTextFormatGx{65535};

namespace {
const std::map<int, const char*>& table() {
    static const std::map<int, const char*> texts = {
        {65504, "Неверный формат VCLDBIF"},
        {65505, "Ошибка при вставки значения:"},
        {65506, "Игнорировать ошибку?"},
        {65507, "Табличная информация"},
        {65508, "Страница %d из %d"},
        {65509, "Предварительный просмотр"},
        {65510, "Имя поля '%s' не найдено"},
        {65511, "Строка \"%s\" не найдена."},
        {65512, "(Пустые)"},
        {65513, "(Не пустые)"},
        {65514, "(Все)"},
        {65515, "(Очистить фильтр)"},
        {65516, "(Сортировка по убыванию)"},
        {65517, "(Сортировка по возрастанию)"},
        {65534, "Очистить выделенные ячейки?"},
        {65535, "Неверный формат текста"},
    };
    return texts;
}
}  // namespace

AnsiString LoadResString(int identifier) {
    auto it = table().find(identifier);
    return it == table().end() ? AnsiString() : AnsiString(it->second);
}

AnsiString LoadResString(const TResStringRec* rec) { return rec ? LoadResString(rec->Identifier) : AnsiString(); }
