// The main configuration file (<executable>.INI beside the executable) and the database login.
//
// LoadSettings reads it once, at the end of the main window's constructor; SaveSettings writes it
// back once, at the confirmed exit. In between, the settings dialog and the link consoles change the
// main window's fields only. Booleans are stored as "1"/"0", colours as "0x" + eight hexadecimal
// digits, MIN_RVF in the locale's number format, the password scrambled (Kvcrypt.h).
#pragma once

#include "gui/Graphics.h"
#include "rtl/AnsiString.h"

class TFormMain;
class TCustomIniFile;
class TSQLConnection;

// Reads the file into the main window's fields and the station settings of Global.h; asks for the
// login in the database login dialog when the password is not stored; then gives SQLConnection1
// the server, user and password and copies its parameter list to the other three connections. A
// missing file or key, or a value that cannot be read, leaves the field as it was.
void LoadSettings(TFormMain* form);
// Writes every setting back (the file is created when missing). A file that cannot be written
// raises the library's exception.
void SaveSettings(TFormMain* form);

// The eight keys of one colour section (Concentrat, PromProduct, Poroda, Coal, Water, SourceSludge,
// Discharge, Supply) into or from colors[0..7]. Reading stops at the first value that is no number:
// the keys before it are taken, that one and the rest keep their colours, and the result is false.
bool ReadColorSet(TFormMain* form, TColor* colors, TCustomIniFile* ini, const AnsiString& section);
bool WriteColorSet(TFormMain* form, const TColor* colors, TCustomIniFile* ini, const AnsiString& section);
// "0x" + the colour as eight upper-case hexadecimal digits.
AnsiString ColorToIniText(TColor color);

// Sets the line "key=value" of a connection's parameter list (SQLConnection1 when connection is
// null): the first line whose name (the text before "=") is key, ignoring letter case, is replaced;
// without one the line is appended.
void SetConnectionParam(TFormMain* form, const AnsiString& key, const AnsiString& value,
                        TSQLConnection* connection = nullptr);
