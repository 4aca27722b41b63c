// INI files with the rules of Windows profile files.
//
// - Section and key names match without regard to case (Cyrillic included); the first matching
//   section and, inside it, the first matching key win.
// - Values are read trimmed, and one pair of surrounding quotes is removed.
// - Lines starting with ';' are comments. Blank lines, comments, unknown lines and the order of
//   everything are kept when a value is written; only the written line changes.
// - A missing file, section or key gives the default. Writing creates the file and the section.
// - Files are written in UTF-8; a file that is not valid UTF-8 is read as Windows-1251, so the
//   plant's existing files keep loading (and are UTF-8 after the first write).
// - File names may use Windows spelling (".\Colors.INI"), see FileUtils.h.
#pragma once

#include "rtl/Classes.h"
#include "rtl/DateUtils.h"

#include <memory>

PLANTMON_EXCEPTION(EIniFileException, Exception);

namespace inifile_detail {
class Document;
}

class TCustomIniFile : public TObject {
    PLANTMON_CLASS(TCustomIniFile, TObject)
public:
    explicit TCustomIniFile(const AnsiString& fileName) : fileName_(fileName) {}
    const AnsiString& FileName() const noexcept { return fileName_; }

    virtual AnsiString ReadString(const AnsiString& section, const AnsiString& ident, const AnsiString& def) = 0;
    virtual void WriteString(const AnsiString& section, const AnsiString& ident, const AnsiString& value) = 0;
    // The leading integer of the value (decimal, or hexadecimal after "0x" or "$"), with an
    // optional sign; the default when the value does not start with one or does not fit.
    virtual int ReadInteger(const AnsiString& section, const AnsiString& ident, int def);
    virtual void WriteInteger(const AnsiString& section, const AnsiString& ident, int value);
    // ReadInteger != 0; written as "1" / "0".
    virtual bool ReadBool(const AnsiString& section, const AnsiString& ident, bool def);
    virtual void WriteBool(const AnsiString& section, const AnsiString& ident, bool value);
    // Written in the locale's format (FloatToStr); read with the locale's decimal separator or a
    // point, the default when the text is no number.
    virtual double ReadFloat(const AnsiString& section, const AnsiString& ident, double def);
    virtual void WriteFloat(const AnsiString& section, const AnsiString& ident, double value);

    // Key names of the section, in file order.
    virtual void ReadSection(const AnsiString& section, TStrings* strings) = 0;
    // Section names, each once, in file order.
    virtual void ReadSections(TStrings* strings) = 0;
    // "key=value" lines of the section.
    virtual void ReadSectionValues(const AnsiString& section, TStrings* strings) = 0;
    // Removes every section of that name with its lines.
    virtual void EraseSection(const AnsiString& section) = 0;
    virtual void DeleteKey(const AnsiString& section, const AnsiString& ident) = 0;
    virtual void UpdateFile() = 0;
    virtual bool SectionExists(const AnsiString& section);
    virtual bool ValueExists(const AnsiString& section, const AnsiString& ident);

private:
    AnsiString fileName_;
};

// Reads and writes go straight to the file: every write is on disk when the call returns, and a
// change made by another writer is seen by the next read.
class TIniFile : public TCustomIniFile {
    PLANTMON_CLASS(TIniFile, TCustomIniFile)
public:
    explicit TIniFile(const AnsiString& fileName);
    ~TIniFile() override;

    AnsiString ReadString(const AnsiString& section, const AnsiString& ident, const AnsiString& def) override;
    void WriteString(const AnsiString& section, const AnsiString& ident, const AnsiString& value) override;
    void ReadSection(const AnsiString& section, TStrings* strings) override;
    void ReadSections(TStrings* strings) override;
    void ReadSectionValues(const AnsiString& section, TStrings* strings) override;
    void EraseSection(const AnsiString& section) override;
    void DeleteKey(const AnsiString& section, const AnsiString& ident) override;
    void UpdateFile() override {}

private:
    inifile_detail::Document& current();
    void store();
    std::unique_ptr<inifile_detail::Document> doc_;
};

// The whole file in memory: loaded by the constructor, written only by UpdateFile.
class TMemIniFile : public TCustomIniFile {
    PLANTMON_CLASS(TMemIniFile, TCustomIniFile)
public:
    explicit TMemIniFile(const AnsiString& fileName);
    ~TMemIniFile() override;

    AnsiString ReadString(const AnsiString& section, const AnsiString& ident, const AnsiString& def) override;
    void WriteString(const AnsiString& section, const AnsiString& ident, const AnsiString& value) override;
    void ReadSection(const AnsiString& section, TStrings* strings) override;
    void ReadSections(TStrings* strings) override;
    void ReadSectionValues(const AnsiString& section, TStrings* strings) override;
    void EraseSection(const AnsiString& section) override;
    void DeleteKey(const AnsiString& section, const AnsiString& ident) override;
    void UpdateFile() override;
    // Forgets every section (the file changes at the next UpdateFile).
    void Clear();

private:
    std::unique_ptr<inifile_detail::Document> doc_;
};

// The per-user settings store of the class library. Here a key path such as
// "Software\Plant\Grid" names an INI file under the user's configuration folder
// ($XDG_CONFIG_HOME, else ~/.config): plantmon/Software/Plant/Grid.ini. Sections and values work
// as in TIniFile.
class TRegIniFile : public TIniFile {
    PLANTMON_CLASS(TRegIniFile, TIniFile)
public:
    explicit TRegIniFile(const AnsiString& keyPath);
    static AnsiString StorePath(const AnsiString& keyPath);
};

// ---- Profile functions ---------------------------------------------------------------------------
// The Windows profile calls on a named file (relative names are relative to the current folder).
// GetPrivateProfileInt: the default when the file, the key or its value is missing; otherwise the
// leading decimal (or "0x" hexadecimal) digits; a value that is negative or does not start with a
// digit reads as 0.
unsigned GetPrivateProfileInt(const AnsiString& section, const AnsiString& key, int def, const AnsiString& fileName);
AnsiString GetPrivateProfileString(const AnsiString& section, const AnsiString& key, const AnsiString& def,
                                   const AnsiString& fileName);
// False when the file cannot be written.
bool WritePrivateProfileString(const AnsiString& section, const AnsiString& key, const AnsiString& value,
                               const AnsiString& fileName);
