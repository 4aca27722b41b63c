// The calculator control: its layout built in code and scaled, the key state machine, the equal
// button's caption, copy and paste, the wheel; and the popup form with its frame and close-up.
#include "gridlib/editors/CalculatorGx.h"

#include "gui/Clipbrd.h"
#include "gui/Forms.h"
#include "gui/WinApi.h"
#include "rtl/MathUtils.h"

#include <cmath>

namespace {
// The layout as designed: 96 pixels per inch, "0" 13 pixels high.
constexpr int DesignPixelsPerInch = 96;
constexpr int DesignTextHeight = 13;
constexpr LRESULT MouseNoActivate = 3;

struct ButtonDef {
    const char* name;
    const char* caption;
    int tag;
    int left, top, width, height;
    TColor color;
};

// The key each tag sends (tag 0: none).
constexpr WideChar TagKeys[] = {0,   '7', '8', '9', '/', 'S', 'C', '4', '5', '6', '*', '%',
                                'A', '1', '2', '3', '-', 'R', 8,   '0', 'I', '.', '+', '='};

const ButtonDef Buttons[] = {
    {"SpeedButton1", "7", 1, 6, 29, 27, 22, clBlue},
    {"SpeedButton12", "8", 2, 35, 29, 27, 22, clBlue},
    {"SpeedButton11", "9", 3, 64, 29, 27, 22, clBlue},
    {"SpeedButton16", "/", 4, 93, 29, 27, 22, clRed},
    {"SpeedButton20", "sqrt", 5, 122, 29, 27, 22, clBlue},
    {"SpeedButton23", "C", 6, 151, 29, 27, 46, clRed},
    {"SpeedButton10", "4", 7, 6, 53, 27, 22, clBlue},
    {"SpeedButton9", "5", 8, 35, 53, 27, 22, clBlue},
    {"SpeedButton8", "6", 9, 64, 53, 27, 22, clBlue},
    {"SpeedButton15", "*", 10, 93, 53, 27, 22, clRed},
    {"SpeedButton19", "%", 11, 122, 53, 27, 22, clBlue},
    // Lies under the "C" button; its key does nothing.
    {"SpeedButton24", "Cancel", 12, 151, 52, 27, 23, clRed},
    {"SpeedButton7", "1", 13, 6, 77, 27, 22, clBlue},
    {"SpeedButton6", "2", 14, 35, 77, 27, 22, clBlue},
    {"SpeedButton5", "3", 15, 64, 77, 27, 22, clBlue},
    {"SpeedButton14", "-", 16, 93, 77, 27, 22, clRed},
    {"SpeedButton18", "1/x", 17, 122, 77, 27, 22, clBlue},
    {"SpeedButton22", "<-", 18, 151, 77, 27, 22, clRed},
    {"SpeedButton4", "0", 19, 6, 101, 27, 22, clBlue},
    {"SpeedButton3", "+/-", 20, 35, 101, 27, 22, clBlue},
    {"SpeedButton2", ".", 21, 64, 101, 27, 22, clBlue},
    {"SpeedButton13", "+", 22, 93, 101, 27, 22, clRed},
    {"spEqual", "Ok", 23, 122, 101, 56, 22, clRed},
};

bool isOperator(WideChar k) { return k == '+' || k == '-' || k == '*' || k == '/' || k == '%' || k == '=' || k == 13; }

// A calculator text as a number: the locale's decimal separator; a text ending in the separator
// (a number being typed) reads as if a 0 followed.
bool textToNumber(const AnsiString& text, double& out) {
    AnsiString t = Trim(text);
    if (t.IsEmpty()) return false;
    if (TryStrToFloat(t, out)) return true;
    return TryStrToFloat(t + "0", out);
}
}  // namespace

// ---- TCalculatorGx ---------------------------------------------------------------------------------

TCalculatorGx::TCalculatorGx(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(ControlStyle() & ~csSetCaption);
    SetColor(clBtnFace);
    build();
}

TCalculatorGx::~TCalculatorGx() = default;

void TCalculatorGx::build() {
    // The font scales with the screen's pixels per inch; the layout with the height of "0".
    Font()->SetName("MS Sans Serif");
    Font()->SetColor(clWindowText);
    const int ppi = Screen ? Screen->PixelsPerInch() : DesignPixelsPerInch;
    Font()->SetHeight(ppi != DesignPixelsPerInch ? MulDiv(-11, ppi, DesignPixelsPerInch) : -11);
    int textHeight = DesignTextHeight;
    {
        TCanvas* c = GetScreenDC();
        TFont saved;
        saved.Assign(c->Font());
        c->Font()->Assign(Font());
        textHeight = c->TextHeight("0");
        c->Font()->Assign(&saved);
    }
    auto scale = [&](int v) { return textHeight == DesignTextHeight || textHeight <= 0 ? v : MulDiv(v, textHeight, DesignTextHeight); };
    designClientWidth_ = scale(184);
    designClientHeight_ = scale(127);

    Panel1 = new TPanel(this);
    Panel1->SetName("Panel1");
    Panel1->SetParent(this);
    Panel1->SetBevelOuter(bvNone);
    Panel1->SetBorderWidth(2);
    Panel1->SetColor(clWindow);
    Panel1->SetCaption(AnsiString());
    Panel1->SetBounds(scale(6), scale(4), scale(171), scale(19));
    TextBox = new TLabel(this);
    TextBox->SetName("TextBox");
    TextBox->SetParent(Panel1);
    TextBox->SetAutoSize(false);
    TextBox->SetAlignment(taRightJustify);
    TextBox->SetLayout(tlCenter);
    TextBox->SetColor(clWindow);
    TextBox->SetBounds(scale(2), scale(1), scale(166), scale(17));
    TextBox->SetCaption("0");

    for (const ButtonDef& d : Buttons) {
        auto* b = new TSpeedButtonGx(this);
        b->SetName(d.name);
        b->SetParent(this);
        b->SetCaption(d.caption);
        b->SetTag(d.tag);
        b->SetParentFont(false);
        b->Font()->Assign(Font());
        b->Font()->SetColor(d.color);
        b->SetFlat(true);
        b->SetStyle(ebsGlyphGx);
        b->SetActive(true);
        b->SetBounds(scale(d.left), scale(d.top), scale(d.width), scale(d.height));
        b->OnClick = TNotifyEvent(this, &TCalculatorGx::SpeedButtonClick);
        buttons_.push_back(b);
        if (d.tag == 23) spEqual = b;
    }
    // The "C" button lies above the "Cancel" button it covers.
    if (TSpeedButtonGx* c = ButtonOfKey('C')) c->BringToFront();
    AutoSizeNow();
}

TSpeedButtonGx* TCalculatorGx::ButtonOfKey(WideChar key) const {
    for (TSpeedButtonGx* b : buttons_) {
        const int tag = b->Tag();
        if (tag > 0 && tag < static_cast<int>(std::size(TagKeys)) && TagKeys[tag] == key) return b;
    }
    return nullptr;
}

void TCalculatorGx::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    if (borderStyle_ == bsSingle) {
        // A new-style 3D control shows the border as a sunken client edge.
        if (Ctl3D()) params.ExStyle |= WS_EX_CLIENTEDGE;
        else params.Style |= WS_BORDER;
    }
}

void TCalculatorGx::SetBorderStyle(TBorderStyle style) {
    if (style == borderStyle_) return;
    borderStyle_ = style;
    RecreateWnd();
    AutoSizeNow();
}

int TCalculatorGx::GetBorderSize() {
    TCreateParams p;
    CreateParams(p);
    if (p.ExStyle & WS_EX_CLIENTEDGE) return 4;
    if (p.Style & WS_BORDER) return 2;
    return 0;
}

void TCalculatorGx::AutoSizeNow() {
    const int b = GetBorderSize();
    SetBounds(Left(), Top(), designClientWidth_ + b, designClientHeight_ + b);
}

void TCalculatorGx::SpeedButtonClick(TObject* sender) {
    auto* c = dynamic_cast<TControl*>(sender);
    if (!c) return;
    const int tag = c->Tag();
    if (tag < 0 || tag >= static_cast<int>(std::size(TagKeys))) return;
    ProcessKey(TagKeys[tag]);
}

double TCalculatorGx::DisplayValue() const {
    if (state_ == csErrorGx) return 0;
    double v = 0;
    if (!textToNumber(TextBox->Caption(), v)) throw EConvertError("'" + TextBox->Caption() + "' is not a valid floating point value");
    return v;
}

void TCalculatorGx::SetDisplayValue(double v) {
    if (v == 0) v = 0;  // a negated zero shows as "0"
    TextBox->SetCaption(FloatToStrF(v, ffGeneral, 15, 0));
}

void TCalculatorGx::Clear() {
    state_ = csFirstGx;
    TextBox->SetCaption("0");
    operator_ = '=';
    operand_ = 0;
    UpdateEqualButton();
}

void TCalculatorGx::Error() {
    state_ = csErrorGx;
    TextBox->SetCaption("Error");
}

void TCalculatorGx::UpdateEqualButton() {
    // An operation waits when a second operand is being typed for one of the four operators.
    // Whether the first operand is 0 does not matter: "0 - 5" is pending as much as "3 - 5".
    const bool pending = state_ == csValidGx &&
                         (operator_ == '*' || operator_ == '+' || operator_ == '-' || operator_ == '/');
    spEqual->SetCaption(pending ? "=" : "Ok");
}

void TCalculatorGx::ProcessKey(WideChar key) {
    if (key >= 'a' && key <= 'z') key = static_cast<WideChar>(key - 'a' + 'A');
    if (state_ == csErrorGx && key != 'C') {
        UpdateEqualButton();
        return;
    }
    const char sep = FormatSettings().DecimalSeparator;
    auto startNumber = [&] {
        if (state_ == csFirstGx) {
            TextBox->SetCaption("0");
            state_ = csValidGx;
        }
    };
    if (key == static_cast<WideChar>(static_cast<unsigned char>(sep)) || key == ',' || key == '.') {
        startNumber();
        // The locale's separator whichever key was typed, so that the text reads back as a number.
        if (Pos(AnsiString(sep), TextBox->Caption()) == 0) TextBox->SetCaption(TextBox->Caption() + AnsiString(sep));
        return;
    }
    if (key >= '0' && key <= '9') {
        startNumber();
        AnsiString t = TextBox->Caption();
        if (t == "0") t = AnsiString();
        if (Pos("E", t) == 0) {
            const int limit = t.SubString(1, 1) == "-" ? 16 : 15;
            if (t.Length() < limit) t += AnsiString(static_cast<char>(key));
        }
        TextBox->SetCaption(t.IsEmpty() ? AnsiString("0") : t);
    } else if (key == 8) {
        startNumber();
        const AnsiString t = TextBox->Caption();
        if (t.Length() == 1 || (t.Length() == 2 && t.SubString(1, 1) == "-")) TextBox->SetCaption("0");
        else TextBox->SetCaption(t.SubString(1, t.Length() - 1));
    } else if (isOperator(key)) {
        if (state_ == csValidGx) {
            state_ = csFirstGx;
            double r = DisplayValue();
            if (key == '%') {
                if (operator_ == '*' || operator_ == '/') r = r / 100;
                else if (operator_ == '+' || operator_ == '-') r = operand_ * r / 100;
            }
            switch (operator_) {
            case '*': SetDisplayValue(operand_ * r); break;
            case '+': SetDisplayValue(operand_ + r); break;
            case '-': SetDisplayValue(operand_ - r); break;
            case '/':
                if (r != 0) SetDisplayValue(operand_ / r);
                else Error();
                break;
            default: SetDisplayValue(r); break;
            }
        }
        operator_ = key;
        operand_ = DisplayValue();
    } else if (key == 'I') {
        SetDisplayValue(-DisplayValue());
    } else if (key == 'R' || key == 'S') {
        state_ = csFirstGx;
        const double v = DisplayValue();
        if (key == 'R') {
            if (v == 0) Error();
            else SetDisplayValue(1 / v);
        } else {
            if (v < 0) Error();
            else SetDisplayValue(std::sqrt(v));
        }
    } else if (key == 'C' || key == 27) {
        Clear();
    } else if (key == 3) {
        copyToClipboard();
    } else if (key == 22) {
        pasteFromClipboard();
    }
    UpdateEqualButton();
}

void TCalculatorGx::copyToClipboard() { Clipboard()->SetAsText(TextBox->Caption()); }

void TCalculatorGx::pasteFromClipboard() {
    if (!Clipboard()->HasFormat(CF_TEXT)) return;
    // Converted at once: a text that is no number leaves the display as it was.
    double v = 0;
    if (!TryStrToFloat(Trim(Clipboard()->AsText()), v)) return;
    SetDisplayValue(v);
    // A pasted number counts as typed: an operator that follows works on it.
    state_ = csValidGx;
}

void TCalculatorGx::KeyPress(WideChar& key) {
    TCustomControl::KeyPress(key);
    if (key == 0) return;
    ProcessKey(key);
}

void TCalculatorGx::KeyDown(WORD& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    if (key == VK_DELETE) ProcessKey('C');
}

bool TCalculatorGx::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
    if (TCustomControl::DoMouseWheelDown(shift, mousePos)) return true;
    if (state_ != csErrorGx) SetDisplayValue(DisplayValue() - 1);
    return true;
}

bool TCalculatorGx::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
    if (TCustomControl::DoMouseWheelUp(shift, mousePos)) return true;
    if (state_ != csErrorGx) SetDisplayValue(DisplayValue() + 1);
    return true;
}

// ---- TPopupCalculatorGx ------------------------------------------------------------------------------

TPopupCalculatorGx::TPopupCalculatorGx(TComponent* owner) : TCalculatorGx(owner) {
    SetVisible(false);
    SetPopupWindow(true);
    SetControlStyle(ControlStyle() | csReplicatable);
    SetParentCtl3D(false);
    SetCtl3D(true);
    SetTabStop(false);
    flat_ = false;
    SetFlat(true);
    RecreateWnd();
    AutoSizeNow();
}

TPopupCalculatorGx::~TPopupCalculatorGx() = default;

IComboEditGx* TPopupCalculatorGx::comboEdit() const { return dynamic_cast<IComboEditGx*>(Owner()); }

void TPopupCalculatorGx::CreateParams(TCreateParams& params) {
    TCalculatorGx::CreateParams(params);
    params.Style |= WS_POPUP;
    if (!Ctl3D()) params.Style |= WS_BORDER;
    // A tool window replaces any other extended style.
    params.ExStyle = WS_EX_TOOLWINDOW;
}

void TPopupCalculatorGx::AutoSizeNow() {
    const int b = GetBorderSize() + 2 * BorderWidthGx();
    SetBounds(Left(), Top(), designClientWidth_ + b, designClientHeight_ + b);
}

void TPopupCalculatorGx::WMNCCalcSize(TMessage& m) {
    TCalculatorGx::WMNCCalcSize(m);
    if (auto* r = reinterpret_cast<TRect*>(m.LParam)) InflateRect(*r, -BorderWidthGx(), -BorderWidthGx());
}

void TPopupCalculatorGx::WMNCPaint(TMessage& m) {
    TCalculatorGx::WMNCPaint(m);
    DrawBorder();
}

void TPopupCalculatorGx::DrawBorder() {
    if (!Ctl3D()) return;
    HDC dc = GetWindowDC(Handle());
    if (!dc) return;
    TRect r(0, 0, Width(), Height());
    dc->Brush()->SetStyle(bsSolid);
    dc->Brush()->SetColor(cl3DDkShadow);
    dc->FrameRect(r);
    InflateRect(r, -1, -1);
    DrawEdge(dc, r, BDR_RAISEDINNER, BF_RECT);
    ReleaseDC(Handle(), dc);
}

void TPopupCalculatorGx::ProcessKey(WideChar key) {
    if ((key == 13 || key == '=') && GetEnterCanClose()) {
        if (IComboEditGx* c = comboEdit()) {
            c->CloseUp(true);
            return;
        }
    }
    TCalculatorGx::ProcessKey(key);
}

void TPopupCalculatorGx::KeyDown(WORD& key, TShiftState shift) {
    TCalculatorGx::KeyDown(key, shift);
    if (key == VK_ESCAPE) {
        key = 0;
        if (IComboEditGx* c = comboEdit()) c->CloseUp(false);
    }
}

void TPopupCalculatorGx::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_GETDLGCODE: m.Result = DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS; return;
    case WM_MOUSEACTIVATE: m.Result = MouseNoActivate; return;
    case CM_WANTSPECIALKEY:
        if ((m.WParam == VK_RETURN || m.WParam == VK_ESCAPE) && comboEdit()) {
            comboEdit()->CloseUp(m.WParam == VK_RETURN);
            m.Result = 1;
            return;
        }
        break;
    case CM_CTL3DCHANGED:
        TCalculatorGx::Dispatch(m);
        RecreateWnd();
        AutoSizeNow();
        return;
    case CM_CLOSEUPGX:
        if (IComboEditGx* c = comboEdit()) c->CloseUp(false);
        return;
    default: break;
    }
    TCalculatorGx::Dispatch(m);
}

bool TPopupCalculatorGx::GetEnterCanClose() { return EqualCaption() == "Ok"; }

Variant TPopupCalculatorGx::GetValue() {
    if (State() == csErrorGx) return VarAsError(-1);
    return Variant(DisplayValue());
}

void TPopupCalculatorGx::SetFlat(bool value) {
    if (value == flat_) return;
    flat_ = value;
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* b = dynamic_cast<TSpeedButtonGx*>(Controls(i))) b->SetFlat(value);
}

void TPopupCalculatorGx::SetValue(const Variant& value) {
    Clear();
    SetDisplayValue(VarIsNull(value) ? 0.0 : value.AsDouble());
}

// ---- For editors that drop the calculator down ------------------------------------------------------------

Variant CalculatorStartValue(const AnsiString& editText) {
    const TFormatSettings& fs = FormatSettings();
    AnsiString s = Trim(editText);
    if (s.IsEmpty()) return Null();
    if (!fs.ThousandSeparator.IsEmpty()) s = StringReplace(s, fs.ThousandSeparator, AnsiString());
    const AnsiString dec(fs.DecimalSeparator);
    s = StringReplace(StringReplace(s, ".", dec), ",", dec);
    double v = 0;
    if (!TryStrToFloat(s, v)) return Null();
    return Variant(v);
}

bool CalculatorResultText(IPopupCalculatorGx* calculator, AnsiString& text) {
    if (!calculator) return false;
    const Variant v = calculator->GetValue();
    switch (VarType(v)) {
    case varSmallint:
    case varInteger:
    case varSingle:
    case varDouble:
    case varCurrency: text = FloatToStr(v.AsDouble()); return true;
    default: return false;
    }
}
