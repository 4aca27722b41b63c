// Export and import of the grid. The interchange format VCLDBIF carries the typed values of the
// exported cells, so that a copy from one grid pastes into another with numbers, dates and binary
// values intact:
//
//   "VCLDBIF", version 1, column count C (int32), C descriptors (visible flag, name ended by 0),
//   then the values row by row, C per row, then the end tag 0.
//
// A value is a tag byte and its bytes, little-endian: 1 no value, 2 Null, 3 int32, 4 double (dates
// as day counts since 30 December 1899), 5 text and 6 binary data (both an int32 length and the
// bytes). Text goes in Windows-1251, binary content as it is.
//
// The writer and reader here work on fields; the grid's export and import walk its columns and
// records and hand each cell's field to them.
#pragma once

#include "data/DB.h"
#include "gridlib/grid/DBGridGx.h"
#include "gui/Clipbrd.h"
#include "rtl/Streams.h"
#include "rtl/Variant.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#pragma pack(push, 1)
struct TVCLDBIF_BOF {
    char Signature[7];
    std::uint8_t Version;
    std::int32_t ColCount;
};
struct TVCLDBIF_INTEGER32 {
    std::uint8_t Tag;
    std::int32_t Value;
};
struct TVCLDBIF_FLOAT64 {
    std::uint8_t Tag;
    double Value;
};
// A text or binary value: the header, then Length bytes.
struct TVCLDBIF_STRING {
    std::uint8_t Tag;
    std::int32_t Length;
};
struct TVCLDBIF_BINARY_DATA {
    std::uint8_t Tag;
    std::int32_t Length;
};
#pragma pack(pop)
static_assert(sizeof(TVCLDBIF_BOF) == 12 && sizeof(TVCLDBIF_INTEGER32) == 5 && sizeof(TVCLDBIF_FLOAT64) == 9 &&
              sizeof(TVCLDBIF_STRING) == 5 && sizeof(TVCLDBIF_BINARY_DATA) == 5);

enum TVCLDBIFTagGx : std::uint8_t {
    vdtEndGx = 0,
    vdtUnassignedGx = 1,
    vdtNullGx = 2,
    vdtInteger32Gx = 3,
    vdtFloat64Gx = 4,
    vdtStringGx = 5,
    vdtBinaryDataGx = 6,
};

// The field a cell's value is exported from and imported into: the field itself, or for a lookup
// field the key field it names (nullptr when that names none).
TField* ImpExpTargetFieldGx(TField* field);

// Writes the signature, version 1, the column count and one descriptor per column (its visible
// flag and an empty name).
void WriteVCLDBIFPrefixGx(TStream* stream, const std::vector<bool>& visibleColumns);
// One cell: the value of field (a lookup field's key field), or "no value" without a field.
void WriteVCLDBIFValueGx(TStream* stream, TField* field);
void WriteVCLDBIFSuffixGx(TStream* stream);

// Reads an interchange stream: the header, then one value after another. Every fault of the
// stream (a short read, another signature, a length below 0 or beyond the bytes left, values after
// a header of no columns) raises the one format error ("...: Неверный формат VCLDBIF").
class TVCLDBIFReaderGx {
public:
    explicit TVCLDBIFReaderGx(TStream* stream) : stream_(stream) {}

    // Reads the header and the column descriptors, then the first value.
    void ReadPrefix();
    // Reads the next value into LastValue (Unassigned for tag 1 and for tags not defined, which
    // consume nothing more); tag 0 ends the data (Eof). Nothing is read once the data ended.
    void ReadValue();

    const TVCLDBIF_BOF& Header() const noexcept { return header_; }
    int ColCount() const noexcept { return header_.ColCount; }
    // The descriptors: visible flags and names (Windows-1251, as stored).
    const std::vector<bool>& ColumnVisible() const noexcept { return visible_; }
    const std::vector<AnsiString>& ColumnNames() const noexcept { return names_; }
    bool HasNames() const noexcept { return hasNames_; }
    const Variant& LastValue() const noexcept { return value_; }
    bool Eof() const noexcept { return eof_; }

private:
    [[noreturn]] void formatError() const;
    void readExactly(void* data, long long size);
    TStream* stream_;
    TVCLDBIF_BOF header_{};
    std::vector<bool> visible_;
    std::vector<AnsiString> names_;
    bool hasNames_ = false;
    Variant value_;
    bool eof_ = false;
};

// Puts value read from an interchange stream into field (a lookup field's key field): nothing for
// an Unassigned value; when the dataset can be modified it goes into edit mode and, in edit or
// insert state, the field takes the value. Text comes back from
// Windows-1251, except into binary fields, which take the bytes as they are.
void AssignVCLDBIFValueGx(TField* field, const Variant& value);

// Offers a failed assignment of an imported value to the user unless ignoreAll is set: an error
// box with Yes, No and All. Yes goes on, All goes on and sets ignoreAll, No aborts the import
// silently (EAbort).
void ImportErrorPromptGx(const Exception& error, bool& ignoreAll);

// ==== Export and import of the grid ======================================================================
//
// A writer walks the exported part of a grid (the selection, or everything) and writes a prefix, a
// title row, one row per record, the footer rows and a suffix; a reader walks the same parts and
// fills the cells it reads. Exported files are Windows-1251 (a character with no code there
// becomes '?'); the clipboard's text is UTF-8. Imported text is UTF-8 when it is valid UTF-8 (a
// byte-order mark dropped), else Windows-1251.
class TDBGridGxExport;
class TDBGridGxImport;
// The class of a writer or reader: makes one.
using TDBGridGxExportClass = TDBGridGxExport* (*)();
using TDBGridGxImportClass = TDBGridGxImport* (*)();
template <class T>
constexpr TDBGridGxExportClass ExportClassOf() {
    return []() -> TDBGridGxExport* { return new T(); };
}
template <class T>
constexpr TDBGridGxImportClass ImportClassOf() {
    return []() -> TDBGridGxImport* { return new T(); };
}

// Footer values, row by row: index = column position + footer row * column count; Currency raw
// values (value * 10,000).
using TFooterValues = std::vector<std::int64_t>;

class TDBGridGxExport : public TObject {
    PLANTMON_CLASS(TDBGridGxExport, TObject)
public:
    TDBGridGxExport();
    ~TDBGridGxExport() override;

    virtual void WritePrefix() {}
    virtual void WriteSuffix() {}
    virtual void WriteTitle(TColumnsGxList* /*Columns*/) {}
    virtual void WriteRecord(TColumnsGxList* Columns);
    virtual void WriteDataCell(TColumnGx* /*Column*/, TColCellParamsGx* /*CellParams*/) {}
    virtual void WriteFooter(TColumnsGxList* Columns, int FooterNo);
    virtual void WriteFooterCell(int /*DataCol*/, int /*Row*/, TColumnGx* /*Column*/, TFont* /*AFont*/,
                                 TColor /*Background*/, TAlignment /*Alignment*/, const AnsiString& /*Text*/) {}
    virtual void ExportToStream(TStream* Stream, bool IsExportAll);
    virtual void ExportToFile(const AnsiString& FileName, bool IsExportAll);

    TCustomDBGridGx* DBGrid = nullptr;
    TStream* Stream = nullptr;
    TFooterValues FooterValues;

    // Whether WriteDataCell reads the cell's parameters (text, colours, font).
    virtual bool UsesCellParams() const { return true; }
    // Text as this writer puts it into its stream: Windows-1251, or UTF-8 when WriteUtf8 is set.
    std::string EncodeText(const AnsiString& text) const;
    // The same appended to out: plain ASCII, as most cells are, is copied as it stands.
    void AppendEncoded(std::string& out, const AnsiString& text) const;
    void WriteBytes(const std::string& bytes);
    bool WriteUtf8 = false;

protected:
    TColumnsGxList* ExpCols() const { return expCols_.get(); }
    TColCellParamsGx* ColCellParams() const { return colCellParams_.get(); }
    // The footer's text: the value computed over the exported records for sums and counts.
    AnsiString FooterText(TColumnGx* Column, int FooterNo, const TImpExpFooterGx& Footer, int Position);
    // --- speed ---
    // A column's width as the export began: a default width measures text in the column's font,
    // which per cell cost more than the rest of the cell.
    int ExportColumnWidth(TColumnGx* Column);

private:
    std::vector<std::pair<TColumnGx*, int>> widths_;
    std::size_t nextWidth_ = 0;  // where the next column's width is looked for first
    void addFooterValues();
    std::unique_ptr<TColumnsGxList> expCols_;
    std::unique_ptr<TColCellParamsGx> colCellParams_;
};

class TDBGridGxExportAsText : public TDBGridGxExport {
    PLANTMON_CLASS(TDBGridGxExportAsText, TDBGridGxExport)
public:
    void WriteTitle(TColumnsGxList* Columns) override;
    void WriteRecord(TColumnsGxList* Columns) override;
    void WriteDataCell(TColumnGx* Column, TColCellParamsGx* CellParams) override;
    void WriteFooter(TColumnsGxList* Columns, int FooterNo) override;
    void WriteFooterCell(int DataCol, int Row, TColumnGx* Column, TFont* AFont, TColor Background,
                         TAlignment Alignment, const AnsiString& Text) override;
    void ExportToStream(TStream* Stream, bool IsExportAll) override;
    virtual void CheckFirstRec();
    virtual void CheckFirstCell();

protected:
    virtual void WriteCellText(const AnsiString& text);
    bool FirstRec = true;
    bool FirstCell = true;
};

// The CSV separator, ';' at start.
extern char DBGridGxImpExpCsvSeparator;

class TDBGridGxExportAsCSV : public TDBGridGxExportAsText {
    PLANTMON_CLASS(TDBGridGxExportAsCSV, TDBGridGxExportAsText)
public:
    TDBGridGxExportAsCSV();
    void CheckFirstCell() override;

protected:
    void WriteCellText(const AnsiString& text) override;
    char Separator;
};

class TDBGridGxExportAsHTML : public TDBGridGxExport {
    PLANTMON_CLASS(TDBGridGxExportAsHTML, TDBGridGxExport)
public:
    void WritePrefix() override;
    void WriteSuffix() override;
    void WriteTitle(TColumnsGxList* Columns) override;
    void WriteRecord(TColumnsGxList* Columns) override;
    void WriteDataCell(TColumnGx* Column, TColCellParamsGx* CellParams) override;
    void WriteFooter(TColumnsGxList* Columns, int FooterNo) override;
    void WriteFooterCell(int DataCol, int Row, TColumnGx* Column, TFont* AFont, TColor Background,
                         TAlignment Alignment, const AnsiString& Text) override;

private:
    void put(const AnsiString& s);
    void putText(TFont* font, const AnsiString& text);
};

// An RTF cell waiting for its row's head, which needs the shading of every cell first.
struct TRtfPendingCellGx {
    TAlignment Alignment = taLeftJustify;
    std::unique_ptr<TFont> Font;
    TColor Background = clWindow;
    AnsiString Text;
};

class TDBGridGxExportAsRTF : public TDBGridGxExport {
    PLANTMON_CLASS(TDBGridGxExportAsRTF, TDBGridGxExport)
public:
    void WritePrefix() override {}
    void WriteSuffix() override;
    void WriteTitle(TColumnsGxList* Columns) override;
    void WriteRecord(TColumnsGxList* Columns) override;
    void WriteDataCell(TColumnGx* Column, TColCellParamsGx* CellParams) override;
    void WriteFooter(TColumnsGxList* Columns, int FooterNo) override;
    void WriteFooterCell(int DataCol, int Row, TColumnGx* Column, TFont* AFont, TColor Background,
                         TAlignment Alignment, const AnsiString& Text) override;
    void ExportToStream(TStream* Stream, bool IsExportAll) override;
    void ExportToFile(const AnsiString& FileName, bool IsExportAll) override;

    int GetColorIndex(TColor color);
    int GetFontIndex(const AnsiString& fontName);

private:
    void put(const AnsiString& s);
    void rowHead(TColumnsGxList* columns, const std::vector<TColor>& shading, const std::vector<unsigned>& borders);
    void cell(TAlignment alignment, const AnsiString& pad, TFont* font, TColor background, const AnsiString& text);
    std::unique_ptr<TMemoryStreamGx> cache_;
    std::unique_ptr<TStringList> colors_;
    std::unique_ptr<TStringList> fonts_;
    std::vector<TRtfPendingCellGx> pending_;
    std::map<TColor, int> colorIndexes_;  // the table's index of each colour met
    // --- speed: per-row work reused over the records ---
    std::size_t pendingUsed_ = 0;  // cells of pending_ in use; the rest keep their fonts for the next row
    int ppi_ = 0;                  // the grid canvas's resolution, read once per export
    AnsiString lastFontName_;      // the font name met last and its index in the font table
    int lastFontIndex_ = -1;
    void flushRow(TColumnsGxList* columns);
    void start();
    void release();
    std::string head();
    void exportBodyFirst(TStream* target, bool IsExportAll, bool inMemory);
    void addPending(TAlignment alignment, TFont* font, TColor background, const AnsiString& text);
};

class TDBGridGxExportAsXLS : public TDBGridGxExport {
    PLANTMON_CLASS(TDBGridGxExportAsXLS, TDBGridGxExport)
public:
    void WritePrefix() override;
    void WriteSuffix() override;
    void WriteTitle(TColumnsGxList* Columns) override;
    void WriteDataCell(TColumnGx* Column, TColCellParamsGx* CellParams) override;
    void WriteFooterCell(int DataCol, int Row, TColumnGx* Column, TFont* AFont, TColor Background,
                         TAlignment Alignment, const AnsiString& Text) override;
    void ExportToStream(TStream* Stream, bool IsExportAll) override;

    // The rows a worksheet has (its row numbers are 16 bits).
    static constexpr int MaxRows = 65536;

private:
    void advance();
    void writeLabel(const AnsiString& text);
    void writeNumber(double v);
    void writeRK(int v);
    void writeBlank();
    void writeRecordHeader(std::uint16_t type, std::uint16_t length);
    int row_ = 0;
    int col_ = 0;
};

class TDBGridGxExportAsVCLDBIF : public TDBGridGxExport {
    PLANTMON_CLASS(TDBGridGxExportAsVCLDBIF, TDBGridGxExport)
public:
    void WritePrefix() override;
    void WriteSuffix() override;
    void WriteDataCell(TColumnGx* Column, TColCellParamsGx* CellParams) override;
    bool UsesCellParams() const override { return false; }
};

class TDBGridGxImport : public TObject {
    PLANTMON_CLASS(TDBGridGxImport, TObject)
public:
    TDBGridGxImport();
    ~TDBGridGxImport() override;

    virtual void ReadPrefix() {}
    virtual void ReadSuffix() {}
    virtual void ReadRecord(TColumnsGxList* Columns);
    virtual void ReadDataCell(TColumnGx* /*Column*/) {}
    virtual void ImportFromStream(TStream* Stream, bool IsImportAll);
    virtual void ImportFromFile(const AnsiString& FileName, bool IsImportAll);

    TCustomDBGridGx* DBGrid = nullptr;
    TStream* Stream = nullptr;
    bool Eof = false;

protected:
    TColumnsGxList* ImpCols() const { return impCols_.get(); }
    // The field a cell goes into when its column can be modified and the field's dataset is (or can
    // be put) in edit or insert state; nullptr otherwise.
    TField* EditableTargetField(TColumnGx* Column);

private:
    std::unique_ptr<TColumnsGxList> impCols_;
};

enum TImportTextSreamState { itssChar, itssTab, itssNewLine, itssEof };

class TDBGridGxImportAsText : public TDBGridGxImport {
    PLANTMON_CLASS(TDBGridGxImportAsText, TDBGridGxImport)
public:
    void ReadPrefix() override;
    void ReadRecord(TColumnsGxList* Columns) override;
    void ReadDataCell(TColumnGx* Column) override;
    void ImportFromStream(TStream* Stream, bool IsImportAll) override;

protected:
    TImportTextSreamState CheckState();
    AnsiString ReadCellText();
    char LastChar = 0;
    TImportTextSreamState State = itssEof;
    AnsiString CellText;
    bool IgnoreAll = false;

private:
    // The text being read (UTF-8) and the next byte to read.
    std::string text_;
    std::size_t pos_ = 0;
};

class TDBGridGxImportAsVCLDBIF : public TDBGridGxImport {
    PLANTMON_CLASS(TDBGridGxImportAsVCLDBIF, TDBGridGxImport)
public:
    void ReadPrefix() override;
    void ReadRecord(TColumnsGxList* Columns) override;
    void ReadDataCell(TColumnGx* Column) override;
    void ImportFromStream(TStream* Stream, bool IsImportAll) override;

private:
    std::unique_ptr<TVCLDBIFReaderGx> reader_;
    bool ignoreAll_ = false;
};

// ---- Entry points ------------------------------------------------------------------------------------
void WriteDBGridGxToExportStream(TDBGridGxExportClass ExportClass, TCustomDBGridGx* Grid, TStream* Stream,
                                 bool IsExportAll);
void SaveDBGridGxToExportFile(TDBGridGxExportClass ExportClass, TCustomDBGridGx* Grid, const AnsiString& FileName,
                              bool IsExportAll);
void ReadDBGridGxFromImportStream(TDBGridGxImportClass ImportClass, TCustomDBGridGx* Grid, TStream* Stream,
                                  bool IsImportAll);
void LoadDBGridGxFromImportFile(TDBGridGxImportClass ImportClass, TCustomDBGridGx* Grid, const AnsiString& FileName,
                                bool IsImportAll);

// ---- The clipboard -----------------------------------------------------------------------------------
// The interchange format, registered under its name when the unit starts; also "Csv" and
// "Rich Text Format" (byte-exact with their NUL) and "text/csv" and "text/rtf" (without it) for
// other programs.
TClipboardFormat CF_VCLDBIF();
TClipboardFormat CF_CSVGx();
TClipboardFormat CF_RTFGx();

// Copy places the text (UTF-8), CSV, RTF and the interchange format of the selection (or the whole
// grid); Cut copies, then deletes; Paste imports the interchange format when the clipboard holds
// it, else its text; Delete deletes the selected records or clears the selected cells.
void DBGridGx_DoCopyAction(TCustomDBGridGx* Grid, bool ForWholeGrid);
void DBGridGx_DoCutAction(TCustomDBGridGx* Grid, bool ForWholeGrid);
void DBGridGx_DoPasteAction(TCustomDBGridGx* Grid, bool ForWholeGrid);
void DBGridGx_DoDeleteAction(TCustomDBGridGx* Grid, bool ForWholeGrid);
