// The scrambler of the password saved in the configuration file.
//
// Not encryption: it keeps the password from being read at a glance. A password of n characters
// becomes a text of 50 + 4n characters drawn from "0" .. "Z" (ASCII 48..90), different at every call
// because random key bytes go into it; UnscrambleText(ScrambleText(p)) == p for every password.
#pragma once

#include "rtl/AnsiString.h"

AnsiString ScrambleText(const AnsiString& text);
// The password again; a text that is no scrambled password (wrong length, characters outside the
// alphabet, a broken check) gives an empty text.
AnsiString UnscrambleText(const AnsiString& text);
