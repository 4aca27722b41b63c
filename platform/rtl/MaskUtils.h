// Edit masks: the pattern language of masked edits and of a field's EditMask.
//
// A mask is "pattern[;save[;blank]]". In the pattern, L/l stand for a letter (required/optional),
// A/a for a letter or digit, C/c for any character, 0/9 for a digit, # for a digit or sign; ':' and
// '/' are the locale's time and date separators, '_' a blank, '\' makes the next character a
// literal, '>' and '<' switch to upper and lower case ('<>' back to as typed), '!' is accepted
// and has no effect here. save is '0' when the text holds only the typed characters and '1' (the
// default) when it holds the literals too; blank (default '_') stands for a character not typed.
//
// Positions count characters (code points), as the edit's caret does.
#pragma once

#include "rtl/AnsiString.h"

#include <string>
#include <vector>

// The text as the mask shows it.
AnsiString FormatMaskText(const AnsiString& editMask, const AnsiString& value);
// Whether the text of a mask includes its literals (the save section).
bool MaskGetMaskSave(const AnsiString& editMask);
// The character shown for a position that has no character (the blank section).
char MaskGetMaskBlank(const AnsiString& editMask);

// A mask taken apart into its positions, for an edit that types into it.
class TEditMaskPattern {
public:
    TEditMaskPattern() = default;
    explicit TEditMaskPattern(const AnsiString& editMask);

    bool Empty() const { return positions_.empty(); }
    int Count() const { return static_cast<int>(positions_.size()); }
    bool Save() const { return save_; }
    char Blank() const { return blank_; }
    bool IsLiteral(int pos) const;
    // The character a literal position always shows (UTF-8).
    const std::string& Literal(int pos) const;
    // A position that must be typed before the text is valid.
    bool IsRequired(int pos) const;
    // The character ch (UTF-8, one code point) as it goes into an input position: changed to the
    // position's case, or empty when the position does not take it.
    std::string Accept(int pos, const std::string& ch) const;
    // The input position at pos or the next one (Count() when there is none after it).
    int NextInput(int pos) const;
    // The input position before pos (-1 when there is none).
    int PriorInput(int pos) const;

    // The edit text of a value: literals in place, value's characters in the input positions
    // (literals the value carries are taken over when the mask saves them), blanks where the value
    // has none. Characters a position does not take leave it blank.
    std::vector<std::string> EditChars(const AnsiString& value) const;
    // The text of an edit text: blanks become spaces and, without the save section, the literals go.
    AnsiString TextOf(const std::vector<std::string>& editChars) const;
    // The first required position left blank, -1 when every one is typed.
    int FirstMissing(const std::vector<std::string>& editChars) const;

private:
    enum class Case { AsTyped, Upper, Lower };
    struct Position {
        bool literal = false;
        std::string text;  // the literal
        char kind = 0;     // L l A a C c 0 9 #
        Case letterCase = Case::AsTyped;
    };
    std::vector<Position> positions_;
    bool save_ = true;
    char blank_ = '_';
};

// UTF-8 characters of s, one string each.
std::vector<std::string> Utf8Chars(const std::string& s);
