// TIniDataSet and TIniField: folders and hour files, the record list, navigation, appending and the
// fields of the current record.
#include "components/auxiliary/IniDataSet.h"

#include "gui/WinApi.h"
#include "rtl/FileUtils.h"
#include "rtl/MathUtils.h"

#include <cctype>
#include <climits>
#include <cmath>

namespace {

const char* const Header = "Header";
const char* const RecordTimeField = "RecordTime";

// Half a millisecond: the tolerance of a record time against the range limits.
constexpr TDateTime HalfMillisecond = OneMillisecond / 2;

void reportDamagedFile() { MessageBox(nullptr, "Файл поврежден!", "Ошибка", MB_OK | MB_ICONERROR); }

// The record number of a header key "R<n>" as the lookups spell it (no leading zeros, any letter
// case); -1 for any other key.
long long recordKeyNumber(const AnsiString& key) {
    const std::string& k = key.str();
    if (k.size() < 2 || k.size() > 11 || (k[0] != 'R' && k[0] != 'r')) return -1;
    if (k[1] == '0' && k.size() > 2) return -1;
    long long n = 0;
    for (std::size_t i = 1; i < k.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(k[i]))) return -1;
        n = n * 10 + (k[i] - '0');
    }
    return n;
}

}  // namespace

// The header of a record file, read in one pass: the record times by number, as many as the count
// names. A count below zero or beyond the last record key the file holds is damage.
TIniDataSet::HeaderKeys TIniDataSet::readHeader(TCustomIniFile& file) {
    HeaderKeys h;
    const int count = file.ReadInteger(Header, "RecordCount", 0);
    TStringList values;
    file.ReadSectionValues(Header, &values);
    for (int i = 0; i < values.Count(); ++i) {
        const AnsiString line = values.Strings(i);
        const int eq = line.Pos("=");
        const long long n = recordKeyNumber(eq > 0 ? Trim(line.SubString(1, eq - 1)) : line);
        if (n < 0 || n >= count) continue;
        h.times.emplace(static_cast<int>(n), line.SubString(eq + 1, line.Length() - eq));  // the first key wins
    }
    const int held = h.times.empty() ? 0 : h.times.rbegin()->first + 1;
    h.damaged = count < 0 || count > held;
    return h;
}

// ---- TIniField ---------------------------------------------------------------------------------------------

TIniField::TIniField(TIniDataSet* dataSet, const AnsiString& name, const AnsiString& value)
    : TComponent(nullptr), dataSet_(dataSet), name_(name), value_(value) {}

bool TIniField::Refresh() {
    if (!dataSet_->ini_) return false;
    if (name_ == RecordTimeField) value_ = FloatToStr(dataSet_->currentTime_);
    else value_ = dataSet_->ini_->ReadString(dataSet_->section_, name_, "");
    return true;
}

void TIniField::SetAsString(const AnsiString& s) {
    if (!dataSet_->ini_) return;
    try {
        dataSet_->ini_->WriteString(dataSet_->section_, name_, s);
    } catch (const Exception&) {
        return;  // the file cannot be written: the field keeps the value it has
    }
    value_ = s;
}

double TIniField::AsFloat() const { return TIniDataSet::StringToDouble(value_); }
void TIniField::SetAsFloat(double v) { SetAsString(FormatFloat("####0.#######", v)); }

int TIniField::AsInteger() const {
    double v = std::trunc(AsFloat());
    if (!(v >= INT_MIN && v <= INT_MAX)) return 0;  // a text beyond any integer reads as no number
    return static_cast<int>(v);
}

void TIniField::SetAsInteger(int n) { SetAsString(IntToStr(n)); }
bool TIniField::AsBool() const { return AsInteger() != 0; }
void TIniField::SetAsBool(bool b) { SetAsString(b ? "1" : "0"); }
TDateTime TIniField::AsDateTime() const { return AsFloat(); }

void TIniField::SetAsDateTime(TDateTime t) {
    AnsiString text = FloatToStr(t);
    if (text != value_) value_ = text;
}

// ---- TIniDataSet: construction, fields ------------------------------------------------------------------

TIniDataSet::TIniDataSet(TComponent* owner)
    : TComponent(owner), fieldList_(std::make_unique<TStringList>()), records_(std::make_unique<TStringList>()) {
    fieldList_->Add(RecordTimeField);
}

TIniDataSet::~TIniDataSet() = default;

int TIniDataSet::fieldCount() const { return std::min(fieldList_->Count(), MaxFields); }

int TIniDataSet::fieldIndex(const AnsiString& name) const {
    int i = fieldList_->IndexOf(name);
    return i < MaxFields ? i : -1;
}

void TIniDataSet::makeFields() {
    for (int i = 0; i < MaxFields; ++i)
        fields_[i] = i < fieldCount() ? std::make_unique<TIniField>(this, fieldList_->Strings(i), "") : nullptr;
}

void TIniDataSet::SetFieldList(TStrings* list) {
    if (!list) return;
    fieldList_->Clear();
    // A store has 50 field slots; further names are left out.
    for (int i = 0; i < list->Count() && i < MaxFields; ++i) fieldList_->Add(list->Strings(i));
    makeFields();
}

TIniField* TIniDataSet::FieldByName(const AnsiString& name) const {
    int i = fieldIndex(name);
    return i < 0 ? nullptr : fields_[i].get();
}

bool TIniDataSet::SetFieldValByName(const AnsiString& name, const AnsiString& value) {
    if (!ini_ || fieldIndex(name) < 0) return false;
    try {
        ini_->WriteString(section_, name, value);
    } catch (const Exception&) {
        return false;
    }
    return true;
}

AnsiString TIniDataSet::GetFieldValByName(const AnsiString& name) {
    if (!ini_ || fieldIndex(name) < 0) return AnsiString();
    return ini_->ReadString(section_, name, "");
}

bool TIniDataSet::ReloadRecord() {
    bool ok = true;
    for (int i = 0; i < fieldCount(); ++i) {
        try {
            if (fields_[i]) fields_[i]->Refresh();
        } catch (...) {
            ok = false;
        }
    }
    return ok;
}

// ---- Files and numbers -------------------------------------------------------------------------------------

AnsiString TIniDataSet::FolderNameByTime(TDateTime t) const {
    if (!dayToDir_) return rootDir_;
    return IncludeTrailingPathDelimiter(PosixPath(rootDir_)) + FormatDateTime("yyyy_mm_dd", t) + fileExt_;
}

AnsiString TIniDataSet::FileNameByTime(TDateTime t) const {
    AnsiString name = tableName_;
    if (hourToFile_) name += FormatDateTime("hh", t);
    return IncludeTrailingPathDelimiter(PosixPath(FolderNameByTime(t))) + name + fileExt_;
}

double TIniDataSet::StringToDouble(const AnsiString& s) {
    if (s.IsEmpty()) return 0;
    const TFormatSettings& fs = FormatSettings();
    double v = 0;
    if (TextToFloat(s, v, fs)) return v;
    std::string t = s.str();
    std::size_t p = t.find('.');
    if (p != std::string::npos) t[p] = ',';
    else if ((p = t.find(',')) != std::string::npos) t[p] = '.';
    else return 0;
    return TextToFloat(AnsiString(t), v, fs) ? v : 0;
}

void TIniDataSet::useFile(const AnsiString& fileName) {
    if (ini_ && ini_->FileName() == fileName) return;
    ini_ = std::make_unique<TIniFile>(fileName);
}

// ---- Active, range -------------------------------------------------------------------------------------------

void TIniDataSet::SetActive(bool b) {
    if (b == active_) return;
    if (!b) {
        ini_.reset();
        records_->Clear();
        recordCount_ = 0;
        currentTime_ = 0;
        for (auto& f : fields_) f.reset();
        active_ = false;
        return;
    }
    if (rootDir_.IsEmpty() || tableName_.IsEmpty()) {
        MessageBox(nullptr, "Set RootDir and TableName!", "Error", MB_OK | MB_ICONERROR);
        return;
    }
    if (!ForceDirectories(rootDir_)) {
        MessageBox(nullptr, "Invalid RootDir!", "Error", MB_OK | MB_ICONERROR);
        return;
    }
    makeFields();
    ReloadRecordList(rootDir_, true);
    active_ = true;
    First();
}

bool TIniDataSet::SetRange(TDateTime min, TDateTime max) {
    rangeMin_ = min;
    rangeMax_ = max;
    rangeIsOn_ = true;
    SetActive(false);
    SetActive(true);
    return true;
}

bool TIniDataSet::CancelRange() {
    rangeIsOn_ = false;
    SetActive(false);
    SetActive(true);
    return true;
}

// ---- Loading the record list -------------------------------------------------------------------------------

bool TIniDataSet::isTableFile(const AnsiString& name) const {
    // The whole name: another table whose name starts with this one ("TX" beside "T"), or any other
    // file with the extension, is not this table's. Spelt exactly as FileNameByTime spells it, since
    // that is the name the record is opened by again.
    int prefix = tableName_.Length(), ext = fileExt_.Length(), hour = hourToFile_ ? 2 : 0;
    if (name.Length() != prefix + hour + ext) return false;
    if (name.SubString(1, prefix) != tableName_) return false;
    if (name.SubString(prefix + hour + 1, ext) != fileExt_) return false;
    for (int i = 0; i < hour; ++i)
        if (!std::isdigit(static_cast<unsigned char>(name[prefix + 1 + i]))) return false;  // 1-based
    return true;
}

bool TIniDataSet::folderDay(const AnsiString& name, TDateTime& day) {
    if (name.Length() < 14) return false;
    int year, month, dayOfMonth;
    return TryStrToInt(name.SubString(1, 4), year) && TryStrToInt(name.SubString(6, 2), month) &&
           TryStrToInt(name.SubString(9, 2), dayOfMonth) && TryEncodeDate(year, month, dayOfMonth, day);
}

void TIniDataSet::loadFile(const AnsiString& fileName) {
    TMemIniFile file(fileName);
    const HeaderKeys header = readHeader(file);
    if (header.damaged) reportDamagedFile();
    // The keys in number order: the records the count names, without a step for each missing one.
    for (const auto& [number, v] : header.times) {
        if (v.IsEmpty()) continue;
        double t = StringToDouble(v);
        if (rangeIsOn_ && (t < rangeMin_ - HalfMillisecond || t > rangeMax_ + HalfMillisecond)) continue;
        if (!(t > 0)) continue;
        records_->Add(v);
        ++recordCount_;
    }
}

bool TIniDataSet::ReloadRecordList(const AnsiString& dir, bool top) {
    if (top) {
        records_->Clear();
        recordCount_ = 0;
    }
    AnsiString base = IncludeTrailingPathDelimiter(PosixPath(dir));
    AnsiString folderMask = (top ? AnsiString() : tableName_) + "*" + fileExt_;
    TSearchRec rec;
    for (int r = FindFirst(base + "*", faAnyFile, rec); r == 0; r = FindNext(rec)) {
        if (rec.Name == "." || rec.Name == "..") continue;
        if (rec.Attr & faDirectory) {
            if (!MatchesMask(rec.Name, folderMask)) continue;
            if (rangeIsOn_) {
                // Only day folders of the range; a name that holds no date is no day folder.
                TDateTime d0;
                if (!folderDay(rec.Name, d0)) continue;
                TDateTime d1 = d0 + EncodeTime(23, 59, 59, 999);
                if (d1 < rangeMin_ || d0 > rangeMax_) continue;
            }
            ReloadRecordList(base + rec.Name, false);
        } else if (isTableFile(rec.Name)) {
            loadFile(base + rec.Name);
        }
    }
    FindClose(rec);
    return true;
}

// ---- Navigation and appending ------------------------------------------------------------------------------

bool TIniDataSet::First() { return GotoRecordNumber(0); }
bool TIniDataSet::Last() { return GotoRecordNumber(records_->Count() - 1); }
bool TIniDataSet::Next() { return GotoRecordNumber(recordNumber_ + 1); }

bool TIniDataSet::Prior() {
    if (recordNumber_ - 1 < 0) return false;
    return GotoRecordNumber(recordNumber_ - 1);
}

bool TIniDataSet::GotoRecordNumber(int n) {
    if (!active_ || records_->Count() == 0 || n < 0 || n >= records_->Count()) return false;
    TDateTime t = StringToDouble(records_->Strings(n));
    currentTime_ = t;
    recordNumber_ = n;
    try {
        if (!ForceDirectories(FolderNameByTime(t))) return false;
    } catch (const Exception&) {
        return false;
    }
    useFile(FileNameByTime(t));
    DetectLocalRecordNumber();
    section_ = "R" + IntToStr(localRecordNumber_);
    ReloadRecord();
    return true;
}

bool TIniDataSet::Append(TDateTime t) {
    if (rangeIsOn_ && (t < rangeMin_ || t > rangeMax_)) return false;
    AnsiString text = FloatToStr(t);
    if (!appendMode_ && records_->IndexOf(text) >= 0) return false;
    try {
        if (!ForceDirectories(FolderNameByTime(t))) return false;
    } catch (const Exception&) {
        return false;
    }
    useFile(FileNameByTime(t));
    int n = ini_->ReadInteger(Header, "RecordCount", 0);
    // A count that is negative or cannot grow names no section a reader would find.
    if (n < 0 || n == INT_MAX) {
        reportDamagedFile();
        return false;
    }
    localRecordCount_ = n + 1;
    localRecordNumber_ = n;
    section_ = "R" + IntToStr(n);
    try {
        ini_->WriteInteger(Header, "RecordCount", n + 1);
        ini_->WriteString(Header, section_, text);
        for (int i = 1; i < fieldCount(); ++i) ini_->WriteString(section_, fieldList_->Strings(i), "");
    } catch (const Exception&) {
        return false;  // a file that cannot be written takes no record
    }
    records_->Add(text);
    recordNumber_ = recordCount_;
    ++recordCount_;
    return true;
}

// ---- The record within its file ------------------------------------------------------------------------------

int TIniDataSet::searchHeader(const AnsiString& target) {
    int lo = 0, hi = localRecordCount_ - 1;
    std::string t = target.str();
    if (headerKey(hi) == target) return hi;
    for (;;) {
        if (hi - lo <= 1) {
            if (headerKey(lo) == target) return lo;
            return headerKey(hi) == target ? hi : -1;
        }
        int mid = (lo + hi) / 2;
        AnsiString m = headerKey(mid);
        if (m.IsEmpty()) {
            reportDamagedFile();
            return -1;
        }
        if (t > m.str()) lo = mid;
        else if (t < m.str()) hi = mid;
        else return mid;
    }
}

bool TIniDataSet::DetectLocalRecordNumber() {
    localRecordCount_ = ini_ ? ini_->ReadInteger(Header, "RecordCount", 0) : 0;
    localRecordNumber_ = -1;
    if (localRecordCount_ < 1 || recordNumber_ < 0 || recordNumber_ >= records_->Count()) return false;
    const AnsiString target = records_->Strings(recordNumber_);
    const AnsiString first = headerKey(0);
    if (first.IsEmpty()) return false;
    int found = -1;
    if (rangeIsOn_) {
        // Only part of the file may be in the list: the header keys are searched.
        found = first == target ? 0 : searchHeader(target);
    } else {
        // The whole file was loaded in file order: the record lies as far from the file's first
        // record in the list as it does in the file.
        int k = records_->IndexOf(first);
        if (k >= 0) found = recordNumber_ - k;
    }
    // Accepted only where the header names the record's time: records appended to an earlier file
    // later, or two records of one time, do not sit where the arithmetic puts them.
    if (found < 0 || found >= localRecordCount_ || headerKey(found) != target) {
        // The n-th record of this time in the list is the n-th key of it in the header: the keys
        // the file holds are looked through once, however large its count.
        const HeaderKeys header = readHeader(*ini_);
        int before = 0;
        for (int i = 0; i < recordNumber_; ++i)
            if (records_->Strings(i) == target) ++before;
        found = -1;
        for (const auto& [number, time] : header.times) {
            if (time == target && before-- == 0) {
                found = number;
                break;
            }
        }
    }
    localRecordNumber_ = found;
    return found >= 0;
}
