// Helpers of the main window's actions (the actions themselves are TFormMain's, app/Main.h).
#pragma once

#include "rtl/AnsiString.h"

class TCustomImageList;

// Starts a program file (with params, in dir) or opens any other file or folder with the desktop's
// handler, without waiting, through the system host. The verb is always "open" here; SW_SHOWMAXIMIZED
// asks for a maximized window. The texts are passed whole. Returns the shell's code: above 32 on success.
int RunShellExecute(const AnsiString& file, const AnsiString& params, const AnsiString& dir, const AnsiString& verb,
                    int showCommand);

// The folder the file-manager action opens: the program's own (without a closing "/").
AnsiString ProgramFolder();

// Kinds of picture the actions show on the tool bar and the launcher (64 x 32).
enum class TActionPicture { None, Mnemo, Graph, Table, Log, Menu };
// Adds a picture of that kind, marked with the action's key, to images; the index it got.
int AddActionPicture(TCustomImageList* images, TActionPicture kind, const AnsiString& key);
