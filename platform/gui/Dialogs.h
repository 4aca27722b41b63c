// Message boxes and the standard dialogs (colour, font).
//
// Every message box of the program (MessageBox, Application->MessageBox, MessageDlg, ShowMessage,
// the default exception box) goes through one sink. The sink runs on the GUI thread; a call from a
// worker thread is handed to the GUI thread and waits for the answer. Tests replace the sink to
// record the boxes and give the answers.
#pragma once

#include "gui/Controls.h"
#include "gui/WinApi.h"

#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };

// A set of dialog buttons: TMsgDlgButtons() << mbYes << mbNo, or {mbYes, mbNo}.
class TMsgDlgButtons {
public:
    constexpr TMsgDlgButtons() = default;
    constexpr TMsgDlgButtons(std::initializer_list<TMsgDlgBtn> l) {
        for (TMsgDlgBtn b : l) bits_ |= 1u << b;
    }
    constexpr bool Contains(TMsgDlgBtn b) const { return (bits_ & (1u << b)) != 0; }
    constexpr TMsgDlgButtons operator<<(TMsgDlgBtn b) const { TMsgDlgButtons r(*this); r.bits_ |= 1u << b; return r; }
    constexpr bool Empty() const { return bits_ == 0; }

private:
    unsigned bits_ = 0;
};

inline constexpr TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline constexpr TMsgDlgButtons mbYesNo{mbYes, mbNo};
inline constexpr TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline constexpr TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

// One message box asked for.
struct TMessageBoxRequest {
    enum class Kind { MessageBox, MessageDlg, ShowMessage };
    Kind kind = Kind::MessageBox;
    AnsiString Text;
    AnsiString Caption;
    // MessageBox: the MB_* flags as given (type, icon, default button).
    UINT Flags = 0;
    // MessageDlg: the kind of message.
    TMsgDlgType DlgType = mtInformation;
    // The answers the buttons give (IDOK/mrOk, IDYES/mrYes, ...), in the order shown.
    std::vector<int> Buttons;
    // The answer of the default button and the answer of Escape / closing the box.
    int DefaultButton = 0;
    int CancelButton = 0;
    // True when a worker thread asked.
    bool FromWorkerThread = false;
};

// Shows a box and returns the answer (one of request.Buttons).
using TMessageBoxSink = std::function<int(const TMessageBoxRequest&)>;
// Installs a sink (an empty one restores the real boxes); returns the previous one.
TMessageBoxSink SetMessageBoxSink(TMessageBoxSink sink);
// Runs a request through the sink, from any thread.
int RunMessageBox(TMessageBoxRequest request);

// Captions of the message kinds and the buttons, as the boxes show them.
AnsiString MsgDlgTypeCaption(TMsgDlgType t);
AnsiString MsgDlgButtonCaption(int answer);

int MessageDlg(const AnsiString& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx = 0);
// The same with the default button chosen.
int MessageDlg(const AnsiString& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx, TMsgDlgBtn defaultButton);
// A box with the text and OK; the caption is the application's title.
void ShowMessage(const AnsiString& msg);

// ---- Standard dialogs ----------------------------------------------------------------------------
class TCommonDialog;
// Hook of tests: called instead of showing a standard dialog; sets the dialog's result properties
// and returns what Execute returns.
using TCommonDialogHook = std::function<bool(TCommonDialog* dialog)>;
TCommonDialogHook SetCommonDialogHook(TCommonDialogHook hook);

class TCommonDialog : public TComponent {
    PLANTMON_CLASS(TCommonDialog, TComponent)
public:
    explicit TCommonDialog(TComponent* owner) : TComponent(owner) {}
    // Shows the dialog modally; true when the user accepted.
    bool Execute();
    TNotifyEvent OnShow;
    TNotifyEvent OnClose;

protected:
    virtual bool DoExecute() = 0;
};

class TColorDialog : public TCommonDialog {
    PLANTMON_CLASS(TColorDialog, TCommonDialog)
public:
    explicit TColorDialog(TComponent* owner) : TCommonDialog(owner) {}
    TColor Color() const { return color_; }
    void SetColor(TColor c) { color_ = c; }
    // Sixteen custom colours as "ColorA=RRGGBB" lines, kept between calls.
    TStringList* CustomColors() { return &custom_; }

protected:
    bool DoExecute() override;

private:
    TColor color_ = clBlack;
    TStringList custom_;
};

class TFontDialog : public TCommonDialog {
    PLANTMON_CLASS(TFontDialog, TCommonDialog)
public:
    explicit TFontDialog(TComponent* owner);
    ~TFontDialog() override;
    TFont* Font() const { return font_.get(); }
    void SetFont(TFont* f) { font_->Assign(f); }

protected:
    bool DoExecute() override;

private:
    std::unique_ptr<TFont> font_;
};
