// Helpers of the main window's actions (the actions themselves are TFormMain's, app/Main.h).
#pragma once

#include "rtl/AnsiString.h"

class TCustomImageList;

// Starts a program file (with params, in dir) or opens any other file with the desktop's handler,
// without waiting. verb and showCommand are kept for the callers' sake; the texts are passed whole.
// Returns the shell's code: above 32 on success.
int RunShellExecute(const AnsiString& file, const AnsiString& params, const AnsiString& dir, const AnsiString& verb,
                    int showCommand);

// Where the outside file manager is looked for: the "Far" folder under "Program Files" beside the
// system folder, and its program file.
AnsiString FarFolder();
AnsiString FarProgram();

// Kinds of picture the actions show on the tool bar and the launcher (64 x 32).
enum class TActionPicture { None, Mnemo, Graph, Table, Log, Menu };
// Adds a picture of that kind, marked with the action's key, to images; the index it got.
int AddActionPicture(TCustomImageList* images, TActionPicture kind, const AnsiString& key);
