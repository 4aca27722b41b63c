// Edit masks: the pattern language of masked edits and of a field's EditMask.
//
// A mask is "pattern[;save[;blank]]". In the pattern, L/l stand for a letter (required/optional),
// A/a for a letter or digit, C/c for any character, 0/9 for a digit, # for a digit or sign; ':' and
// '/' are the locale's time and date separators, '_' a blank, '\' makes the next character a
// literal, '>' and '<' switch to upper and lower case ('<>' back to as typed), '!' is accepted
// and has no effect here. save is '0' when the text holds only the typed characters and '1' (the
// default) when it holds the literals too; blank (default '_') stands for a character not typed.
#pragma once

#include "rtl/AnsiString.h"

// The text as the mask shows it.
AnsiString FormatMaskText(const AnsiString& editMask, const AnsiString& value);
// Whether the text of a mask includes its literals (the save section).
bool MaskGetMaskSave(const AnsiString& editMask);
// The character shown for a position that has no character (the blank section).
char MaskGetMaskBlank(const AnsiString& editMask);
