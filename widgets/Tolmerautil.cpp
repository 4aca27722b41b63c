#include "widgets/Tolmerautil.h"

bool WritePenToIni(TCustomIniFile* ini, const AnsiString& section, const AnsiString& prefix, TPen* pen) {
    ini->WriteInteger(section, prefix + "Width", pen->Width());
    ini->WriteInteger(section, prefix + "Color", pen->Color());
    ini->WriteInteger(section, prefix + "Style", static_cast<int>(pen->Style()));
    return true;
}

bool ReadPenFromIni(TCustomIniFile* ini, const AnsiString& section, const AnsiString& prefix, TPen* pen) {
    pen->SetWidth(ini->ReadInteger(section, prefix + "Width", pen->Width()));
    pen->SetColor(ini->ReadInteger(section, prefix + "Color", pen->Color()));
    int style = ini->ReadInteger(section, prefix + "Style", static_cast<int>(pen->Style()));
    // An ordinal outside the enumeration would be no pen style at all; keep the current one.
    if (style >= psSolid && style <= psInsideFrame) pen->SetStyle(static_cast<TPenStyle>(style));
    return true;
}

bool WriteFontToIni(TCustomIniFile* ini, const AnsiString& section, const AnsiString& prefix, TFont* font) {
    ini->WriteInteger(section, prefix + "Size", font->Size());
    ini->WriteInteger(section, prefix + "Color", font->Color());
    ini->WriteString(section, prefix + "Name", font->Name());
    return true;
}

bool ReadFontFromIni(TCustomIniFile* ini, const AnsiString& section, const AnsiString& prefix, TFont* font) {
    font->SetSize(ini->ReadInteger(section, prefix + "Size", font->Size()));
    font->SetColor(ini->ReadInteger(section, prefix + "Color", font->Color()));
    font->SetName(ini->ReadString(section, prefix + "Name", font->Name()));
    return true;
}

bool WriteStringsToIni(TCustomIniFile* ini, const AnsiString& section, const AnsiString& prefix,
                       TStringList* list) {
    ini->WriteInteger(section, prefix + "Count", list->Count());
    for (int i = 0; i < list->Count(); ++i) ini->WriteString(section, prefix + "L" + IntToStr(i), list->Strings(i));
    return true;
}

bool ReadStringsFromIni(TCustomIniFile* ini, const AnsiString& section, const AnsiString& prefix,
                        TStringList* list) {
    int count = ini->ReadInteger(section, prefix + "Count", -1);
    if (count < 0 || count > MaxIniStringsCount) return false;
    list->BeginUpdate();
    try {
        list->Clear();
        for (int i = 0; i < count; ++i) list->Add(ini->ReadString(section, prefix + "L" + IntToStr(i), "0"));
    } catch (...) {
        list->EndUpdate();
        throw;
    }
    list->EndUpdate();
    return true;
}

bool UpdateColourFile(const AnsiString& fileName, const std::function<void(TCustomIniFile* ini)>& write) {
    try {
        TMemIniFile ini(fileName);
        write(&ini);
        ini.UpdateFile();
        return true;
    } catch (...) {
        return false;
    }
}

bool ReadColourFile(const AnsiString& fileName, const std::function<void(TCustomIniFile* ini)>& read) {
    try {
        TMemIniFile ini(fileName);
        read(&ini);
        return true;
    } catch (...) {
        return false;
    }
}

bool SaveOutlineToIni(const AnsiString& fileName, const AnsiString& section, TPen* pen, TBrush* brush) {
    return UpdateColourFile(fileName, [&](TCustomIniFile* ini) {
        WritePenToIni(ini, section, "Pen", pen);
        ini->WriteInteger(section, "BrushColor", brush->Color());
    });
}

bool LoadOutlineFromIni(const AnsiString& fileName, const AnsiString& section, TPen* pen, TBrush* brush) {
    return ReadColourFile(fileName, [&](TCustomIniFile* ini) {
        ReadPenFromIni(ini, section, "Pen", pen);
        brush->SetColor(ini->ReadInteger(section, "BrushColor", brush->Color()));
    });
}
