// Layout storage of the grid: column and grid entries in INI files and the per-user settings store,
// and the property storage's interceptors of columns and column sets.
#include "gridlib/grid/DBGridGx.h"

#include "gui/Forms.h"
#include "rtl/IniFiles.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

#include <memory>
#include <vector>

namespace {

// The key of the grid's own entry in every form of the store: the settings store has no unnamed
// value, so it is kept under the same key as in an INI file.
const char kGridEntryKey[] = "(Default)";

// The words of a stored value, split at spaces and commas (a run of separators counts as one).
std::vector<AnsiString> storedWords(const AnsiString& value) {
    std::vector<AnsiString> words;
    std::string word;
    for (char c : value.str()) {
        if (c == ' ' || c == ',') {
            if (!word.empty()) words.emplace_back(std::move(word));
            word.clear();
        } else {
            word.push_back(c);
        }
    }
    if (!word.empty()) words.emplace_back(std::move(word));
    return words;
}

// Word n (1-based) as a number; def when it is missing or no number.
int storedNumber(const std::vector<AnsiString>& words, std::size_t n, int def) {
    if (n == 0 || n > words.size()) return def;
    int v = 0;
    return TryStrToInt(words[n - 1], v) ? v : def;
}

TCustomIniFile* iniOf(TObject* ARegIni) {
    auto* ini = dynamic_cast<TCustomIniFile*>(ARegIni);
    if (!ini) throw EInvalidGridOperation("The layout store is neither a settings store nor an INI file");
    return ini;
}

TColumnGxRestoreParams columnParamsOf(TDBGridGxRestoreParams p) {
    TColumnGxRestoreParams r = 0;
    if (p & grpColIndexGx) r |= crpColIndexGx;
    if (p & grpColWidthsGx) r |= crpColWidthsGx;
    if (p & grpSortMarkerGx) r |= crpSortMarkerGx;
    if (p & grpColVisibleGx) r |= crpColVisibleGx;
    if (p & grpDropDownRowsGx) r |= crpDropDownRowsGx;
    if (p & grpDropDownWidthGx) r |= crpDropDownWidthGx;
    return r;
}

}  // namespace

// ---- Names ---------------------------------------------------------------------------------------------

AnsiString TCustomDBGridGx::StorageSectionName() const {
    if (dynamic_cast<const TCustomForm*>(static_cast<const TObject*>(this))) return ClassName();
    AnsiString section = Name();
    TComponent* owner = Owner();
    while (owner && !dynamic_cast<TCustomForm*>(owner)) {
        section = owner->Name() + "." + section;
        owner = owner->Owner();
    }
    if (owner) section = owner->ClassName() + section;
    return section;
}

// ---- Entry points ---------------------------------------------------------------------------------------

void TCustomDBGridGx::SaveColumnsLayout(TRegIniFile* ARegIniFile) {
    SaveColumnsLayoutProducer(ARegIniFile, StorageSectionName(), true);
}

void TCustomDBGridGx::SaveColumnsLayout(TCustomIniFile* ACustomIniFile, const AnsiString& Section) {
    SaveColumnsLayoutProducer(ACustomIniFile, Section, false);
}

void TCustomDBGridGx::SaveColumnsLayoutIni(const AnsiString& IniFileName, const AnsiString& Section,
                                           bool DeleteSection) {
    TIniFile ini(IniFileName);
    SaveColumnsLayoutProducer(&ini, Section, DeleteSection);
}

void TCustomDBGridGx::RestoreColumnsLayout(TRegIniFile* ARegIniFile, TColumnGxRestoreParams RestoreParams) {
    RestoreColumnsLayoutProducer(ARegIniFile, StorageSectionName(), RestoreParams);
}

void TCustomDBGridGx::RestoreColumnsLayout(TCustomIniFile* ACustomIniFile, const AnsiString& Section,
                                           TColumnGxRestoreParams RestoreParams) {
    RestoreColumnsLayoutProducer(ACustomIniFile, Section, RestoreParams);
}

void TCustomDBGridGx::RestoreColumnsLayoutIni(const AnsiString& IniFileName, const AnsiString& Section,
                                              TColumnGxRestoreParams RestoreParams) {
    TIniFile ini(IniFileName);
    RestoreColumnsLayoutProducer(&ini, Section, RestoreParams);
}

void TCustomDBGridGx::SaveGridLayout(TRegIniFile* ARegIniFile) {
    SaveGridLayoutProducer(ARegIniFile, StorageSectionName(), true);
}

void TCustomDBGridGx::SaveGridLayout(TCustomIniFile* ACustomIniFile, const AnsiString& Section) {
    SaveGridLayoutProducer(ACustomIniFile, Section, false);
}

void TCustomDBGridGx::SaveGridLayoutIni(const AnsiString& IniFileName, const AnsiString& Section,
                                        bool DeleteSection) {
    TIniFile ini(IniFileName);
    SaveGridLayoutProducer(&ini, Section, DeleteSection);
}

void TCustomDBGridGx::RestoreGridLayout(TRegIniFile* ARegIniFile, TDBGridGxRestoreParams RestoreParams) {
    RestoreGridLayoutProducer(ARegIniFile, StorageSectionName(), RestoreParams);
}

void TCustomDBGridGx::RestoreGridLayout(TCustomIniFile* ACustomIniFile, const AnsiString& Section,
                                        TDBGridGxRestoreParams RestoreParams) {
    RestoreGridLayoutProducer(ACustomIniFile, Section, RestoreParams);
}

void TCustomDBGridGx::RestoreGridLayoutIni(const AnsiString& IniFileName, const AnsiString& Section,
                                           TDBGridGxRestoreParams RestoreParams) {
    TIniFile ini(IniFileName);
    RestoreGridLayoutProducer(&ini, Section, RestoreParams);
}

// ---- Workers --------------------------------------------------------------------------------------------

void TCustomDBGridGx::SaveColumnsLayoutProducer(TObject* ARegIni, const AnsiString& Section, bool DeleteSection) {
    TCustomIniFile* ini = iniOf(ARegIni);
    // The settings store always starts from an empty section.
    if (dynamic_cast<TRegIniFile*>(ARegIni) || DeleteSection) ini->EraseSection(Section);
    for (int i = 0; i < columns_->Count(); ++i) {
        TColumnGx* c = columns_->Items(i);
        ini->WriteString(Section, Format("%s.%s", Name(), c->FieldName()),
                         Format("%d,%d,%d,%d,%d,%d,%d", c->Index(), c->Width(), static_cast<int>(c->Title()->SortMarker()),
                                c->Visible() ? 1 : 0, c->Title()->SortIndex(), static_cast<int>(c->DropDownRows()),
                                c->DropDownWidth()));
    }
}

void TCustomDBGridGx::RestoreColumnsLayoutProducer(TObject* ARegIni, const AnsiString& Section,
                                                   TColumnGxRestoreParams RestoreParams) {
    TCustomIniFile* ini = iniOf(ARegIni);
    struct Row {
        TColumnGx* column;
        int position;
        int sortIndex;
    };
    std::vector<Row> rows;
    BeginUpdate();
    const bool fitting = autoFitColWidths_;
    auto finish = [&] {
        rows.clear();
        EndUpdate();
        if (fitting) SetAutoFitColWidths(true);
        else LayoutChanged();
    };
    try {
        // Restored widths are the columns' own; with fitting on again they become its initial widths.
        if (fitting) SetAutoFitColWidths(false);
        for (int i = 0; i < columns_->Count(); ++i) rows.push_back(Row{columns_->Items(i), columns_->Items(i)->Index(), 0});
        for (Row& row : rows) {
            TColumnGx* c = row.column;
            const AnsiString value = ini->ReadString(Section, Format("%s.%s", Name(), c->FieldName()), AnsiString());
            if (value.IsEmpty()) continue;
            const std::vector<AnsiString> w = storedWords(value);
            row.position = storedNumber(w, 1, c->Index());
            if (RestoreParams & crpColWidthsGx) c->SetWidth(storedNumber(w, 2, c->Width()));
            if (RestoreParams & crpSortMarkerGx) {
                const int marker = storedNumber(w, 3, c->Title()->SortMarker());
                // A marker outside the known ones is no marker the store can have written.
                if (marker >= smNoneGx && marker <= smUpGx)
                    c->Title()->SetSortMarkerRaw(static_cast<TSortMarkerGx>(marker));
                row.sortIndex = storedNumber(w, 5, 0);
            }
            if (RestoreParams & crpColVisibleGx) c->SetVisible(storedNumber(w, 4, c->Visible() ? 1 : 0) != 0);
            if (RestoreParams & crpDropDownRowsGx) {
                const int n = storedNumber(w, 6, static_cast<int>(c->DropDownRows()));
                if (n >= 0) c->SetDropDownRows(static_cast<unsigned>(n));
            }
            if (RestoreParams & crpDropDownWidthGx) c->SetDropDownWidth(storedNumber(w, 7, c->DropDownWidth()));
        }
        if (RestoreParams & crpSortMarkerGx) {
            // The stored markers and indexes are taken as they were; the sort-marked list follows them.
            for (const Row& row : rows) row.column->Title()->SetSortIndexRaw(std::max(0, row.sortIndex));
            SetSortMarkedColumns();
        }
        if (RestoreParams & crpColIndexGx) {
            const int count = static_cast<int>(rows.size());
            for (int p = 0; p < count; ++p)
                for (const Row& row : rows)
                    if (row.position == p) {
                        row.column->SetIndex(p);
                        break;
                    }
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TCustomDBGridGx::SaveGridLayoutProducer(TObject* ARegIni, const AnsiString& Section, bool DeleteSection) {
    SaveColumnsLayoutProducer(ARegIni, Section, DeleteSection);
    iniOf(ARegIni)->WriteString(Section, kGridEntryKey, Format("%d,%d", rowHeight_, rowLines_));
}

void TCustomDBGridGx::RestoreGridLayoutProducer(TObject* ARegIni, const AnsiString& Section,
                                                TDBGridGxRestoreParams RestoreParams) {
    RestoreColumnsLayoutProducer(ARegIni, Section, columnParamsOf(RestoreParams));
    const std::vector<AnsiString> w = storedWords(iniOf(ARegIni)->ReadString(Section, kGridEntryKey, AnsiString()));
    if (RestoreParams & grpRowHeightGx) {
        // A missing entry returns the grid to the row height of its font.
        SetRowHeight(storedNumber(w, 1, 0));
        SetRowLines(storedNumber(w, 2, 0));
    }
}

// ---- Interceptors -----------------------------------------------------------------------------------------

void TColumnGxPropertyInterceptor::SetWidth(int Width) {
    auto* column = dynamic_cast<TColumnGx*>(target_);
    if (!column) return;
    TCustomDBGridGx* grid = column->Grid();
    if (grid && grid->AutoFitColWidths()) column->SetFitBaseWidth(Width);
    else column->SetWidth(Width);
}

AnsiString TColumnsGxPropertyInterceptor::ColumnsIndex() const {
    auto* columns = dynamic_cast<TDBGridColumnsGx*>(target_);
    AnsiString text;
    if (!columns) return text;
    for (int i = 0; i < columns->Count(); ++i) {
        if (i > 0) text += ",";
        text += "\"" + columns->Items(i)->FieldName() + "\"";
    }
    return text;
}

void TColumnsGxPropertyInterceptor::SetColumnsIndex(const AnsiString& Value) {
    auto* columns = dynamic_cast<TDBGridColumnsGx*>(target_);
    if (!columns) return;
    TStringList names;
    names.SetCommaText(Value);
    columns->BeginUpdate();
    try {
        for (int i = 0; i < names.Count() && i < columns->Count(); ++i)
            for (int j = 0; j < columns->Count(); ++j)
                if (NlsCompareStr(columns->Items(j)->FieldName(), names.Strings(i)) == 0) {
                    columns->Items(j)->SetIndex(i);
                    break;
                }
    } catch (...) {
        columns->EndUpdate();
        throw;
    }
    columns->EndUpdate();
}

namespace {

const bool interceptorPropertiesRegistered = [] {
    TPropInfo width = MakeProperty<TColumnGxPropertyInterceptor>(
        "Width", TypeInfoOf(tkInteger, "Integer"), [](TColumnGxPropertyInterceptor*) { return 0; },
        &TColumnGxPropertyInterceptor::SetWidth);
    width.GetOrd = nullptr;  // write only: the column's own width is what is stored
    RegisterPublishedProperties(TColumnGxPropertyInterceptor::StaticClass(), {width});
    RegisterPublishedProperties(
        TColumnsGxPropertyInterceptor::StaticClass(),
        {MakeProperty<TColumnsGxPropertyInterceptor>("ColumnsIndex", TypeInfoOf(tkLString, "String"),
                                                     &TColumnsGxPropertyInterceptor::ColumnsIndex,
                                                     &TColumnsGxPropertyInterceptor::SetColumnsIndex)});
    return true;
}();

}  // namespace

void RegisterGridLayoutInterceptorsGx() {
    (void)interceptorPropertiesRegistered;
    RegisterReadPropertyInterceptor(TColumnGx::StaticClass(), InterceptorClassOf<TColumnGxPropertyInterceptor>());
    RegisterReadPropertyInterceptor(TDBGridColumnsGx::StaticClass(),
                                    InterceptorClassOf<TColumnsGxPropertyInterceptor>());
}

void UnregisterGridLayoutInterceptorsGx() {
    UnregisterReadPropertyInterceptor(TColumnGx::StaticClass(), InterceptorClassOf<TColumnGxPropertyInterceptor>());
    UnregisterReadPropertyInterceptor(TDBGridColumnsGx::StaticClass(),
                                      InterceptorClassOf<TColumnsGxPropertyInterceptor>());
}
