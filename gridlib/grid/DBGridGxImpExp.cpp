// Export and import of the grid: the writers' and readers' walks over the selection, footers over
// the exported records, the text and CSV writers, the text reader, the interchange wrappers, the
// entry points and the clipboard actions.
#include "gridlib/grid/DBGridGxImpExp.h"

#include "gridlib/editors/GridLibConsts.h"
#include "gui/Dialogs.h"
#include "rtl/Currency.h"
#include "rtl/MathUtils.h"
#include "rtl/SysUtils.h"

#include <algorithm>

char DBGridGxImpExpCsvSeparator = ';';

namespace {

TDataSet* gridDataSet(TCustomDBGridGx* grid) {
    TDataSource* src = grid ? grid->DataSource() : nullptr;
    return src ? src->DataSet() : nullptr;
}

void fillVisible(TCustomDBGridGx* grid, TColumnsGxList* list, int fromIndex, int toIndex) {
    list->Clear();
    TColumnsGxList* visible = grid->VisibleColumns();
    for (int i = 0; i < visible->Count(); ++i) {
        TColumnGx* c = visible->GetColumn(i);
        if (c->Index() >= fromIndex && c->Index() <= toIndex) list->Add(c);
    }
}

void fillColumns(TColumnsGxList* list, const std::vector<TColumnGx*>& columns) {
    list->Clear();
    for (TColumnGx* c : columns) list->Add(c);
}

bool sameBookmark(TDataSet* ds, const TBookmark& a, const TBookmark& b) { return ds->CompareBookmarks(a, b) == 0; }

bool editing(TDataSet* ds) { return ds->State() == dsEdit || ds->State() == dsInsert; }

// The field a cell's value goes into (a lookup field's key field), put into edit mode; nullptr when
// the column or its dataset cannot take it.
TField* editableField(TColumnGx* column) {
    if (!column->CanModify(false)) return nullptr;
    TField* field = ImpExpTargetFieldGx(column->Field());
    if (!field || !field->DataSet()) return nullptr;
    TDataSet* ds = field->DataSet();
    if (ds->CanModify() && !editing(ds)) ds->Edit();
    return editing(ds) ? field : nullptr;
}

constexpr int kMaxColumn = 1 << 30;

}  // namespace

// ==== The grid's selection and footers as the export sees them ============================================

TImpExpSelectionGx TCustomDBGridGx::ImpExpSelection() {
    TImpExpSelectionGx out;
    TDBGridGxSelection* sel = Selection();
    out.SelectionType = sel->SelectionType();
    switch (out.SelectionType) {
    case gstRecordBookmarks: {
        TBookmarkListGx* rows = sel->Rows();
        for (int i = 0; i < rows->Count(); ++i) out.Rows.push_back(rows->Items(i));
        break;
    }
    case gstRectangle: {
        TDBGridGxSelectionRect* r = sel->Rect();
        out.TopRow = r->GetTopRow();
        out.BottomRow = r->GetBottomRow();
        // The rectangle's columns are collection indexes already (hidden columns counted), as the
        // export names them.
        out.LeftCol = r->GetLeftCol();
        out.RightCol = r->GetRightCol();
        break;
    }
    case gstColumns: {
        TDBGridGxSelectionCols* cols = sel->Columns();
        for (int i = 0; i < cols->Count(); ++i) out.Columns.push_back(cols->GetColumn(i));
        std::sort(out.Columns.begin(), out.Columns.end(),
                  [](TColumnGx* a, TColumnGx* b) { return a->Index() < b->Index(); });
        break;
    }
    default: break;
    }
    return out;
}

void TCustomDBGridGx::ImpExpClearSelection() { Selection()->Clear(); }

TImpExpFooterGx TCustomDBGridGx::ImpExpFooter(TColumnGx* Column, int FooterNo) {
    TImpExpFooterGx footer;
    footer.Font = FooterFont();
    footer.Color = FooterColor();
    TField* f = Column ? Column->Field() : nullptr;
    footer.Alignment = f ? f->Alignment() : taLeftJustify;
    if (!Column) return footer;
    TColumnFooterGx* used = Column->UsedFooter(FooterNo);
    if (!used) return footer;
    footer.Font = used->Font();
    footer.Color = used->Color();
    footer.Alignment = used->Alignment();
    footer.FieldName = used->FieldName();
    switch (used->ValueType()) {
    case fvtSum: footer.Kind = ifkSumGx; break;
    case fvtCount: footer.Kind = ifkCountGx; break;
    default: footer.Text = GetFooterValue(FooterNo, Column); break;
    }
    return footer;
}

// The grid's edit actions go through the clipboard functions of this unit.
void TCustomDBGridGx::DBGridGx_DoCopyAction(bool forWholeGrid) { ::DBGridGx_DoCopyAction(this, forWholeGrid); }
void TCustomDBGridGx::DBGridGx_DoPasteAction(bool forWholeGrid) { ::DBGridGx_DoPasteAction(this, forWholeGrid); }
void TCustomDBGridGx::DBGridGx_DoCutAction(bool forWholeGrid) { ::DBGridGx_DoCutAction(this, forWholeGrid); }
void TCustomDBGridGx::DBGridGx_DoDeleteAction(bool forWholeGrid) { ::DBGridGx_DoDeleteAction(this, forWholeGrid); }

// ==== Writers ============================================================================================

TDBGridGxExport::TDBGridGxExport()
    : expCols_(std::make_unique<TColumnsGxList>()), colCellParams_(std::make_unique<TColCellParamsGx>()) {}

TDBGridGxExport::~TDBGridGxExport() = default;

std::string TDBGridGxExport::EncodeText(const AnsiString& text) const {
    return WriteUtf8 ? text.str() : Utf8ToCp1251(text.str());
}

void TDBGridGxExport::AppendEncoded(std::string& out, const AnsiString& text) const {
    const std::string& utf8 = text.str();
    const bool ascii =
        std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (WriteUtf8 || ascii) out += utf8;
    else out += Utf8ToCp1251(utf8);
}

void TDBGridGxExport::WriteBytes(const std::string& bytes) {
    if (!bytes.empty()) Stream->WriteBuffer(bytes.data(), static_cast<long long>(bytes.size()));
}

void TDBGridGxExport::WriteRecord(TColumnsGxList* Columns) {
    TColCellParamsGx* params = colCellParams_.get();
    TFont font;
    for (int i = 0; i < Columns->Count(); ++i) {
        TColumnGx* column = Columns->GetColumn(i);
        const bool events = DBGrid->OnGetCellParams || column->OnGetCellParams();
        // A writer of values has no use for the cell's text and colours unless events want them.
        if (!events && !UsesCellParams()) {
            WriteDataCell(column, params);
            continue;
        }
        column->FillColCellParams(params);
        TColor background = column->Color();
        params->Background = background;
        // A copy of the column's font only where an event may change it.
        if (!events) {
            WriteDataCell(column, params);
            continue;
        }
        font.Assign(column->Font());
        params->Font = &font;
        if (DBGrid->OnGetCellParams) DBGrid->OnGetCellParams(DBGrid, column, &font, background, 0);
        column->GetColCellParams(false, params);
        params->Background = background;
        params->Font = &font;
        WriteDataCell(column, params);
    }
}

void TDBGridGxExport::WriteFooter(TColumnsGxList* Columns, int FooterNo) {
    TFont font;
    for (int i = 0; i < Columns->Count(); ++i) {
        TColumnGx* column = Columns->GetColumn(i);
        const TImpExpFooterGx footer = DBGrid->ImpExpFooter(column, FooterNo);
        font.Assign(footer.Font ? footer.Font : DBGrid->FooterFont());
        TColor background = footer.Color;
        TAlignment alignment = footer.Alignment;
        AnsiString text = FooterText(column, FooterNo, footer, i);
        if (DBGrid->OnGetFooterParams)
            DBGrid->OnGetFooterParams(DBGrid, column->Index(), FooterNo, column, &font, background, alignment, 0, text);
        WriteFooterCell(i, FooterNo, column, &font, background, alignment, text);
    }
}

AnsiString TDBGridGxExport::FooterText(TColumnGx* Column, int FooterNo, const TImpExpFooterGx& Footer, int Position) {
    if (Footer.Kind == ifkOtherGx) return Footer.Text;
    const std::size_t at = static_cast<std::size_t>(Position + FooterNo * ExpCols()->Count());
    const std::int64_t raw = at < FooterValues.size() ? FooterValues[at] : 0;
    const double value = static_cast<double>(raw) / Currency::Scale;
    if (Footer.Kind == ifkCountGx) return FloatToStr(value);
    TDataSet* ds = gridDataSet(DBGrid);
    TField* field = !Footer.FieldName.IsEmpty() && ds ? ds->FindField(Footer.FieldName) : Column->Field();
    if (!field) return AnsiString();
    const AnsiString format = dynamic_cast<TNumericField*>(field) ? static_cast<TNumericField*>(field)->DisplayFormat()
                                                                   : AnsiString();
    switch (field->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
        if (!format.IsEmpty()) return FormatFloat(format, value);
        return AnsiString(std::to_string(Round(value)));
    case ftFloat:
    case ftCurrency: {
        if (!format.IsEmpty()) return FormatFloat(format, value);
        auto* f = dynamic_cast<TFloatField*>(field);
        const bool currency = f && f->IsCurrency();
        return FloatToStrF(value, currency ? ffCurrency : ffGeneral, f ? f->Precision() : 15,
                           currency ? FormatSettings().CurrencyDecimals : 0);
    }
    case ftBCD:
    case ftFMTBcd: {
        const Currency c = Currency::FromRaw(raw);
        if (!format.IsEmpty()) return FormatCurr(format, c);
        bool currency = false;
        if (auto* b = dynamic_cast<TBCDField*>(field)) currency = b->IsCurrency();
        else if (auto* f = dynamic_cast<TFloatField*>(field)) currency = f->IsCurrency();
        return currency ? CurrToStrF(c, ffCurrency, FormatSettings().CurrencyDecimals) : CurrToStr(c);
    }
    default: return AnsiString();
    }
}

void TDBGridGxExport::addFooterValues() {
    const int rows = DBGrid->FooterRowCount();
    if (rows <= 0) return;
    TDataSet* ds = gridDataSet(DBGrid);
    const int count = ExpCols()->Count();
    for (int r = 0; r < rows; ++r)
        for (int j = 0; j < count; ++j) {
            TColumnGx* column = ExpCols()->GetColumn(j);
            const TImpExpFooterGx footer = DBGrid->ImpExpFooter(column, r);
            if (footer.Kind == ifkOtherGx) continue;
            TField* field = !footer.FieldName.IsEmpty() && ds ? ds->FindField(footer.FieldName) : column->Field();
            if (!field) continue;
            std::int64_t& v = FooterValues[static_cast<std::size_t>(j + r * count)];
            if (footer.Kind == ifkSumGx) {
                if (!field->IsNull()) v = Round(field->AsFloat() * Currency::Scale + static_cast<double>(v));
            } else {
                v += Currency::Scale;
            }
        }
}

int TDBGridGxExport::ExportColumnWidth(TColumnGx* Column) {
    // Cells come column after column, so the entry after the last one found is tried first.
    if (nextWidth_ < widths_.size() && widths_[nextWidth_].first == Column) return widths_[nextWidth_++].second;
    for (std::size_t i = 0; i < widths_.size(); ++i)
        if (widths_[i].first == Column) {
            nextWidth_ = i + 1;
            return widths_[i].second;
        }
    widths_.emplace_back(Column, Column->Width());
    nextWidth_ = widths_.size();
    return widths_.back().second;
}

void TDBGridGxExport::ExportToStream(TStream* AStream, bool IsExportAll) {
    Stream = AStream;
    widths_.clear();
    nextWidth_ = 0;
    const TImpExpSelectionGx selection = IsExportAll ? TImpExpSelectionGx{gstAll} : DBGrid->ImpExpSelection();
    if (selection.SelectionType == gstNon) return;
    TDataSet* ds = gridDataSet(DBGrid);
    if (!ds || !ds->Active()) return;
    TColumnsGxList* columns = expCols_.get();
    auto start = [&] {
        FooterValues.assign(static_cast<std::size_t>(std::max(0, DBGrid->FooterRowCount()) * columns->Count()), 0);
        WritePrefix();
        if (DBGrid->Options() & dgTitles) WriteTitle(columns);
    };
    auto footers = [&] {
        for (int r = 0; r < DBGrid->FooterRowCount(); ++r) WriteFooter(columns, r);
    };
    auto allRecords = [&] {
        for (ds->First(); !ds->Eof(); ds->Next()) {
            WriteRecord(columns);
            addFooterValues();
        }
    };
    ds->DisableControls();
    DBGrid->SaveBookmark();
    try {
        switch (selection.SelectionType) {
        case gstRecordBookmarks:
            fillVisible(DBGrid, columns, 0, kMaxColumn);
            start();
            for (const TBookmark& bm : selection.Rows) {
                ds->GotoBookmark(bm);
                addFooterValues();
                WriteRecord(columns);
            }
            footers();
            break;
        case gstRectangle:
            fillVisible(DBGrid, columns, selection.LeftCol, selection.RightCol);
            start();
            ds->GotoBookmark(selection.TopRow);
            while (!ds->Eof()) {
                WriteRecord(columns);
                addFooterValues();
                if (sameBookmark(ds, ds->Bookmark(), selection.BottomRow)) break;
                ds->Next();
            }
            footers();
            break;
        case gstColumns:
            fillColumns(columns, selection.Columns);
            start();
            allRecords();
            footers();
            break;
        default:
            fillVisible(DBGrid, columns, 0, kMaxColumn);
            start();
            allRecords();
            footers();
            break;
        }
    } catch (...) {
        DBGrid->RestoreBookmark();
        ds->EnableControls();
        throw;
    }
    DBGrid->RestoreBookmark();
    ds->EnableControls();
    WriteSuffix();
}

void TDBGridGxExport::ExportToFile(const AnsiString& FileName, bool IsExportAll) {
    // The writers put out a cell in a few small pieces; straight into the file each piece would be
    // a system call of its own.
    TBufferedFileStream file(FileName, fmCreate);
    ExportToStream(&file, IsExportAll);
    file.FlushBuffer();
}

// ---- Text and CSV ---------------------------------------------------------------------------------------

void TDBGridGxExportAsText::ExportToStream(TStream* AStream, bool IsExportAll) {
    FirstRec = true;
    TDBGridGxExport::ExportToStream(AStream, IsExportAll);
}

void TDBGridGxExportAsText::CheckFirstRec() {
    if (!FirstRec) WriteBytes("\r\n");
    FirstRec = false;
}

void TDBGridGxExportAsText::CheckFirstCell() {
    if (!FirstCell) WriteBytes("\t");
    FirstCell = false;
}

void TDBGridGxExportAsText::WriteCellText(const AnsiString& text) { WriteBytes(EncodeText(text)); }

void TDBGridGxExportAsText::WriteTitle(TColumnsGxList* Columns) {
    CheckFirstRec();
    FirstCell = true;
    for (int i = 0; i < Columns->Count(); ++i) {
        CheckFirstCell();
        WriteCellText(Columns->GetColumn(i)->Title()->Caption());
    }
}

void TDBGridGxExportAsText::WriteRecord(TColumnsGxList* Columns) {
    CheckFirstRec();
    FirstCell = true;
    TDBGridGxExport::WriteRecord(Columns);
}

void TDBGridGxExportAsText::WriteDataCell(TColumnGx*, TColCellParamsGx* CellParams) {
    CheckFirstCell();
    WriteCellText(CellParams->Text);
}

void TDBGridGxExportAsText::WriteFooter(TColumnsGxList* Columns, int FooterNo) {
    CheckFirstRec();
    FirstCell = true;
    TDBGridGxExport::WriteFooter(Columns, FooterNo);
}

void TDBGridGxExportAsText::WriteFooterCell(int, int, TColumnGx*, TFont*, TColor, TAlignment, const AnsiString& Text) {
    CheckFirstCell();
    WriteCellText(Text);
}

TDBGridGxExportAsCSV::TDBGridGxExportAsCSV() : Separator(DBGridGxImpExpCsvSeparator) {}

void TDBGridGxExportAsCSV::CheckFirstCell() {
    if (!FirstCell) WriteBytes(std::string(1, Separator));
    FirstCell = false;
}

void TDBGridGxExportAsCSV::WriteCellText(const AnsiString& text) {
    const std::string bytes = EncodeText(text);
    std::string quoted;
    quoted.reserve(bytes.size() + 2);
    quoted.push_back('"');
    for (char c : bytes) {
        if (c == '"') quoted.push_back('"');
        quoted.push_back(c);
    }
    quoted.push_back('"');
    WriteBytes(quoted);
}

// ---- The interchange format -------------------------------------------------------------------------------

void TDBGridGxExportAsVCLDBIF::WritePrefix() {
    std::vector<bool> visible;
    for (int i = 0; i < ExpCols()->Count(); ++i) visible.push_back(ExpCols()->GetColumn(i)->Visible());
    WriteVCLDBIFPrefixGx(Stream, visible);
}

void TDBGridGxExportAsVCLDBIF::WriteSuffix() { WriteVCLDBIFSuffixGx(Stream); }

void TDBGridGxExportAsVCLDBIF::WriteDataCell(TColumnGx* Column, TColCellParamsGx*) {
    WriteVCLDBIFValueGx(Stream, Column->Field());
}

// ==== Readers ==============================================================================================

TDBGridGxImport::TDBGridGxImport() : impCols_(std::make_unique<TColumnsGxList>()) {}
TDBGridGxImport::~TDBGridGxImport() = default;

TField* TDBGridGxImport::EditableTargetField(TColumnGx* Column) { return editableField(Column); }

void TDBGridGxImport::ReadRecord(TColumnsGxList* Columns) {
    for (int i = 0; i < Columns->Count(); ++i) ReadDataCell(Columns->GetColumn(i));
}

void TDBGridGxImport::ImportFromStream(TStream* AStream, bool IsImportAll) {
    Stream = AStream;
    Eof = false;
    TDataSet* ds = gridDataSet(DBGrid);
    if (!ds || !ds->Active()) return;
    if (IsImportAll) {
        DBGrid->ImpExpClearSelection();
        ds->First();
        if (DBGrid->VisibleColumns()->Count() > 0)
            DBGrid->SetSelectedIndex(DBGrid->VisibleColumns()->GetColumn(0)->Index());
    }
    const TImpExpSelectionGx selection = DBGrid->ImpExpSelection();
    bool appendMode = ds->Eof();
    bool insertMode = ds->State() == dsInsert;
    const bool remember = !insertMode;
    if (remember) DBGrid->SaveBookmark();
    ds->DisableControls();
    TColumnsGxList* columns = impCols_.get();
    auto insertAll = [&] {
        while (!Eof) {
            if (appendMode) ds->Append();
            else ds->Insert();
            ReadRecord(columns);
            if (editing(ds)) ds->Post();
            if (!appendMode) ds->Next();
        }
    };
    try {
        switch (selection.SelectionType) {
        case gstNon: {
            fillVisible(DBGrid, columns, std::max(0, DBGrid->SelectedIndex()), kMaxColumn);
            ReadPrefix();
            if (insertMode) {
                insertAll();
            } else {
                DBGrid->RestoreBookmark();
                while (!ds->Eof() && !Eof) {
                    ReadRecord(columns);
                    ds->Next();
                }
                if (!Eof && (DBGrid->AllowedOperations() & alopAppendGx)) {
                    appendMode = insertMode = true;
                    insertAll();
                }
            }
            break;
        }
        case gstRecordBookmarks:
            fillVisible(DBGrid, columns, 0, kMaxColumn);
            ReadPrefix();
            if (insertMode) insertAll();
            else
                for (const TBookmark& bm : selection.Rows) {
                    ds->GotoBookmark(bm);
                    ReadRecord(columns);
                }
            break;
        case gstRectangle:
            fillVisible(DBGrid, columns, selection.LeftCol, selection.RightCol);
            ReadPrefix();
            if (insertMode) {
                insertAll();
            } else {
                ds->GotoBookmark(selection.TopRow);
                while (!ds->Eof()) {
                    ReadRecord(columns);
                    if (sameBookmark(ds, ds->Bookmark(), selection.BottomRow)) break;
                    ds->Next();
                }
            }
            break;
        default:
            if (selection.SelectionType == gstColumns) fillColumns(columns, selection.Columns);
            else fillVisible(DBGrid, columns, 0, kMaxColumn);
            ReadPrefix();
            if (insertMode) insertAll();
            else
                for (ds->First(); !ds->Eof(); ds->Next()) ReadRecord(columns);
            break;
        }
    } catch (...) {
        if (remember) DBGrid->RestoreBookmark();
        ds->EnableControls();
        throw;
    }
    if (remember) DBGrid->RestoreBookmark();
    ds->EnableControls();
    ReadSuffix();
}

void TDBGridGxImport::ImportFromFile(const AnsiString& FileName, bool IsImportAll) {
    TFileStream file(FileName, fmOpenRead);
    ImportFromStream(&file, IsImportAll);
}

// ---- Text ---------------------------------------------------------------------------------------------------

void TDBGridGxImportAsText::ImportFromStream(TStream* AStream, bool IsImportAll) {
    IgnoreAll = false;
    const long long left = std::max(0LL, AStream->Size() - AStream->Position());
    std::string bytes(static_cast<std::size_t>(left), '\0');
    if (left > 0) AStream->ReadBuffer(bytes.data(), left);
    // The clipboard's text ends with a NUL; a file's last byte is its own.
    if (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    text_ = IsValidUtf8(bytes) ? std::move(bytes) : Cp1251ToUtf8(bytes);
    pos_ = 0;
    TDBGridGxImport::ImportFromStream(AStream, IsImportAll);
}

TImportTextSreamState TDBGridGxImportAsText::CheckState() {
    if (pos_ >= text_.size()) {
        State = itssEof;
        Eof = true;
        return State;
    }
    LastChar = text_[pos_++];
    if (LastChar == '\t') {
        State = itssTab;
    } else if (LastChar == '\r') {
        if (pos_ >= text_.size() || text_[pos_] != '\n')
            throw Exception("TDBGridGxImportAsText.CheckState: " + LoadResString(&SInvalidTextFormatGx));
        ++pos_;
        State = itssNewLine;
    } else {
        State = itssChar;
    }
    return State;
}

void TDBGridGxImportAsText::ReadPrefix() { CheckState(); }

AnsiString TDBGridGxImportAsText::ReadCellText() {
    std::string text;
    while (State == itssChar) {
        text.push_back(LastChar);
        CheckState();
    }
    if (State == itssTab) CheckState();
    return AnsiString(std::move(text));
}

void TDBGridGxImportAsText::ReadRecord(TColumnsGxList* Columns) {
    if (State == itssEof) return;
    int next = 0;
    auto give = [&] {
        if (next < Columns->Count()) ReadDataCell(Columns->GetColumn(next));
        ++next;
    };
    if (State == itssChar) {
        CellText = ReadCellText();
        give();
    }
    while (State != itssNewLine && State != itssEof) {
        if (State == itssTab) {
            CellText = AnsiString();
            CheckState();
        } else {
            CellText = ReadCellText();
        }
        give();
    }
    if (State == itssNewLine) CheckState();
}

void TDBGridGxImportAsText::ReadDataCell(TColumnGx* Column) {
    if (!Column->CanModify(false)) return;
    TField* column = Column->Field();
    if (column && column->FieldKind() == fkLookup && column->KeyFields().IsEmpty()) return;
    TField* field = editableField(Column);
    if (!field) return;
    try {
        if (column->FieldKind() == fkLookup) {
            TDataSet* lookup = column->LookupDataSet();
            if (lookup && lookup->Locate(column->LookupResultField(), Variant(CellText), loCaseInsensitive | loPartialKey))
                column->DataSet()->SetFieldValues(column->KeyFields(), lookup->FieldValues(column->LookupKeyFields()));
        } else if (Column->GetColumnType() == ctKeyPickList) {
            const int i = Column->PickList()->IndexOf(CellText);
            if (i < 0) field->Clear();
            else if (i < Column->KeyList()->Count()) field->SetText(Column->KeyList()->Strings(i));
        } else {
            field->SetText(CellText);
        }
    } catch (const EAbort&) {
        throw;
    } catch (const Exception& e) {
        ImportErrorPromptGx(e, IgnoreAll);
    }
}

// ---- The interchange format -------------------------------------------------------------------------------

void TDBGridGxImportAsVCLDBIF::ImportFromStream(TStream* AStream, bool IsImportAll) {
    ignoreAll_ = false;
    reader_ = std::make_unique<TVCLDBIFReaderGx>(AStream);
    try {
        TDBGridGxImport::ImportFromStream(AStream, IsImportAll);
    } catch (...) {
        reader_.reset();
        throw;
    }
    reader_.reset();
}

void TDBGridGxImportAsVCLDBIF::ReadPrefix() {
    reader_->ReadPrefix();
    Eof = reader_->Eof();
}

void TDBGridGxImportAsVCLDBIF::ReadRecord(TColumnsGxList* Columns) {
    for (int i = 0; i < reader_->ColCount() && !reader_->Eof(); ++i) {
        if (i < Columns->Count()) ReadDataCell(Columns->GetColumn(i));
        else reader_->ReadValue();
    }
    Eof = reader_->Eof();
}

void TDBGridGxImportAsVCLDBIF::ReadDataCell(TColumnGx* Column) {
    const Variant& value = reader_->LastValue();
    if (!value.IsEmpty() && Column->CanModify(false)) {
        try {
            AssignVCLDBIFValueGx(Column->Field(), value);
        } catch (const EAbort&) {
            throw;
        } catch (const Exception& e) {
            ImportErrorPromptGx(e, ignoreAll_);
        }
    }
    reader_->ReadValue();
    Eof = reader_->Eof();
}

// ==== Entry points =======================================================================================

void WriteDBGridGxToExportStream(TDBGridGxExportClass ExportClass, TCustomDBGridGx* Grid, TStream* Stream,
                                 bool IsExportAll) {
    std::unique_ptr<TDBGridGxExport> writer(ExportClass());
    writer->DBGrid = Grid;
    writer->ExportToStream(Stream, IsExportAll);
}

void SaveDBGridGxToExportFile(TDBGridGxExportClass ExportClass, TCustomDBGridGx* Grid, const AnsiString& FileName,
                              bool IsExportAll) {
    std::unique_ptr<TDBGridGxExport> writer(ExportClass());
    writer->DBGrid = Grid;
    writer->ExportToFile(FileName, IsExportAll);
}

void ReadDBGridGxFromImportStream(TDBGridGxImportClass ImportClass, TCustomDBGridGx* Grid, TStream* Stream,
                                  bool IsImportAll) {
    std::unique_ptr<TDBGridGxImport> reader(ImportClass());
    reader->DBGrid = Grid;
    reader->ImportFromStream(Stream, IsImportAll);
}

void LoadDBGridGxFromImportFile(TDBGridGxImportClass ImportClass, TCustomDBGridGx* Grid, const AnsiString& FileName,
                                bool IsImportAll) {
    std::unique_ptr<TDBGridGxImport> reader(ImportClass());
    reader->DBGrid = Grid;
    reader->ImportFromFile(FileName, IsImportAll);
}

// ==== The clipboard ======================================================================================

TClipboardFormat CF_VCLDBIF() {
    static const TClipboardFormat f = RegisterClipboardFormat("VCLDBIF");
    return f;
}
TClipboardFormat CF_CSVGx() {
    static const TClipboardFormat f = RegisterClipboardFormat("Csv");
    return f;
}
TClipboardFormat CF_RTFGx() {
    static const TClipboardFormat f = RegisterClipboardFormat("Rich Text Format");
    return f;
}

namespace {

// The formats are registered in this order when the unit is linked.
const bool formatsRegistered = (CF_VCLDBIF(), CF_CSVGx(), CF_RTFGx(), true);

// Exports into the stream, emptied first; the clipboard takes the bytes from the stream's memory.
void exportInto(TDBGridGxExportClass cls, TCustomDBGridGx* grid, TMemoryStreamGx& stream, bool all, bool utf8 = false) {
    stream.Clear();
    std::unique_ptr<TDBGridGxExport> writer(cls());
    writer->DBGrid = grid;
    writer->WriteUtf8 = utf8;
    writer->ExportToStream(&stream, all);
}

// The stream's bytes with a NUL after them as one clipboard format, and without it as another.
// The clipboard takes the stream's memory over: nothing is copied.
void takeTerminated(TClipboard* clip, TClipboardFormat plain, TClipboardFormat terminated, TMemoryStreamGx& stream) {
    const char nul = '\0';
    stream.SetPosition(stream.Size());
    stream.WriteBuffer(&nul, 1);
    clip->TakeAsBytes(terminated, stream, plain);
}

}  // namespace

void DBGridGx_DoCopyAction(TCustomDBGridGx* Grid, bool ForWholeGrid) {
    (void)formatsRegistered;
    TDataSet* ds = gridDataSet(Grid);
    TClipboard* clip = Clipboard();
    clip->Open();
    if (ds) ds->DisableControls();
    try {
        TMemoryStreamGx stream;
        stream.CapacityHalfStep = 65536;
        clip->Clear();
        // The text goes to the clipboard as it is inside the program, whatever Windows-1251 lacks.
        exportInto(ExportClassOf<TDBGridGxExportAsText>(), Grid, stream, ForWholeGrid, true);
        clip->TakeAsBytes(CF_TEXT, stream);
        exportInto(ExportClassOf<TDBGridGxExportAsCSV>(), Grid, stream, ForWholeGrid);
        takeTerminated(clip, RegisterClipboardFormat("text/csv"), CF_CSVGx(), stream);
        exportInto(ExportClassOf<TDBGridGxExportAsRTF>(), Grid, stream, ForWholeGrid);
        takeTerminated(clip, RegisterClipboardFormat("text/rtf"), CF_RTFGx(), stream);
        exportInto(ExportClassOf<TDBGridGxExportAsVCLDBIF>(), Grid, stream, ForWholeGrid);
        clip->TakeAsBytes(CF_VCLDBIF(), stream);
    } catch (...) {
        clip->Close();
        if (ds) ds->EnableControls();
        throw;
    }
    clip->Close();
    if (ds) ds->EnableControls();
}

void DBGridGx_DoCutAction(TCustomDBGridGx* Grid, bool ForWholeGrid) {
    DBGridGx_DoCopyAction(Grid, ForWholeGrid);
    DBGridGx_DoDeleteAction(Grid, ForWholeGrid);
}

void DBGridGx_DoPasteAction(TCustomDBGridGx* Grid, bool ForWholeGrid) {
    TClipboard* clip = Clipboard();
    clip->Open();
    try {
        if (clip->HasFormat(CF_VCLDBIF())) {
            const std::string bytes = clip->AsBytes(CF_VCLDBIF());
            TMemoryStream stream;
            if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<long long>(bytes.size()));
            stream.SetPosition(0);
            ReadDBGridGxFromImportStream(ImportClassOf<TDBGridGxImportAsVCLDBIF>(), Grid, &stream, ForWholeGrid);
        } else if (clip->HasFormat(CF_TEXT)) {
            std::string bytes = clip->AsText().str();
            bytes.push_back('\0');
            TMemoryStream stream;
            stream.WriteBuffer(bytes.data(), static_cast<long long>(bytes.size()));
            stream.SetPosition(0);
            ReadDBGridGxFromImportStream(ImportClassOf<TDBGridGxImportAsText>(), Grid, &stream, ForWholeGrid);
        }
    } catch (...) {
        clip->Close();
        throw;
    }
    clip->Close();
}

void DBGridGx_DoDeleteAction(TCustomDBGridGx* Grid, bool ForWholeGrid) {
    TDataSet* ds = gridDataSet(Grid);
    const TImpExpSelectionGx selection = ForWholeGrid ? TImpExpSelectionGx{gstAll} : Grid->ImpExpSelection();
    if (selection.SelectionType == gstNon || !ds) return;
    AnsiString question;
    if (selection.SelectionType == gstRecordBookmarks)
        question = selection.Rows.size() < 2 ? "Delete record?" : "Delete all selected records?";
    else if (selection.SelectionType == gstRectangle)
        question = LoadResString(&SClearSelectedCellsGx);
    if (!question.IsEmpty() && (Grid->Options() & dgConfirmDelete) &&
        MessageDlg(question, mtConfirmation, mbOKCancel) != mrOk)
        return;

    TColumnsGxList columns;
    auto clearCells = [&] {
        for (int i = 0; i < columns.Count(); ++i)
            if (TField* field = editableField(columns.GetColumn(i))) field->Clear();
    };
    // The walk's last cleared record is posted: left in edit state, the next close would drop it.
    auto postLast = [&] {
        if (editing(ds)) ds->Post();
    };
    Grid->SaveBookmark();
    ds->DisableControls();
    try {
        switch (selection.SelectionType) {
        case gstRecordBookmarks:
            for (const TBookmark& bm : selection.Rows) {
                ds->GotoBookmark(bm);
                ds->Delete();
            }
            Grid->ImpExpClearSelection();
            break;
        case gstRectangle:
            fillVisible(Grid, &columns, selection.LeftCol, selection.RightCol);
            ds->GotoBookmark(selection.TopRow);
            while (!ds->Eof()) {
                clearCells();
                if (sameBookmark(ds, ds->Bookmark(), selection.BottomRow)) break;
                ds->Next();
            }
            postLast();
            Grid->RestoreBookmark();
            break;
        case gstColumns:
            fillColumns(&columns, selection.Columns);
            for (ds->First(); !ds->Eof(); ds->Next()) clearCells();
            postLast();
            Grid->RestoreBookmark();
            break;
        default:
            ds->First();
            while (!ds->IsEmpty()) ds->Delete();
            break;
        }
    } catch (...) {
        ds->EnableControls();
        throw;
    }
    ds->EnableControls();
}
