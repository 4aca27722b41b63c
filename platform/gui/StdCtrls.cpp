#include "gui/StdCtrls.h"

#include "gui/ActnList.h"
#include "gui/Forms.h"
#include "gui/QtControlsInternal.h"
#include "gui/QtGraphicsInternal.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QGuiApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>

using namespace plantmon::gui;

namespace {
QString qs(const AnsiString& s) { return QString::fromStdString(s.str()); }
AnsiString as(const QString& s) { return AnsiString(s.toStdString()); }

void setPaletteColor(QWidget* w, QPalette::ColorRole role, TColor c) {
    QPalette pal = w->palette();
    pal.setColor(role, ToQColor(c));
    w->setPalette(pal);
}
}  // namespace

bool IsAccel(WideChar key, const AnsiString& caption) {
    const std::string& s = caption.str();
    for (std::size_t i = 0; i + 1 < s.size(); ++i) {
        if (s[i] != '&') continue;
        if (s[i + 1] == '&') {
            ++i;
            continue;
        }
        // The character after '&' (one UTF-8 sequence).
        std::size_t n = 1;
        auto b = static_cast<unsigned char>(s[i + 1]);
        if (b >= 0xF0) n = 4;
        else if (b >= 0xE0) n = 3;
        else if (b >= 0xC0) n = 2;
        AnsiString ch(s.substr(i + 1, n));
        return AnsiSameText(ch, CharToText(key));
    }
    return false;
}

// ---- TCustomLabel --------------------------------------------------------------------------------

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
    SetControlStyle(ControlStyle() | csReplicatable);
    SetBounds(0, 0, 65, 17);
    SetParentColor(true);
}

void TCustomLabel::SetAlignment(TAlignment a) {
    if (a == alignment_) return;
    alignment_ = a;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout l) {
    if (l == layout_) return;
    layout_ = l;
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool b) {
    if (b == autoSize_) return;
    autoSize_ = b;
    AdjustBounds();
}

void TCustomLabel::SetWordWrap(bool b) {
    if (b == wordWrap_) return;
    wordWrap_ = b;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetTransparent(bool b) {
    if (b == transparent_) return;
    transparent_ = b;
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool b) {
    if (b == showAccelChar_) return;
    showAccelChar_ = b;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* c) {
    if (focusControl_) focusControl_->RemoveFreeNotification(this);
    focusControl_ = c;
    if (c) c->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == opRemove && component == focusControl_) focusControl_ = nullptr;
}

unsigned TCustomLabel::DrawTextFlags() const {
    unsigned f = DT_EXPANDTABS;
    if (wordWrap_) f |= DT_WORDBREAK;
    if (alignment_ == taRightJustify) f |= DT_RIGHT;
    else if (alignment_ == taCenter) f |= DT_CENTER;
    if (!showAccelChar_) f |= DT_NOPREFIX;
    return f;
}

void TCustomLabel::AdjustBounds() {
    if (!autoSize_ || (ComponentState() & csLoading)) return;
    AnsiString text = Caption();
    if (text.IsEmpty()) text = " ";
    TRect r(0, 0, wordWrap_ ? Width() : 0, 0);
    r = CalcTextRect(Font(), text, r, DrawTextFlags() & ~(DT_RIGHT | DT_CENTER));
    int w = wordWrap_ ? Width() : r.Width();
    int left = Left();
    // A right-aligned label keeps its right edge, a centred one its middle.
    if (!wordWrap_ && alignment_ == taRightJustify) left += Width() - w;
    else if (!wordWrap_ && alignment_ == taCenter) left += (Width() - w) / 2;
    SetBounds(left, Top(), w, r.Height());
}

void TCustomLabel::TextChanged() {
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::FontChanged() {
    TGraphicControl::FontChanged();
    AdjustBounds();
}

void TCustomLabel::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    if (!transparent_) {
        c->Brush()->SetColor(Color());
        c->Brush()->SetStyle(bsSolid);
        c->FillRect(r);
    }
    c->Brush()->SetStyle(bsClear);
    c->Font()->Assign(Font());
    unsigned flags = DrawTextFlags();
    AnsiString text = Caption();
    if (layout_ != tlTop) {
        TRect calc = r;
        DrawText(c, text, -1, calc, flags | DT_CALCRECT);
        int dy = layout_ == tlBottom ? r.Height() - calc.Height() : (r.Height() - calc.Height()) / 2;
        OffsetRect(r, 0, dy);
    }
    if (!Enabled()) {
        // Disabled text: embossed, light under dark.
        TRect light = r;
        OffsetRect(light, 1, 1);
        c->Font()->SetColor(clBtnHighlight);
        DrawText(c, text, -1, light, flags);
        c->Font()->SetColor(clBtnShadow);
    }
    DrawText(c, text, -1, r, flags);
}

void TCustomLabel::Dispatch(TMessage& m) {
    if (m.Msg == CM_DIALOGCHAR) {
        if (focusControl_ && Enabled() && showAccelChar_ && IsAccel(static_cast<WideChar>(m.WParam), Caption()) &&
            focusControl_->CanFocus()) {
            focusControl_->SetFocus();
            m.Result = 1;
            return;
        }
    }
    TGraphicControl::Dispatch(m);
}

// ---- TCustomEdit ---------------------------------------------------------------------------------

namespace {
// The password character goes through the style: one character, any code.
void applyPasswordChar(QLineEdit* e, char c) {
    if (c == 0) {
        e->setEchoMode(QLineEdit::Normal);
        e->setStyleSheet(QString());
        return;
    }
    e->setEchoMode(QLineEdit::Password);
    e->setStyleSheet(QString("QLineEdit { lineedit-password-character: %1; }").arg(static_cast<int>(static_cast<unsigned char>(c))));
}
}  // namespace

TCustomEdit::TCustomEdit(TComponent* owner) : TCustomEdit(owner, false) {}

TCustomEdit::TCustomEdit(TComponent* owner, bool multiLine) : TWinControl(owner) {
    if (multiLine) {
        auto* w = new HostWidget<QPlainTextEdit>(this);
        multi_ = w;
        AttachHost(w);
    } else {
        auto* w = new HostWidget<QLineEdit>(this);
        line_ = w;
        AttachHost(w);
    }
    connectSignals();
    setup();
}

void TCustomEdit::connectSignals() {
    if (multi_) {
        QObject::connect(multi_, &QPlainTextEdit::textChanged, [this] { SafeCall(this, [this] { notifyChange(); }); });
    } else {
        QObject::connect(line_, &QLineEdit::textChanged, [this](const QString&) { SafeCall(this, [this] { notifyChange(); }); });
        QObject::connect(line_, &QLineEdit::textEdited, [this](const QString&) { modified_ = true; });
    }
}

void TCustomEdit::SetMultiLine(bool multiLine, bool wordWrap) {
    if (multiLine == (multi_ != nullptr)) {
        if (multi_) multi_->setLineWrapMode(wordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
        return;
    }
    QWidget* old = Widget();
    ControlHost* oldHost = Host();
    const QString text = line_ ? line_->text() : multi_->toPlainText();
    const bool hadFocus = old->hasFocus();
    const bool shown = !old->isHidden();
    const bool modified = Modified();
    const int caret = SelStart();
    QWidget* parent = old->parentWidget();
    // The children (buttons placed on the edit) move to the new window.
    std::vector<std::pair<QWidget*, bool>> children;
    for (QObject* o : old->children())
        if (auto* cw = qobject_cast<QWidget*>(o); cw && dynamic_cast<ControlHost*>(cw)) children.emplace_back(cw, !cw->isHidden());
    QObject::disconnect(old, nullptr, nullptr, nullptr);
    settingText_ = true;
    if (multiLine) {
        auto* w = new HostWidget<QPlainTextEdit>(this);
        line_ = nullptr;
        multi_ = w;
        AttachHost(w);
        w->setPlainText(text);
        w->setTabChangesFocus(true);
        w->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        w->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        w->setLineWrapMode(wordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    } else {
        auto* w = new HostWidget<QLineEdit>(this);
        multi_ = nullptr;
        line_ = w;
        AttachHost(w);
        QString one = text;
        one.replace('\n', ' ');
        w->setText(one);
    }
    settingText_ = false;
    QWidget* now = Widget();
    if (parent) now->setParent(parent);
    now->setGeometry(old->geometry());
    for (auto& [cw, visible] : children) {
        cw->setParent(now, cw->windowFlags());
        cw->setVisible(visible);
    }
    connectSignals();
    now->setFocusPolicy(Qt::StrongFocus);
    SetReadOnly(readOnly_);
    SetMaxLength(maxLength_);
    SetAlignment(alignment_);
    SetBorderStyle(borderStyle_);
    if (line_) applyPasswordChar(line_, passwordChar_);
    applyCaret();
    ColorChanged();
    SetModified(modified);
    now->setVisible(shown);
    SetSelStart(caret);
    if (hadFocus) now->setFocus(Qt::OtherFocusReason);
    oldHost->Detach();
    DisposeWidget(oldHost);
}

namespace {
// A one-line edit draws its caret as wide as its style says: this style makes it nothing.
class NoCaretStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (metric == PM_TextCursorWidth) return 0;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

QStyle* noCaretStyle() {
    static QPointer<NoCaretStyle> style;
    if (!style) {
        style = new NoCaretStyle;
        style->setParent(qApp);
    }
    return style;
}
}  // namespace

void TCustomEdit::HideEditCaret() {
    if (++caretHides_ == 1) applyCaret();
}

void TCustomEdit::ShowEditCaret() {
    if (caretHides_ == 0) return;
    if (--caretHides_ == 0) applyCaret();
}

void TCustomEdit::applyCaret() {
    const bool hidden = caretHides_ > 0;
    if (line_) {
        if (hidden) line_->setStyle(noCaretStyle());
        else if (line_->style() == noCaretStyle()) line_->setStyle(nullptr);
        line_->update();
    }
    if (multi_) multi_->setCursorWidth(hidden ? 0 : 1);
}

AnsiString TCustomEdit::NativeText() const {
    if (line_) return as(line_->text());
    if (multi_) return as(multi_->toPlainText());
    return AnsiString();
}

void TCustomEdit::SetNativeText(const AnsiString& s) {
    settingText_ = true;
    if (line_) line_->setText(qs(s));
    if (multi_) multi_->setPlainText(qs(s));
    settingText_ = false;
}

TCustomEdit::~TCustomEdit() {
    Destroying_();
    // No change notifications from a widget whose control is going.
    if (line_) QObject::disconnect(line_, nullptr, nullptr, nullptr);
    if (multi_) QObject::disconnect(multi_, nullptr, nullptr, nullptr);
}

void TCustomEdit::setup() {
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 121, multi_ ? 89 : 21);
    Widget()->setFocusPolicy(Qt::StrongFocus);
}

AnsiString TCustomEdit::GetText() const {
    if (line_) return as(line_->text());
    if (multi_) {
        // Lines end with CR LF, as the edit control gives them.
        QString t = multi_->toPlainText();
        t.replace("\n", "\r\n");
        return as(t);
    }
    return text_;
}

void TCustomEdit::TextChanged() {
    settingText_ = true;
    if (line_) line_->setText(qs(text_));
    if (multi_) {
        QString t = qs(text_);
        t.replace("\r\n", "\n");
        t.replace('\r', '\n');
        multi_->setPlainText(t);
    }
    settingText_ = false;
    modified_ = false;
}

void TCustomEdit::ColorChanged() {
    TWinControl::ColorChanged();
    setPaletteColor(Widget(), QPalette::Base, Color());
}

void TCustomEdit::SetMaxLength(int n) {
    maxLength_ = std::max(0, n);
    if (line_) line_->setMaxLength(maxLength_ == 0 ? 32767 : maxLength_);
}

void TCustomEdit::SetPasswordChar(char c) {
    passwordChar_ = c;
    if (line_) applyPasswordChar(line_, c);
}

void TCustomEdit::SetReadOnly(bool b) {
    readOnly_ = b;
    if (line_) line_->setReadOnly(b);
    if (multi_) multi_->setReadOnly(b);
}

void TCustomEdit::SetCharCase(TEditCharCase c) {
    charCase_ = c;
    if (c == ecNormal) return;
    AnsiString t = Text();
    SetText(c == ecUpperCase ? AnsiUpperCase(t) : AnsiLowerCase(t));
}

void TCustomEdit::SetAlignment(TAlignment a) {
    alignment_ = a;
    Qt::Alignment qa = a == taRightJustify ? Qt::AlignRight : a == taCenter ? Qt::AlignHCenter : Qt::AlignLeft;
    if (line_) line_->setAlignment(qa | Qt::AlignVCenter);
    if (multi_) {
        QTextOption opt = multi_->document()->defaultTextOption();
        opt.setAlignment(qa);
        multi_->document()->setDefaultTextOption(opt);
    }
}

void TCustomEdit::SetBorderStyle(TBorderStyle b) {
    borderStyle_ = b;
    if (line_) line_->setFrame(b != bsNone);
    if (multi_) multi_->setFrameShape(b == bsNone ? QFrame::NoFrame : QFrame::StyledPanel);
}

bool TCustomEdit::Modified() const {
    if (line_) return line_->isModified() || modified_;
    return modified_;
}

void TCustomEdit::SetModified(bool b) {
    modified_ = b;
    if (line_) line_->setModified(b);
}

int TCustomEdit::SelStart() const {
    if (line_) return line_->hasSelectedText() ? line_->selectionStart() : line_->cursorPosition();
    if (multi_) {
        QTextCursor c = multi_->textCursor();
        return std::min(c.anchor(), c.position());
    }
    return 0;
}

void TCustomEdit::SetSelStart(int p) {
    if (line_) {
        line_->deselect();
        line_->setCursorPosition(std::max(0, p));
    }
    if (multi_) {
        QTextCursor c = multi_->textCursor();
        c.setPosition(std::clamp(p, 0, multi_->document()->characterCount() - 1));
        multi_->setTextCursor(c);
    }
}

int TCustomEdit::SelLength() const {
    if (line_) return static_cast<int>(line_->selectedText().size());
    if (multi_) {
        QTextCursor c = multi_->textCursor();
        return std::abs(c.position() - c.anchor());
    }
    return 0;
}

void TCustomEdit::SetSelLength(int n) {
    int start = SelStart();
    if (line_) line_->setSelection(start, n);
    if (multi_) {
        QTextCursor c = multi_->textCursor();
        c.setPosition(start);
        c.setPosition(std::clamp(start + n, 0, multi_->document()->characterCount() - 1), QTextCursor::KeepAnchor);
        multi_->setTextCursor(c);
    }
}

AnsiString TCustomEdit::SelText() const {
    if (line_) return as(line_->selectedText());
    if (multi_) return as(multi_->textCursor().selectedText());
    return AnsiString();
}

void TCustomEdit::SetSelText(const AnsiString& s) {
    if (line_) line_->insert(qs(s));
    if (multi_) multi_->insertPlainText(qs(s));
}

void TCustomEdit::SelectAll() {
    if (line_) line_->selectAll();
    if (multi_) multi_->selectAll();
}

void TCustomEdit::ClearSelection() {
    if (line_ && line_->hasSelectedText()) line_->del();
    if (multi_) multi_->textCursor().removeSelectedText();
}

void TCustomEdit::Clear() { SetText(AnsiString()); }

void TCustomEdit::Undo() {
    if (line_) line_->undo();
    if (multi_) multi_->undo();
}

bool TCustomEdit::CanUndo() const {
    if (line_) return line_->isUndoAvailable();
    if (multi_) return multi_->document()->isUndoAvailable();
    return false;
}

void TCustomEdit::ClearUndo() {
    if (multi_) multi_->document()->clearUndoRedoStacks();
    if (line_) {
        QString t = line_->text();
        int pos = line_->cursorPosition();
        settingText_ = true;
        bool blocked = line_->blockSignals(true);
        line_->setText(t);  // setText empties the undo history
        line_->blockSignals(blocked);
        line_->setCursorPosition(pos);
        settingText_ = false;
    }
}

void TCustomEdit::CutToClipboard() {
    if (line_) line_->cut();
    if (multi_) multi_->cut();
}

void TCustomEdit::CopyToClipboard() {
    if (line_) line_->copy();
    if (multi_) multi_->copy();
}

void TCustomEdit::PasteFromClipboard() {
    if (line_) line_->paste();
    if (multi_) multi_->paste();
}

void TCustomEdit::notifyChange() {
    // As an edit window tells its parent, which hands it back as CN_COMMAND.
    const WPARAM w = MAKEWPARAM(0, EN_CHANGE);
    if (TWinControl* p = Parent()) p->Perform(WM_COMMAND, w, reinterpret_cast<LPARAM>(this));
    else Perform(CN_COMMAND, w, reinterpret_cast<LPARAM>(this));
}

void TCustomEdit::CNCommand(TMessage& m) {
    if (HIWORD(m.WParam) == EN_CHANGE) {
        Change();
        return;
    }
    TWinControl::CNCommand(m);
}

void TCustomEdit::Change() {
    Perform(CM_CHANGED);
    OnChange(this);
}

void TCustomEdit::DoEnter() {
    // Tabbing into an edit selects its text; a click places the caret instead.
    if (autoSelect_ && line_ && !(ControlState() & csLButtonDown) && !(QGuiApplication::mouseButtons() & Qt::LeftButton))
        SelectAll();
    TWinControl::DoEnter();
}

LRESULT TCustomEdit::NativeDlgCode() const { return DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL; }

void TCustomEdit::DefaultHandler(TMessage& m) {
    switch (m.Msg) {
    case WM_KEYDOWN:
        // Several lines break at the Return character, as the edit window does: the key itself
        // types nothing (a handler that refused the character has refused the line break).
        if (multi_ && m.WParam == VK_RETURN) return;
        break;
    case WM_CHAR:
        if (multi_ && m.WParam == '\r') {
            if (!readOnly_) multi_->insertPlainText("\n");
            return;
        }
        if (charCase_ != ecNormal && m.WParam >= 32) {
            QChar c(static_cast<char16_t>(m.WParam));
            m.WParam = (charCase_ == ecUpperCase ? c.toUpper() : c.toLower()).unicode();
        }
        break;
    case EM_GETSEL: {
        int s = SelStart(), e = s + SelLength();
        if (m.WParam) *reinterpret_cast<DWORD*>(m.WParam) = static_cast<DWORD>(s);
        if (m.LParam) *reinterpret_cast<DWORD*>(m.LParam) = static_cast<DWORD>(e);
        m.Result = MAKELPARAM(s, e);
        return;
    }
    case EM_SETSEL: {
        // (0, -1) selects everything; a negative start removes the selection.
        auto s = static_cast<int>(static_cast<std::intptr_t>(m.WParam));
        auto e = static_cast<int>(m.LParam);
        int len = static_cast<int>(qs(Text()).size());
        if (s < 0) {
            SetSelStart(SelStart());
            return;
        }
        if (e < 0 || e > len) e = len;
        s = std::min(s, len);
        if (line_) line_->setSelection(s, e - s);
        else {
            SetSelStart(s);
            SetSelLength(e - s);
        }
        return;
    }
    case EM_REPLACESEL:
        if (m.LParam) SetSelText(AnsiString(reinterpret_cast<const char*>(m.LParam)));
        return;
    case EM_LIMITTEXT:
        SetMaxLength(static_cast<int>(m.WParam));
        return;
    case EM_SETREADONLY:
        SetReadOnly(m.WParam != 0);
        m.Result = 1;
        return;
    case EM_GETMODIFY:
        m.Result = Modified() ? 1 : 0;
        return;
    case EM_SETMODIFY:
        SetModified(m.WParam != 0);
        return;
    case EM_CANUNDO:
        m.Result = CanUndo() ? 1 : 0;
        return;
    case EM_UNDO:
    case WM_UNDO:
        Undo();
        m.Result = 1;
        return;
    case EM_EMPTYUNDOBUFFER:
        ClearUndo();
        return;
    case EM_SCROLLCARET:
        if (multi_) multi_->ensureCursorVisible();
        m.Result = 1;
        return;
    case EM_SETPASSWORDCHAR:
        SetPasswordChar(static_cast<char>(m.WParam));
        return;
    case EM_GETRECT:
    case EM_SETRECT:
    case EM_SETRECTNP: {
        // The formatting rectangle is the client area less the text margins.
        auto* r = reinterpret_cast<TRect*>(m.LParam);
        if (!r) return;
        QWidget* w = Widget();
        if (m.Msg == EM_GETRECT) {
            QMargins mg = line_ ? line_->textMargins() : multi_ ? multi_->contentsMargins() : QMargins();
            *r = TRect(mg.left(), mg.top(), w->width() - mg.right(), w->height() - mg.bottom());
        } else if (line_) {
            line_->setTextMargins(r->Left, r->Top, std::max(0, w->width() - r->Right), std::max(0, w->height() - r->Bottom));
        } else if (multi_) {
            multi_->setContentsMargins(r->Left, r->Top, std::max(0, w->width() - r->Right), std::max(0, w->height() - r->Bottom));
        }
        return;
    }
    case EM_SETMARGINS:
        if (line_) {
            QMargins mg = line_->textMargins();
            if (m.WParam & EC_LEFTMARGIN) mg.setLeft(LOWORD(static_cast<std::uintptr_t>(m.LParam)));
            if (m.WParam & EC_RIGHTMARGIN) mg.setRight(HIWORD(static_cast<std::uintptr_t>(m.LParam)));
            line_->setTextMargins(mg);
        }
        return;
    case EM_GETMARGINS:
        if (line_) m.Result = MAKELPARAM(line_->textMargins().left(), line_->textMargins().right());
        if (multi_) m.Result = MAKELPARAM(multi_->contentsMargins().left(), multi_->contentsMargins().right());
        return;
    case EM_GETLINECOUNT:
        m.Result = multi_ ? multi_->document()->blockCount() : 1;
        return;
    case EM_LINEFROMCHAR: {
        // The line on screen (word-wrapped lines count) that holds the character; -1: the caret's.
        if (!multi_) {
            m.Result = 0;
            return;
        }
        QTextDocument* doc = multi_->document();
        auto pos = static_cast<int>(static_cast<std::intptr_t>(m.WParam));
        if (pos < 0) pos = multi_->textCursor().position();
        pos = std::clamp(pos, 0, std::max(0, doc->characterCount() - 1));
        const QTextBlock block = doc->findBlock(pos);
        int line = 0;
        for (QTextBlock b = doc->begin(); b.isValid() && b != block; b = b.next())
            line += b.layout() && b.layout()->lineCount() > 0 ? b.layout()->lineCount() : 1;
        if (block.isValid() && block.layout()) {
            const QTextLine l = block.layout()->lineForTextPosition(pos - block.position());
            if (l.isValid()) line += l.lineNumber();
        }
        m.Result = line;
        return;
    }
    case EM_GETLINE: {
        // WParam: line; LParam: buffer whose first WORD is its size in bytes. Returns bytes copied.
        auto* buf = reinterpret_cast<char*>(m.LParam);
        if (!buf) return;
        WORD cap = *reinterpret_cast<WORD*>(buf);
        QString line = multi_ ? multi_->document()->findBlockByNumber(static_cast<int>(m.WParam)).text()
                              : (m.WParam == 0 ? line_->text() : QString());
        std::string bytes = line.toStdString();
        std::size_t n = std::min<std::size_t>(cap, bytes.size());
        std::copy_n(bytes.data(), n, buf);
        m.Result = static_cast<LRESULT>(n);
        return;
    }
    case WM_CUT:
        CutToClipboard();
        return;
    case WM_COPY:
        CopyToClipboard();
        return;
    case WM_PASTE:
        PasteFromClipboard();
        return;
    case WM_CLEAR:
        ClearSelection();
        return;
    default:
        break;
    }
    TWinControl::DefaultHandler(m);
}

// ---- TCustomMemo ---------------------------------------------------------------------------------

namespace {
// The lines of a memo, read from and written to its widget.
class TMemoStrings : public TStrings {
public:
    explicit TMemoStrings(QPlainTextEdit* e) : e_(e) {}
    QStringList lines() const {
        QString t = e_->toPlainText();
        if (t.isEmpty()) return {};
        QStringList l = t.split('\n');
        // The empty line after a final line break does not count.
        if (!l.isEmpty() && l.back().isEmpty()) l.removeLast();
        return l;
    }
    void store(const QStringList& l) {
        QString t = l.join('\n');
        e_->setPlainText(t);
    }
    int Count() const override { return static_cast<int>(lines().size()); }
    AnsiString Get(int index) const override {
        QStringList l = lines();
        if (index < 0 || index >= l.size()) throw EStringListError("Индекс списка вне диапазона (" + std::to_string(index) + ")");
        return as(l[index]);
    }
    void Put(int index, const AnsiString& s) override {
        QStringList l = lines();
        if (index < 0 || index >= l.size()) throw EStringListError("Индекс списка вне диапазона (" + std::to_string(index) + ")");
        l[index] = qs(s);
        store(l);
    }
    void Insert(int index, const AnsiString& s) override {
        QStringList l = lines();
        if (index < 0 || index > l.size()) throw EStringListError("Индекс списка вне диапазона (" + std::to_string(index) + ")");
        l.insert(index, qs(s));
        store(l);
    }
    void Delete(int index) override {
        QStringList l = lines();
        if (index < 0 || index >= l.size()) throw EStringListError("Индекс списка вне диапазона (" + std::to_string(index) + ")");
        l.removeAt(index);
        store(l);
    }
    void Clear() override { e_->clear(); }

private:
    QPlainTextEdit* e_;
};
}  // namespace

TCustomMemo::TCustomMemo(TComponent* owner) : TCustomEdit(owner, true) {
    lines_ = std::make_unique<TMemoStrings>(multi_);
    SetBounds(0, 0, 185, 89);
    multi_->setTabChangesFocus(true);
    SetWordWrap(true);
    SetScrollBars(ssNone);
}

TCustomMemo::~TCustomMemo() = default;

void TCustomMemo::SetLines(TStrings* s) { lines_->Assign(s); }

void TCustomMemo::SetWordWrap(bool b) {
    wordWrap_ = b;
    multi_->setLineWrapMode(b ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TCustomMemo::SetScrollBars(TScrollStyle s) {
    scrollBars_ = s;
    multi_->setHorizontalScrollBarPolicy(s == ssHorizontal || s == ssBoth ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    multi_->setVerticalScrollBarPolicy(s == ssVertical || s == ssBoth ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

LRESULT TCustomMemo::NativeDlgCode() const {
    LRESULT r = TCustomEdit::NativeDlgCode();
    if (wantReturns_) r |= DLGC_WANTALLKEYS;
    if (wantTabs_) r |= DLGC_WANTTAB;
    return r;
}

void TCustomMemo::WMChar(TMessage& m) {
    // Return and Tab only type into the memo when it wants them.
    if ((m.WParam == '\r' && !wantReturns_) || (m.WParam == '\t' && !wantTabs_)) {
        m.WParam = 0;
        return;
    }
    TCustomEdit::WMChar(m);
}

// ---- TButton -------------------------------------------------------------------------------------

TButton::TButton(TComponent* owner) : TButtonControl(owner) {
    SetControlStyle(ControlStyle() & ~csClickEvents);
    auto* w = new HostWidget<QPushButton>(this);
    AttachHost(w);
    w->setAutoDefault(false);
    w->setFocusPolicy(Qt::StrongFocus);
    QObject::connect(w, &QPushButton::clicked, [this] {
        SafeCall(this, [this] { Perform(CN_COMMAND, MAKEWPARAM(0, BN_CLICKED), 0); });
    });
    SetTabStop(true);
    SetBounds(0, 0, 75, 25);
}

void TButton::SetDefault(bool b) {
    default_ = b;
    active_ = b;
    static_cast<QPushButton*>(Widget())->setDefault(b);
}

void TButton::UpdateFace() { static_cast<QPushButton*>(Widget())->setText(qs(Caption())); }

void TButton::TextChanged() { UpdateFace(); }

void TButton::Click() {
    if (TCustomForm* f = GetParentForm(this); f && modalResult_ != 0) f->SetModalResult(modalResult_);
    TButtonControl::Click();
}

void TButton::CNCommand(TMessage& m) {
    if (HIWORD(m.WParam) == BN_CLICKED) {
        Click();
        return;
    }
    TButtonControl::CNCommand(m);
}

void TButton::CMDialogKey(TMessage& m) {
    bool ret = m.WParam == VK_RETURN && active_;
    bool esc = m.WParam == VK_ESCAPE && cancel_;
    if ((ret || esc) && KeyDataToShiftState(m.LParam) == 0 && CanFocus()) {
        Click();
        m.Result = 1;
        return;
    }
    TButtonControl::CMDialogKey(m);
}

void TButton::CMDialogChar(TMessage& m) {
    if (IsAccel(static_cast<WideChar>(m.WParam), Caption()) && CanFocus()) {
        Click();
        m.Result = 1;
        return;
    }
    TButtonControl::CMDialogChar(m);
}

void TButton::CMFocusChanged(TMessage& m) {
    auto* focused = reinterpret_cast<TControl*>(m.LParam);
    if (dynamic_cast<TButton*>(focused)) active_ = focused == this;
    else active_ = default_;
    TButtonControl::CMFocusChanged(m);
}

LRESULT TButton::NativeDlgCode() const {
    return DLGC_BUTTON | (active_ ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
}

void TButton::ActionChange(TBasicAction* sender, bool checkDefaults) { TButtonControl::ActionChange(sender, checkDefaults); }

// ---- TButtonControl ------------------------------------------------------------------------------

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner) {}

TButtonControl::~TButtonControl() {
    if (canvas_) canvas_->SetControl(nullptr);
}

void TButtonControl::SetChecked(bool) {}

void TButtonControl::UsePaintedWindow() {
    if (canvas_) return;
    canvas_ = std::make_unique<TControlCanvas>();
    canvas_->SetControl(this);
    AttachHost(new HostWidget<QWidget>(this));
    Widget()->setAttribute(Qt::WA_OpaquePaintEvent, true);
}

void TButtonControl::WMPaint(TMessage& m) {
    if (canvas_ && m.WParam) {
        GuardedPaint([this] { Paint(); });
        return;
    }
    TWinControl::WMPaint(m);
}

// ---- TCustomCheckBox -----------------------------------------------------------------------------

TCustomCheckBox::TCustomCheckBox(TComponent* owner) : TButtonControl(owner) {
    SetControlStyle(ControlStyle() & ~csClickEvents);
    auto* w = new HostWidget<QCheckBox>(this);
    AttachHost(w);
    w->setFocusPolicy(Qt::StrongFocus);
    QObject::connect(w, &QCheckBox::stateChanged, [this](int s) {
        if (updating_) return;
        state_ = s == Qt::Checked ? cbChecked : s == Qt::PartiallyChecked ? cbGrayed : cbUnchecked;
        SafeCall(this, [this] { Click(); });
    });
    SetTabStop(true);
    SetBounds(0, 0, 97, 17);
}

void TCustomCheckBox::SetState(TCheckBoxState s) {
    if (s == state_) return;
    if (s == cbGrayed && !allowGrayed_) SetAllowGrayed(true);
    state_ = s;
    updating_ = true;
    static_cast<QCheckBox*>(Widget())->setCheckState(s == cbChecked ? Qt::Checked : s == cbGrayed ? Qt::PartiallyChecked
                                                                                                  : Qt::Unchecked);
    updating_ = false;
    Click();
}

void TCustomCheckBox::SetAllowGrayed(bool b) {
    allowGrayed_ = b;
    static_cast<QCheckBox*>(Widget())->setTristate(b);
}

void TCustomCheckBox::SetAlignment(TAlignment a) {
    alignment_ = a;
    Widget()->setLayoutDirection(a == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
}

void TCustomCheckBox::TextChanged() { static_cast<QCheckBox*>(Widget())->setText(qs(Caption())); }

void TCustomCheckBox::ActionChange(TBasicAction* sender, bool checkDefaults) {
    TButtonControl::ActionChange(sender, checkDefaults);
    if (auto* a = dynamic_cast<TCustomAction*>(sender)) {
        updating_ = true;
        state_ = a->Checked() ? cbChecked : cbUnchecked;
        static_cast<QCheckBox*>(Widget())->setChecked(a->Checked());
        updating_ = false;
    }
}

void TCustomCheckBox::CMDialogChar(TMessage& m) {
    if (IsAccel(static_cast<WideChar>(m.WParam), Caption()) && CanFocus()) {
        SetFocus();
        SetChecked(!Checked());
        m.Result = 1;
        return;
    }
    TButtonControl::CMDialogChar(m);
}

// ---- TRadioButton --------------------------------------------------------------------------------

TRadioButton::TRadioButton(TComponent* owner) : TButtonControl(owner) {
    SetControlStyle(ControlStyle() & ~csClickEvents);
    auto* w = new HostWidget<QRadioButton>(this);
    AttachHost(w);
    w->setFocusPolicy(Qt::StrongFocus);
    QObject::connect(w, &QRadioButton::toggled, [this](bool on) {
        if (updating_) return;
        checked_ = on;
        if (on) SafeCall(this, [this] { Click(); });
    });
    SetBounds(0, 0, 113, 17);
}

void TRadioButton::SetChecked(bool b) {
    if (b == checked_) return;
    checked_ = b;
    updating_ = true;
    static_cast<QRadioButton*>(Widget())->setChecked(b);
    updating_ = false;
    if (b) {
        // The siblings let go.
        if (TWinControl* p = Parent())
            for (int i = 0; i < p->ControlCount(); ++i)
                if (auto* r = dynamic_cast<TRadioButton*>(p->Controls(i)); r && r != this) r->checked_ = false;
        Click();
    }
}

void TRadioButton::TextChanged() { static_cast<QRadioButton*>(Widget())->setText(qs(Caption())); }

// ---- TCustomComboBox -----------------------------------------------------------------------------

namespace {
// A combo box that tells its control when the list opens and closes.
class ComboWidget : public QComboBox {
public:
    std::function<void()> dropped;
    std::function<void()> closed;
    void showPopup() override {
        if (dropped) dropped();
        QComboBox::showPopup();
    }
    void hidePopup() override {
        QComboBox::hidePopup();
        if (closed) closed();
    }
};
}  // namespace

// The items of a combo box, kept in its widget (objects in the item data).
class TComboBoxStrings : public TStrings {
public:
    explicit TComboBoxStrings(TCustomComboBox* c) : c_(c) {}
    QComboBox* w() const { return c_->combo_; }
    int Count() const override { return w()->count(); }
    AnsiString Get(int index) const override {
        check(index);
        return as(w()->itemText(index));
    }
    void Put(int index, const AnsiString& s) override {
        check(index);
        w()->setItemText(index, qs(s));
    }
    TObject* GetObject(int index) const override {
        check(index);
        return reinterpret_cast<TObject*>(w()->itemData(index).value<qulonglong>());
    }
    void PutObject(int index, TObject* obj) override {
        check(index);
        w()->setItemData(index, QVariant::fromValue(static_cast<qulonglong>(reinterpret_cast<std::uintptr_t>(obj))));
    }
    int Add(const AnsiString& s) override {
        int i = Count();
        if (c_->Sorted())
            for (i = 0; i < Count() && AnsiCompareText(Get(i), s) <= 0; ++i) {
            }
        Insert(i, s);
        return i;
    }
    void Insert(int index, const AnsiString& s) override {
        if (index < 0 || index > Count()) throw EStringListError("Индекс списка вне диапазона (" + std::to_string(index) + ")");
        keep([&] { w()->insertItem(index, qs(s)); });
        if (c_->itemIndex_ >= index) ++c_->itemIndex_;
    }
    void Delete(int index) override {
        check(index);
        keep([&] { w()->removeItem(index); });
        if (c_->itemIndex_ == index) c_->itemIndex_ = -1;
        else if (c_->itemIndex_ > index) --c_->itemIndex_;
    }
    void Clear() override {
        keep([&] { w()->clear(); });
        c_->itemIndex_ = -1;
    }

private:
    // Changing the items keeps the typed text of an editable box.
    template <class F>
    void keep(F&& f) {
        bool editable = w()->isEditable();
        QString text = editable ? w()->currentText() : QString();
        c_->updating_ = true;
        f();
        if (editable) w()->setEditText(text);
        c_->updating_ = false;
    }
    void check(int index) const {
        if (index < 0 || index >= Count()) throw EStringListError("Индекс списка вне диапазона (" + std::to_string(index) + ")");
    }
    TCustomComboBox* c_;
};

TCustomComboBox::TCustomComboBox(TComponent* owner) : TWinControl(owner) {
    auto* w = new HostWidget<ComboWidget>(this);
    combo_ = w;
    AttachHost(w);
    w->setFocusPolicy(Qt::StrongFocus);
    w->setInsertPolicy(QComboBox::NoInsert);
    w->dropped = [this] { SafeCall(this, [this] { OnDropDown(this); }); };
    w->closed = [this] { SafeCall(this, [this] { OnCloseUp(this); }); };
    items_ = std::make_unique<TComboBoxStrings>(this);
    QObject::connect(w, qOverload<int>(&QComboBox::activated), [this](int index) {
        if (updating_) return;
        itemIndex_ = index;
        SafeCall(this, [this] {
            Click();
            Select();
        });
    });
    SetStyle(csDropDown);
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 145, 21);
}

TCustomComboBox::~TCustomComboBox() {
    Destroying_();
    QObject::disconnect(combo_, nullptr, nullptr, nullptr);
    if (combo_->lineEdit()) QObject::disconnect(combo_->lineEdit(), nullptr, nullptr, nullptr);
    static_cast<ComboWidget*>(combo_)->dropped = nullptr;
    static_cast<ComboWidget*>(combo_)->closed = nullptr;
}

void TCustomComboBox::SetStyle(TComboBoxStyle s) {
    style_ = s;
    bool editable = s == csDropDown || s == csSimple;
    if (editable == combo_->isEditable() && combo_->lineEdit()) return;
    updating_ = true;
    combo_->setEditable(editable);
    updating_ = false;
    if (QLineEdit* le = combo_->lineEdit()) {
        le->setMaxLength(maxLength_ == 0 ? 32767 : maxLength_);
        QObject::connect(le, &QLineEdit::textEdited, [this](const QString& t) {
            if (updating_) return;
            // Typed text selects the item it matches exactly, else none.
            itemIndex_ = combo_->findText(t, Qt::MatchExactly | Qt::MatchCaseSensitive);
            SafeCall(this, [this] { Change(); });
        });
    }
}

void TCustomComboBox::SetItems(TStrings* s) { items_->Assign(s); }

int TCustomComboBox::ItemIndex() const { return combo_->isEditable() ? itemIndex_ : combo_->currentIndex(); }

void TCustomComboBox::SetItemIndex(int i) {
    if (i < -1 || i >= combo_->count()) i = -1;
    updating_ = true;
    combo_->setCurrentIndex(i);
    if (i < 0 && combo_->isEditable()) combo_->setEditText(QString());
    updating_ = false;
    itemIndex_ = i;
}

void TCustomComboBox::SetDropDownCount(int n) {
    dropDownCount_ = n;
    combo_->setMaxVisibleItems(std::max(1, n));
}

void TCustomComboBox::SetSorted(bool b) {
    sorted_ = b;
    if (b) {
        // Put the present items in order.
        std::vector<std::pair<AnsiString, TObject*>> v;
        for (int i = 0; i < items_->Count(); ++i) v.emplace_back(items_->Get(i), items_->GetObject(i));
        std::stable_sort(v.begin(), v.end(), [](auto& a, auto& b) { return AnsiCompareText(a.first, b.first) < 0; });
        items_->Clear();
        for (auto& [s, o] : v) items_->AddObject(s, o);
    }
}

void TCustomComboBox::SetMaxLength(int n) {
    maxLength_ = std::max(0, n);
    if (QLineEdit* le = combo_->lineEdit()) le->setMaxLength(maxLength_ == 0 ? 32767 : maxLength_);
}

bool TCustomComboBox::DroppedDown() const { return combo_->view() && combo_->view()->isVisible(); }

void TCustomComboBox::SetDroppedDown(bool b) {
    if (b) combo_->showPopup();
    else combo_->hidePopup();
}

int TCustomComboBox::SelStart() const {
    QLineEdit* le = combo_->lineEdit();
    if (!le) return 0;
    return le->hasSelectedText() ? le->selectionStart() : le->cursorPosition();
}

void TCustomComboBox::SetSelStart(int p) {
    if (QLineEdit* le = combo_->lineEdit()) {
        le->deselect();
        le->setCursorPosition(p);
    }
}

int TCustomComboBox::SelLength() const {
    QLineEdit* le = combo_->lineEdit();
    return le ? static_cast<int>(le->selectedText().size()) : 0;
}

void TCustomComboBox::SetSelLength(int n) {
    if (QLineEdit* le = combo_->lineEdit()) le->setSelection(SelStart(), n);
}

void TCustomComboBox::SelectAll() {
    if (QLineEdit* le = combo_->lineEdit()) le->selectAll();
}

void TCustomComboBox::Clear() {
    items_->Clear();
    SetText(AnsiString());
}

AnsiString TCustomComboBox::GetText() const { return as(combo_->currentText()); }

void TCustomComboBox::TextChanged() {
    updating_ = true;
    if (combo_->isEditable()) {
        combo_->setEditText(qs(text_));
        itemIndex_ = combo_->findText(qs(text_), Qt::MatchExactly | Qt::MatchCaseSensitive);
    } else {
        combo_->setCurrentIndex(combo_->findText(qs(text_), Qt::MatchExactly | Qt::MatchCaseSensitive));
    }
    updating_ = false;
}

void TCustomComboBox::ColorChanged() {
    TWinControl::ColorChanged();
    setPaletteColor(combo_, QPalette::Base, Color());
}

void TCustomComboBox::DefaultHandler(TMessage& m) {
    switch (m.Msg) {
    case CB_SHOWDROPDOWN:
        SetDroppedDown(m.WParam != 0);
        m.Result = 1;
        return;
    case CB_GETDROPPEDSTATE:
        m.Result = DroppedDown() ? 1 : 0;
        return;
    default: TWinControl::DefaultHandler(m);
    }
}

void TCustomComboBox::Change() { OnChange(this); }

void TCustomComboBox::Select() {
    if (OnSelect) OnSelect(this);
    else Change();
}

// ---- TCustomListBox ------------------------------------------------------------------------------

class TListBoxStrings : public TStrings {
public:
    explicit TListBoxStrings(TCustomListBox* l) : l_(l) {}
    QListWidget* w() const { return l_->list_; }
    int Count() const override { return w()->count(); }
    AnsiString Get(int index) const override {
        if (l_->IsVirtual()) return l_->DoGetData(checked(index));
        return as(item(index)->text());
    }
    void Put(int index, const AnsiString& s) override { item(index)->setText(qs(s)); }
    TObject* GetObject(int index) const override {
        return reinterpret_cast<TObject*>(item(index)->data(Qt::UserRole).value<qulonglong>());
    }
    void PutObject(int index, TObject* obj) override {
        item(index)->setData(Qt::UserRole, QVariant::fromValue(static_cast<qulonglong>(reinterpret_cast<std::uintptr_t>(obj))));
    }
    int Add(const AnsiString& s) override {
        int i = Count();
        if (l_->Sorted())
            for (i = 0; i < Count() && AnsiCompareText(Get(i), s) <= 0; ++i) {
            }
        Insert(i, s);
        return i;
    }
    void Insert(int index, const AnsiString& s) override {
        if (index < 0 || index > Count()) throw EStringListError("Индекс списка вне диапазона (" + std::to_string(index) + ")");
        auto* it = new QListWidgetItem(qs(s));
        if (l_->Style() != lbStandard) it->setSizeHint(QSize(0, l_->ItemHeight()));
        if (l_->IsVirtual()) it->setText(QString());
        w()->insertItem(index, it);
    }
    void Delete(int index) override { delete w()->takeItem(checked(index)); }
    void Clear() override { w()->clear(); }

private:
    int checked(int index) const {
        if (index < 0 || index >= Count()) throw EStringListError("Индекс списка вне диапазона (" + std::to_string(index) + ")");
        return index;
    }
    QListWidgetItem* item(int index) const { return w()->item(checked(index)); }
    TCustomListBox* l_;
};

// Paints owner-drawn items through the list box's canvas.
struct ListDelegate : public QStyledItemDelegate {
    TCustomListBox* box;
    explicit ListDelegate(TCustomListBox* b) : box(b) {}
    void paint(QPainter* p, const QStyleOptionViewItem& opt, const QModelIndex& index) const override {
        if (!box->IsOwnerDraw()) {
            QStyleOptionViewItem o(opt);
            if (box->FocusedLook()) {
                // The highlight of the active window, and the focus on the current row.
                o.state |= QStyle::State_Active;
                if (index.row() == box->ItemIndex()) o.state |= QStyle::State_HasFocus;
                o.palette.setCurrentColorGroup(QPalette::Active);
            }
            if (box->IsVirtual()) {
                initStyleOption(&o, index);
                TCustomListBox* b = box;
                int row = index.row();
                AnsiString text;
                b->GuardedPaint([&] { text = b->Items()->Get(row); });
                o.text = QString::fromStdString(text.str());
                const QWidget* w = o.widget;
                QStyle* style = w ? w->style() : QApplication::style();
                style->drawControl(QStyle::CE_ItemViewItem, &o, p, w);
                return;
            }
            QStyledItemDelegate::paint(p, o, index);
            return;
        }
        TOwnerDrawState st = 0;
        if (opt.state & QStyle::State_Selected) st |= odSelected;
        if (opt.state & QStyle::State_HasFocus) st |= odFocused;
        if (box->FocusedLook() && index.row() == box->ItemIndex()) st |= odFocused;
        if (!(opt.state & QStyle::State_Enabled)) st |= odDisabled;
        TRect r(opt.rect.left(), opt.rect.top(), opt.rect.right() + 1, opt.rect.bottom() + 1);
        TCanvas* c = box->Canvas();
        TCanvasPaintScope scope(*c, p, p->device() ? QSize(p->device()->width(), p->device()->height()) : QSize());
        c->Font()->Assign(box->Font());
        c->Brush()->SetColor((st & odSelected) ? clHighlight : box->Color());
        c->Font()->SetColor((st & odSelected) ? clHighlightText : box->Font()->Color());
        TCustomListBox* b = box;
        int row = index.row();
        b->GuardedPaint([&] { b->DrawItem(row, r, st); });
    }
    QSize sizeHint(const QStyleOptionViewItem& opt, const QModelIndex& index) const override {
        if (!box->IsOwnerDraw()) return QStyledItemDelegate::sizeHint(opt, index);
        return QSize(opt.rect.width(), box->ItemHeight());
    }
};

TCustomListBox::TCustomListBox(TComponent* owner) : TWinControl(owner), canvas_(std::make_unique<TControlCanvas>()) {
    auto* w = new HostWidget<QListWidget>(this);
    list_ = w;
    AttachHost(w);
    static_cast<TControlCanvas*>(canvas_.get())->SetControl(this);
    w->setItemDelegate(new ListDelegate(this));
    // The pointer's moves reach the list without a button held, as they reach any window.
    w->viewport()->setMouseTracking(true);
    w->setFocusPolicy(Qt::StrongFocus);
    w->setSelectionMode(QAbstractItemView::SingleSelection);
    items_ = std::make_unique<TListBoxStrings>(this);
    QObject::connect(w, &QListWidget::itemSelectionChanged, [this] {
        SafeCall(this, [this] { Perform(CN_COMMAND, MAKEWPARAM(0, LBN_SELCHANGE), 0); });
    });
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 97);
}

TCustomListBox::~TCustomListBox() {
    Destroying_();
    QObject::disconnect(list_, nullptr, nullptr, nullptr);
    static_cast<TControlCanvas*>(canvas_.get())->SetControl(nullptr);
}

void TCustomListBox::SetItems(TStrings* s) { items_->Assign(s); }

int TCustomListBox::ItemIndex() const { return list_->currentRow(); }

void TCustomListBox::SetItemIndex(int i) {
    bool blocked = list_->blockSignals(true);
    list_->setCurrentRow(i);
    if (i < 0) list_->clearSelection();
    list_->blockSignals(blocked);
}

void TCustomListBox::SetMultiSelect(bool b) {
    multiSelect_ = b;
    list_->setSelectionMode(b ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

bool TCustomListBox::Selected(int i) const {
    QListWidgetItem* it = list_->item(i);
    if (!it) throw EListError("Индекс списка вне диапазона (" + std::to_string(i) + ")");
    return it->isSelected();
}

void TCustomListBox::SetSelected(int i, bool b) {
    QListWidgetItem* it = list_->item(i);
    if (!it) throw EListError("Индекс списка вне диапазона (" + std::to_string(i) + ")");
    bool blocked = list_->blockSignals(true);
    it->setSelected(b);
    list_->blockSignals(blocked);
}

int TCustomListBox::SelCount() const { return multiSelect_ ? static_cast<int>(list_->selectedItems().size()) : -1; }

void TCustomListBox::SetSorted(bool b) {
    sorted_ = b;
    if (b) list_->sortItems();
}

int TCustomListBox::TopIndex() const {
    QListWidgetItem* it = list_->itemAt(0, 0);
    return it ? list_->row(it) : 0;
}

void TCustomListBox::SetTopIndex(int i) {
    if (QListWidgetItem* it = list_->item(i)) list_->scrollToItem(it, QAbstractItemView::PositionAtTop);
}

int TCustomListBox::ItemAtPos(TPoint p, bool existing) const {
    QPoint vp = list_->viewport()->mapFrom(list_, QPoint(p.x, p.y));
    QListWidgetItem* it = list_->itemAt(vp);
    if (it) return list_->row(it);
    return existing ? -1 : list_->count();
}

TRect TCustomListBox::ItemRect(int index) const {
    QListWidgetItem* it = list_->item(index);
    if (!it) return TRect();
    QRect r = list_->visualItemRect(it);
    QPoint tl = list_->viewport()->mapTo(list_, r.topLeft());
    return Bounds(tl.x(), tl.y(), r.width(), r.height());
}

int TCustomListBox::Count() const { return list_->count(); }

void TCustomListBox::SetCount(int n) {
    if (!IsVirtual()) throw EListError("Операция недопустима для невиртуального списка");
    n = std::max(0, n);
    bool blocked = list_->blockSignals(true);
    while (list_->count() > n) delete list_->takeItem(list_->count() - 1);
    while (list_->count() < n) items_->Insert(list_->count(), AnsiString());
    list_->blockSignals(blocked);
    list_->viewport()->update();
}

void TCustomListBox::SetFrame(TBevelCut cut, int width) {
    width = std::max(0, width);
    switch (cut) {
    case bvNone: list_->setFrameStyle(QFrame::NoFrame); break;
    case bvLowered: list_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken); break;
    case bvRaised:
        list_->setFrameStyle(QFrame::Panel | QFrame::Raised);
        list_->setLineWidth(width);
        break;
    case bvSpace:
        list_->setFrameStyle(QFrame::Box | QFrame::Plain);
        list_->setLineWidth(width);
        break;
    }
}

int TCustomListBox::FrameWidth() const { return list_->frameWidth(); }

void TCustomListBox::SetScrollBars(TScrollStyle s) {
    scrollBars_ = s;
    list_->setVerticalScrollBarPolicy(s == ssVertical || s == ssBoth ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void TCustomListBox::SetFocusedLook(bool b) {
    if (b == focusedLook_) return;
    focusedLook_ = b;
    list_->viewport()->update();
}

AnsiString TCustomListBox::DoGetData(int index) {
    AnsiString data;
    if (OnData) OnData(this, index, data);
    return data;
}

void TCustomListBox::DefaultHandler(TMessage& m) {
    switch (m.Msg) {
    case LB_SELECTSTRING: {
        const char* text = reinterpret_cast<const char*>(m.LParam);
        AnsiString prefix(text ? text : "");
        const int n = Count();
        int after = static_cast<int>(static_cast<std::intptr_t>(m.WParam));
        if (after == 0xFFFF || after < -1 || after >= n) after = -1;
        m.Result = LB_ERR;
        const int len = CharCount(prefix);
        for (int k = 1; k <= n; ++k) {
            int i = (after + k) % n;
            if (AnsiStrLIComp(items_->Get(i), prefix, len) == 0) {
                SetItemIndex(i);
                m.Result = i;
                break;
            }
        }
        return;
    }
    case WM_VSCROLL: {
        const int top = TopIndex(), page = std::max(1, ClientHeight() / std::max(1, itemHeight_));
        int to = top;
        switch (LOWORD(m.WParam)) {
        case SB_LINEUP: to = top - 1; break;
        case SB_LINEDOWN: to = top + 1; break;
        case SB_PAGEUP: to = top - page; break;
        case SB_PAGEDOWN: to = top + page; break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: to = HIWORD(m.WParam); break;
        case SB_TOP: to = 0; break;
        case SB_BOTTOM: to = Count() - 1; break;
        default: break;
        }
        if (to != top) SetTopIndex(std::clamp(to, 0, std::max(0, Count() - 1)));
        m.Result = 0;
        return;
    }
    case LB_GETTOPINDEX: m.Result = TopIndex(); return;
    case LB_SETTOPINDEX:
        SetTopIndex(static_cast<int>(m.WParam));
        m.Result = 0;
        return;
    case LB_ITEMFROMPOINT: {
        int i = ItemAtPos(TPoint(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)), false);
        // Low word: the nearest row; high word 1 when the point lies outside every row.
        bool outside = i >= Count();
        if (outside) i = std::max(0, Count() - 1);
        m.Result = MAKELPARAM(i, outside ? 1 : 0);
        return;
    }
    default: TWinControl::DefaultHandler(m);
    }
}

void TCustomListBox::SetStyle(TListBoxStyle s) {
    style_ = s;
    list_->setUniformItemSizes(s == lbOwnerDrawFixed || s == lbVirtualOwnerDraw || s == lbVirtual);
    for (int i = 0; i < list_->count(); ++i)
        list_->item(i)->setSizeHint(s == lbStandard ? QSize() : QSize(0, itemHeight_));
    list_->viewport()->update();
}

void TCustomListBox::SetItemHeight(int h) {
    itemHeight_ = std::max(1, h);
    SetStyle(style_);
}

void TCustomListBox::Clear() { items_->Clear(); }

void TCustomListBox::ColorChanged() {
    TWinControl::ColorChanged();
    setPaletteColor(list_, QPalette::Base, Color());
}

void TCustomListBox::CNCommand(TMessage& m) {
    if (HIWORD(m.WParam) == LBN_SELCHANGE) {
        Click();
        return;
    }
    TWinControl::CNCommand(m);
}

void TCustomListBox::DrawItem(int index, TRect rect, TOwnerDrawState state) {
    if (OnDrawItem) {
        OnDrawItem(this, index, rect, state);
        return;
    }
    TCanvas* c = Canvas();
    c->FillRect(rect);
    if (index >= 0 && index < items_->Count()) c->TextOut(rect.Left + 2, rect.Top, items_->Get(index));
}

// ---- TCustomGroupBox -----------------------------------------------------------------------------

TCustomGroupBox::TCustomGroupBox(TComponent* owner) : TWinControl(owner) {
    auto* w = new HostWidget<QGroupBox>(this);
    AttachHost(w);
    SetControlStyle(ControlStyle() | csAcceptsControls);
    SetColor(clBtnFace);
    SetParentColor(true);
    SetBounds(0, 0, 185, 105);
}

void TCustomGroupBox::TextChanged() { static_cast<QGroupBox*>(Widget())->setTitle(qs(Caption())); }

void TCustomGroupBox::AdjustClientRect(TRect& rect) {
    TWinControl::AdjustClientRect(rect);
    // Below the caption, inside the frame.
    TRect t = CalcTextRect(Font(), "0", TRect(0, 0, 0, 0), DT_SINGLELINE);
    rect.Top += t.Height();
    InflateRect(rect, -2, -2);
}

void TCustomGroupBox::ColorChanged() {
    TWinControl::ColorChanged();
    QWidget* w = Widget();
    setPaletteColor(w, QPalette::Window, Color());
    w->setAutoFillBackground(!ParentColor());
}

// ---- TScrollBar ----------------------------------------------------------------------------------

TScrollBar::TScrollBar(TComponent* owner) : TWinControl(owner) {
    auto* w = new HostWidget<QScrollBar>(this, Qt::Horizontal);
    bar_ = w;
    AttachHost(w);
    QObject::connect(w, &QScrollBar::actionTriggered, [this](int action) {
        if (updating_) return;
        TScrollCode code = scEndScroll;
        switch (action) {
        case QAbstractSlider::SliderSingleStepAdd: code = scLineDown; break;
        case QAbstractSlider::SliderSingleStepSub: code = scLineUp; break;
        case QAbstractSlider::SliderPageStepAdd: code = scPageDown; break;
        case QAbstractSlider::SliderPageStepSub: code = scPageUp; break;
        case QAbstractSlider::SliderToMinimum: code = scTop; break;
        case QAbstractSlider::SliderToMaximum: code = scBottom; break;
        case QAbstractSlider::SliderMove: code = scTrack; break;
        default: return;
        }
        scrollPos_ = bar_->sliderPosition();
        const UINT msg = kind_ == sbVertical ? CN_VSCROLL : CN_HSCROLL;
        userScroll_ = true;
        SafeCall(this, [&] {
            Perform(msg, MAKEWPARAM(static_cast<int>(code), scrollPos_), reinterpret_cast<LPARAM>(this));
        });
        userScroll_ = false;
        bar_->setSliderPosition(std::clamp(scrollPos_, bar_->minimum(), bar_->maximum()));
    });
    QObject::connect(w, &QScrollBar::valueChanged, [this](int v) {
        if (updating_ || v == position_) return;
        position_ = v;
        SafeCall(this, [this] { OnChange(this); });
    });
    SetBounds(0, 0, 121, 17);
    apply();
}

void TScrollBar::Dispatch(TMessage& m) {
    if (m.Msg != CN_HSCROLL && m.Msg != CN_VSCROLL) {
        TWinControl::Dispatch(m);
        return;
    }
    // The scroll codes are numbered like TScrollCode.
    int pos = userScroll_ ? scrollPos_ : static_cast<int>(HIWORD(m.WParam));
    OnScroll(this, static_cast<TScrollCode>(LOWORD(m.WParam)), pos);
    scrollPos_ = pos;
}

void TScrollBar::SetKind(TScrollBarKind k) {
    if (k == kind_) return;
    kind_ = k;
    bar_->setOrientation(k == sbHorizontal ? Qt::Horizontal : Qt::Vertical);
    SetBounds(Left(), Top(), Height(), Width());
}

void TScrollBar::SetPageSize(int v) {
    pageSize_ = std::max(0, v);
    apply();
}

void TScrollBar::SetSmallChange(int v) {
    smallChange_ = v;
    apply();
}

void TScrollBar::SetLargeChange(int v) {
    largeChange_ = v;
    apply();
}

void TScrollBar::SetParams(int position, int min, int max) {
    if (max < min) throw EInvalidOperation("Неверное значение свойства полосы прокрутки");
    position = std::clamp(position, min, max);
    bool changed = position != position_;
    min_ = min;
    max_ = max;
    position_ = position;
    apply();
    if (changed) OnChange(this);
}

void TScrollBar::apply() {
    updating_ = true;
    // The last position leaves room for a page: max is the end of the range, not of the slider.
    int top = std::max(min_, max_ - std::max(0, pageSize_ - 1));
    bar_->setRange(min_, top);
    bar_->setPageStep(pageSize_ > 0 ? pageSize_ : largeChange_);
    bar_->setSingleStep(smallChange_);
    bar_->setValue(std::clamp(position_, min_, top));
    updating_ = false;
}
