// Pens, fonts and string lists in colour INI files.
//
// Every widget with a colour file keeps its pens and fonts through these routines, so the key
// names (a prefix plus "Width", "Color", "Style"; "Size", "Color", "Name"; "Count", "L0", ...) are
// the same everywhere and files written by one widget are read by another of its kind.
#pragma once

#include "gui/Graphics.h"
#include "rtl/IniFiles.h"

#include <functional>

// A list count above this is taken for a damaged file: nobody keeps that many lines in a colour
// file, and believing it would make a reader loop for ages.
constexpr int MaxIniStringsCount = 10000;

// Prefix+"Width", Prefix+"Color", Prefix+"Style" (the ordinal of TPenStyle) as integers.
bool WritePenToIni(TCustomIniFile* ini, const AnsiString& section, const AnsiString& prefix, TPen* pen);
// The same keys, each with the pen's current value as the default, stored into the pen at once.
bool ReadPenFromIni(TCustomIniFile* ini, const AnsiString& section, const AnsiString& prefix, TPen* pen);

// Prefix+"Size" (points) and Prefix+"Color" as integers, then Prefix+"Name" as a string.
bool WriteFontToIni(TCustomIniFile* ini, const AnsiString& section, const AnsiString& prefix, TFont* font);
bool ReadFontFromIni(TCustomIniFile* ini, const AnsiString& section, const AnsiString& prefix, TFont* font);

// Prefix+"Count", then Prefix+"L0" ... one line each.
bool WriteStringsToIni(TCustomIniFile* ini, const AnsiString& section, const AnsiString& prefix,
                       TStringList* list);
// False, with the list unchanged, when the count is missing, negative or above MaxIniStringsCount;
// otherwise the list is replaced by the lines read (a missing line reads as "0").
bool ReadStringsFromIni(TCustomIniFile* ini, const AnsiString& section, const AnsiString& prefix,
                        TStringList* list);

// Opens the colour file, lets write put its keys in and writes the file back. False when any step
// failed (an unnamed or unwritable file); the failure does not escape.
bool UpdateColourFile(const AnsiString& fileName, const std::function<void(TCustomIniFile* ini)>& write);
// Opens the colour file and lets read take its keys; false when a step failed, with what was read
// before it kept.
bool ReadColourFile(const AnsiString& fileName, const std::function<void(TCustomIniFile* ini)>& read);

// A filled outline's look in its section of a colour file: the pen ("Pen" keys) and "BrushColor".
// The save writes the file; the load keeps the current values where keys are missing. False on a
// failure (an unnamed or unwritable file), which neither lets escape.
bool SaveOutlineToIni(const AnsiString& fileName, const AnsiString& section, TPen* pen, TBrush* brush);
bool LoadOutlineFromIni(const AnsiString& fileName, const AnsiString& section, TPen* pen, TBrush* brush);
