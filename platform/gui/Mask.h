// The masked edit: an edit whose text follows an edit mask (rtl/MaskUtils.h).
//
// With a mask the edit shows EditText: the mask's literals in place and the blank character where
// nothing was typed. Typing overwrites the input position at the caret (a character the position
// does not take beeps) and the caret jumps over literals; Backspace, Delete, cutting and clearing
// put blanks back. Text is the edit text with blanks as spaces, without the literals when the mask
// does not save them. Without a mask it is an ordinary edit.
#pragma once

#include "gui/StdCtrls.h"
#include "rtl/MaskUtils.h"

#include <string>
#include <vector>

PLANTMON_EXCEPTION(EDBEditError, Exception);

class TCustomMaskEdit : public TCustomEdit {
    PLANTMON_CLASS(TCustomMaskEdit, TCustomEdit)
public:
    explicit TCustomMaskEdit(TComponent* owner);

    AnsiString EditMask() const { return editMask_; }
    // A new mask shows the current text through it.
    void SetEditMask(const AnsiString& mask);
    bool IsMasked() const { return !pattern_.Empty(); }
    // What the edit shows: literals and blanks included (Text without a mask).
    AnsiString EditText() const;
    // Shows s as it stands, position by position (a character an input position does not take is
    // left blank).
    void SetEditText(const AnsiString& s);
    // With a mask and a modified text: raises EDBEditError, with the caret on the first required
    // position left blank.
    virtual void ValidateEdit();
    // Puts back the text the edit had when it was entered or last set, when it was modified since.
    virtual void Reset();

protected:
    // Asked before the user changes the text; False refuses the change.
    virtual bool EditCanModify() { return true; }
    virtual void ValidateError();
    AnsiString GetText() const override;
    void TextChanged() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(WideChar& key) override;
    void DefaultHandler(TMessage& m) override;
    void DoEnter() override;
    void CMExit(TMessage& m) override;

private:
    std::vector<std::string> chars() const;
    // Shows the characters with the caret at caret.
    void store(const std::vector<std::string>& chars, int caret);
    // Puts blanks into the input positions from start (count characters); false when nothing is
    // selected or the edit may not change.
    bool clearRange(std::vector<std::string>& chars, int start, int count);
    void typeText(const AnsiString& text);
    void cutSelection(bool copy);
    void moveCaret(WORD key);

    AnsiString editMask_;
    TEditMaskPattern pattern_;
    AnsiString oldValue_;
};

class TMaskEdit : public TCustomMaskEdit {
    PLANTMON_CLASS(TMaskEdit, TCustomMaskEdit)
public:
    explicit TMaskEdit(TComponent* owner) : TCustomMaskEdit(owner) {}
};
