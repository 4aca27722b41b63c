// TIniDataSet: time-stamped records kept in INI files.
//
// Layout under RootDir (FileExt ".KVD" by default):
//   RootDir/2010_05_17.KVD/T14.KVD    with DayToDir a folder per day, with HourToFile a file per hour
//   [Header] RecordCount=2, R0=<time>, R1=<time>     the file's records by time (general float text)
//   [R0] Field1=..., Field2=...                       one section per record, a key per field
//
// The store keeps the record times of the whole store (or of a time range) in a list, in the order
// the folders were found and the records appended, moves through it record by record and reads and
// writes the fields of the current record through TIniField objects, one per FieldList name (the
// first name is the record-time field). Every write goes to the file at once.
#pragma once

#include "rtl/Classes.h"
#include "rtl/DateUtils.h"
#include "rtl/IniFiles.h"

#include <array>
#include <map>
#include <memory>

class TIniDataSet;

// One field of the current record.
class TIniField : public TComponent {
    PLANTMON_CLASS(TIniField, TComponent)
public:
    TIniField(TIniDataSet* dataSet, const AnsiString& name, const AnsiString& value);

    const AnsiString& FieldName() const { return name_; }
    // Takes the value of the current record (the record time for "RecordTime"); false without a
    // current file.
    bool Refresh();

    AnsiString AsString() const { return value_; }
    // Written to the current record's section; nothing happens without a current file.
    void SetAsString(const AnsiString& s);
    double AsFloat() const;
    void SetAsFloat(double v);
    int AsInteger() const;
    void SetAsInteger(int n);
    bool AsBool() const;
    void SetAsBool(bool b);
    TDateTime AsDateTime() const;
    // Changes the value in memory only.
    void SetAsDateTime(TDateTime t);

private:
    TIniDataSet* dataSet_;
    AnsiString name_;
    AnsiString value_;
};

class TIniDataSet : public TComponent {
    PLANTMON_CLASS(TIniDataSet, TComponent)
public:
    static constexpr int MaxFields = 50;

    explicit TIniDataSet(TComponent* owner);
    ~TIniDataSet() override;

    // ---- Records ------------------------------------------------------------------------------------------
    bool Append(TDateTime t);
    bool First();
    bool Last();
    bool Next();
    bool Prior();
    bool GotoRecordNumber(int n);
    bool SetRange(TDateTime min, TDateTime max);
    bool CancelRange();
    bool ReloadRecordList(const AnsiString& dir, bool top);
    bool ReloadRecord();
    bool Refresh() { return ReloadRecord(); }
    bool DetectLocalRecordNumber();
    // Removes nothing: whether the store is active.
    bool Delete() { return active_; }

    // ---- Fields ------------------------------------------------------------------------------------------
    TIniField* FieldByName(const AnsiString& name) const;
    bool SetFieldValByName(const AnsiString& name, const AnsiString& value);
    AnsiString GetFieldValByName(const AnsiString& name);

    // ---- Files and numbers ------------------------------------------------------------------------------------
    AnsiString FolderNameByTime(TDateTime t) const;
    AnsiString FileNameByTime(TDateTime t) const;
    // A number written with either decimal separator; 0 for an empty text or one that is no number.
    static double StringToDouble(const AnsiString& s);

    // ---- Properties ----------------------------------------------------------------------------------------
    AnsiString RootDir() const { return rootDir_; }
    void SetRootDir(const AnsiString& s) { rootDir_ = s; }
    AnsiString TableName() const { return tableName_; }
    void SetTableName(const AnsiString& s) { tableName_ = s; }
    AnsiString FileExt() const { return fileExt_; }
    void SetFileExt(const AnsiString& s) { fileExt_ = s; }
    bool DayToDir() const { return dayToDir_; }
    void SetDayToDir(bool b) { dayToDir_ = b; }
    bool HourToFile() const { return hourToFile_; }
    void SetHourToFile(bool b) { hourToFile_ = b; }
    bool AppendMode() const { return appendMode_; }
    void SetAppendMode(bool b) { appendMode_ = b; }
    // The field names; the first is the record-time field. Names past the 50th have no field.
    TStrings* FieldList() const { return fieldList_.get(); }
    void SetFieldList(TStrings* list);
    bool DinamicFieldList() const { return dinamicFieldList_; }
    void SetDinamicFieldList(bool b) { dinamicFieldList_ = b; }
    TDateTime RangeMin() const { return rangeMin_; }
    void SetRangeMin(TDateTime t) { rangeMin_ = t; }
    TDateTime RangeMax() const { return rangeMax_; }
    void SetRangeMax(TDateTime t) { rangeMax_ = t; }
    bool RangeIsOn() const { return rangeIsOn_; }
    void SetRangeIsOn(bool b) { rangeIsOn_ = b; }
    bool Active() const { return active_; }
    void SetActive(bool b);
    int RecordCount() const { return recordCount_; }
    void SetRecordCount(int n) { recordCount_ = n; }
    int RecordNumber() const { return recordNumber_; }
    void SetRecordNumber(int n) { recordNumber_ = n; }
    int LocalRecordCount() const { return localRecordCount_; }
    void SetLocalRecordCount(int n) { localRecordCount_ = n; }
    int LocalRecordNumber() const { return localRecordNumber_; }
    void SetLocalRecordNumber(int n) { localRecordNumber_ = n; }

private:
    friend class TIniField;
    // The FieldList names that have a field: the first 50.
    int fieldCount() const;
    int fieldIndex(const AnsiString& name) const;
    void makeFields();
    // Makes the file the current one (kept when it already is).
    void useFile(const AnsiString& fileName);
    AnsiString headerKey(int n) { return ini_->ReadString("Header", "R" + IntToStr(n), ""); }
    // A file's header: the times of the record keys that "RecordCount" names.
    struct HeaderKeys {
        bool damaged = false;  // the count is negative or names records beyond the last key
        std::map<int, AnsiString> times;
    };
    static HeaderKeys readHeader(TCustomIniFile& file);
    // Whether a file found in a store folder belongs to this table.
    bool isTableFile(const AnsiString& name) const;
    void loadFile(const AnsiString& fileName);
    // The first day of a day folder's name ("2010_05_17.KVD"); false when it holds no valid date.
    static bool folderDay(const AnsiString& name, TDateTime& day);
    // The section of the record in its file by a binary search of the header keys (time range on).
    int searchHeader(const AnsiString& target);

    AnsiString rootDir_, tableName_, fileExt_ = ".KVD";
    bool dayToDir_ = true, hourToFile_ = true, appendMode_ = true;
    std::unique_ptr<TStringList> fieldList_;
    bool dinamicFieldList_ = false;
    TDateTime rangeMin_ = 0, rangeMax_ = 0;
    bool rangeIsOn_ = false;
    bool active_ = false;
    int recordCount_ = 0, recordNumber_ = 0, localRecordCount_ = 0, localRecordNumber_ = 0;

    std::unique_ptr<TStringList> records_;
    TDateTime currentTime_ = 0;
    AnsiString section_;
    std::unique_ptr<TIniFile> ini_;
    std::array<std::unique_ptr<TIniField>, MaxFields> fields_;
};
