#include "gui/Mask.h"

#include "gui/WinApi.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <algorithm>

namespace {
AnsiString as(const QString& s) { return AnsiString(s.toStdString()); }

std::string joined(const std::vector<std::string>& chars) {
    std::string out;
    for (const std::string& c : chars) out += c;
    return out;
}
}  // namespace

TCustomMaskEdit::TCustomMaskEdit(TComponent* owner) : TCustomEdit(owner) {}

void TCustomMaskEdit::SetEditMask(const AnsiString& mask) {
    if (mask == editMask_) return;
    AnsiString text = Text();
    editMask_ = mask;
    pattern_ = TEditMaskPattern(mask);
    if (line_) line_->setMaxLength(IsMasked() ? 32767 : (MaxLength() == 0 ? 32767 : MaxLength()));
    text_ = text;
    TextChanged();
}

std::vector<std::string> TCustomMaskEdit::chars() const {
    std::vector<std::string> c = Utf8Chars(NativeText().str());
    c.resize(static_cast<std::size_t>(pattern_.Count()), std::string(1, pattern_.Blank()));
    return c;
}

AnsiString TCustomMaskEdit::EditText() const {
    if (!IsMasked()) return TCustomEdit::GetText();
    return NativeText();
}

void TCustomMaskEdit::SetEditText(const AnsiString& s) {
    if (!IsMasked()) {
        SetText(s);
        return;
    }
    // Position by position: the literals stay, an input position keeps a character it takes.
    std::vector<std::string> given = Utf8Chars(s.str());
    std::vector<std::string> out;
    for (int i = 0; i < pattern_.Count(); ++i) {
        if (pattern_.IsLiteral(i)) {
            out.push_back(pattern_.Literal(i));
            continue;
        }
        std::string ch = i < static_cast<int>(given.size()) ? pattern_.Accept(i, given[static_cast<std::size_t>(i)]) : "";
        out.push_back(ch.empty() ? std::string(1, pattern_.Blank()) : ch);
    }
    if (NativeText() == AnsiString(joined(out))) return;
    SetNativeText(AnsiString(joined(out)));
    SetSelStart(pattern_.NextInput(0));
}

AnsiString TCustomMaskEdit::GetText() const {
    if (!IsMasked()) return TCustomEdit::GetText();
    return pattern_.TextOf(chars());
}

void TCustomMaskEdit::TextChanged() {
    if (!IsMasked()) {
        TCustomEdit::TextChanged();
        oldValue_ = EditText();
        return;
    }
    std::string shown = joined(pattern_.EditChars(text_));
    SetNativeText(AnsiString(shown));
    SetModified(false);
    oldValue_ = AnsiString(shown);
}

void TCustomMaskEdit::store(const std::vector<std::string>& c, int caret) {
    // Modified already when the change is told (OnChange).
    SetModified(true);
    if (line_) {
        line_->setText(QString::fromStdString(joined(c)));
        line_->setCursorPosition(std::clamp(caret, 0, pattern_.Count()));
    } else {
        // The change is the user's: it is told like typing is.
        if (multi_) multi_->setPlainText(QString::fromStdString(joined(c)));
        SetSelStart(std::clamp(caret, 0, pattern_.Count()));
    }
}

bool TCustomMaskEdit::clearRange(std::vector<std::string>& c, int start, int count) {
    if (count <= 0) return false;
    for (int i = start; i < start + count && i < pattern_.Count(); ++i)
        if (!pattern_.IsLiteral(i)) c[static_cast<std::size_t>(i)] = std::string(1, pattern_.Blank());
    return true;
}

void TCustomMaskEdit::moveCaret(WORD key) {
    int p = SelStart() + (key == VK_RIGHT ? SelLength() : 0);
    int to = p;
    switch (key) {
    case VK_LEFT: {
        int prior = pattern_.PriorInput(p);
        to = prior < 0 ? pattern_.NextInput(0) : prior;
        break;
    }
    case VK_RIGHT: to = std::min(pattern_.Count(), pattern_.NextInput(std::min(p + 1, pattern_.Count()))); break;
    case VK_HOME: to = pattern_.NextInput(0); break;
    case VK_END: to = pattern_.PriorInput(pattern_.Count()) + 1; break;
    default: break;
    }
    SetSelStart(to);
}

void TCustomMaskEdit::typeText(const AnsiString& text) {
    std::vector<std::string> c = chars();
    int p = SelStart();
    clearRange(c, p, SelLength());
    bool typed = false;
    for (const std::string& ch : Utf8Chars(text.str())) {
        int pos = pattern_.NextInput(p);
        if (pos >= pattern_.Count()) {
            MessageBeep(0);
            break;
        }
        std::string accepted = pattern_.Accept(pos, ch);
        if (accepted.empty()) {
            // The next literal typed moves past it (the input positions before it stay blank).
            int lit = p;
            while (lit < pattern_.Count() && !pattern_.IsLiteral(lit)) ++lit;
            if (lit < pattern_.Count() && pattern_.Literal(lit) == ch) {
                p = std::min(pattern_.Count(), pattern_.NextInput(lit + 1));
                typed = true;
                continue;
            }
            MessageBeep(0);
            break;
        }
        c[static_cast<std::size_t>(pos)] = accepted;
        p = std::min(pattern_.Count(), pattern_.NextInput(pos + 1));
        typed = true;
    }
    if (typed) store(c, p);
}

void TCustomMaskEdit::cutSelection(bool copy) {
    if (SelLength() <= 0) return;
    if (copy) CopyToClipboard();
    if (!EditCanModify()) return;
    std::vector<std::string> c = chars();
    int p = SelStart();
    clearRange(c, p, SelLength());
    store(c, p);
}

void TCustomMaskEdit::KeyDown(WORD& key, TShiftState shift) {
    TCustomEdit::KeyDown(key, shift);
    if (!IsMasked() || key == 0 || (shift & ssAlt)) return;
    const bool ctrl = shift & ssCtrl;
    const bool shifted = shift & ssShift;
    if ((ctrl && key == 'V') || (shifted && key == VK_INSERT)) {
        if (!ReadOnly() && EditCanModify()) typeText(as(QGuiApplication::clipboard()->text()));
        key = 0;
        return;
    }
    if ((ctrl && key == 'X') || (shifted && key == VK_DELETE)) {
        if (!ReadOnly()) cutSelection(true);
        key = 0;
        return;
    }
    switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_HOME:
    case VK_END:
        // Selecting with Shift stays the edit's own; a plain move jumps over literals.
        if (shifted) return;
        moveCaret(key);
        key = 0;
        return;
    case VK_BACK:
    case VK_DELETE: {
        if (ReadOnly() || !EditCanModify()) {
            key = 0;
            return;
        }
        std::vector<std::string> c = chars();
        int p = SelStart();
        if (clearRange(c, p, SelLength())) {
            store(c, p);
        } else if (key == VK_BACK) {
            int pos = pattern_.PriorInput(p);
            if (pos >= 0) {
                c[static_cast<std::size_t>(pos)] = std::string(1, pattern_.Blank());
                store(c, pos);
            }
        } else {
            int pos = pattern_.NextInput(p);
            if (pos < pattern_.Count()) {
                c[static_cast<std::size_t>(pos)] = std::string(1, pattern_.Blank());
                store(c, p);
            }
        }
        key = 0;
        return;
    }
    default: return;
    }
}

void TCustomMaskEdit::KeyPress(WideChar& key) {
    TCustomEdit::KeyPress(key);
    if (!IsMasked() || key == 0) return;
    // Control characters other than the clipboard ones are the edit's own (Return, Escape, Tab).
    if (key < 32 && key != 8 && key != 0x16 && key != 0x18) return;
    if (key >= 32 && !ReadOnly() && EditCanModify()) typeText(CharToText(key));
    key = 0;
}

void TCustomMaskEdit::DefaultHandler(TMessage& m) {
    if (IsMasked()) {
        switch (m.Msg) {
        case WM_PASTE:
            if (!ReadOnly() && EditCanModify()) typeText(as(QGuiApplication::clipboard()->text()));
            return;
        case WM_CUT:
            if (!ReadOnly()) cutSelection(true);
            return;
        case WM_CLEAR:
            if (!ReadOnly()) cutSelection(false);
            return;
        default: break;
        }
    }
    TCustomEdit::DefaultHandler(m);
}

void TCustomMaskEdit::ValidateEdit() {
    if (!IsMasked() || !Modified()) return;
    int missing = pattern_.FirstMissing(chars());
    if (missing < 0) return;
    SetSelStart(missing);
    ValidateError();
}

void TCustomMaskEdit::ValidateError() {
    MessageBeep(0);
    throw EDBEditError("Значение не заполнено по маске «" + editMask_ + "». Нажмите Esc, чтобы отменить изменения");
}

void TCustomMaskEdit::Reset() {
    if (!Modified()) return;
    SetNativeText(oldValue_);
    SetModified(false);
}

void TCustomMaskEdit::DoEnter() {
    oldValue_ = EditText();
    TCustomEdit::DoEnter();
    if (IsMasked() && SelLength() == 0) SetSelStart(pattern_.NextInput(SelStart()));
}

void TCustomMaskEdit::CMExit(TMessage& m) {
    ValidateEdit();
    TCustomEdit::CMExit(m);
}
