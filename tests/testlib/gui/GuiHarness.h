// Off-screen GUI testing: showing forms, sending keys and clicks the way a user makes them,
// grabbing pictures, and answering the boxes and dialogs a test makes the program show.
//
// Link plantmon_testlib_gui; its main() creates the QApplication on the "offscreen" platform and
// installs a message-box recorder that answers unexpected boxes with their default button (so a
// test never hangs on a box) and reports them as test failures.
#pragma once

#include "gui/Dialogs.h"
#include "gui/Forms.h"
#include "gui/Menus.h"

#include <QImage>

#include <deque>
#include <functional>
#include <vector>

namespace guitest {

// Creates the QApplication (offscreen) when there is none.
void EnsureApp();
// Handles the events waiting, for at least ms milliseconds.
void Pump(int ms = 0);
// Handles events until none is waiting: what a test then sees is all that the events before it did,
// however slow the machine.
void Settle();
// Handles events until cond holds or timeoutMs passed; returns cond.
bool WaitFor(const std::function<bool()>& cond, int timeoutMs = 3000);
// Frees what deleteLater left behind.
void FlushDeletes();

// Shows the form, waits until it is exposed and active.
void ShowForm(TCustomForm* form);

// ---- Input (goes through the application like real input: hook, shortcuts, focus) -------------
// Position defaults to the centre of the control.
void Click(TControl* c, TPoint p = TPoint(-1, -1), TMouseButton b = mbLeft, TShiftState shift = 0);
void DblClick(TControl* c, TPoint p = TPoint(-1, -1), TShiftState shift = 0);
void MouseDown(TControl* c, TPoint p, TMouseButton b = mbLeft, TShiftState shift = 0);
void MouseUp(TControl* c, TPoint p, TMouseButton b = mbLeft, TShiftState shift = 0);
void MouseMove(TControl* c, TPoint p, TShiftState shift = 0);
void Wheel(TControl* c, TPoint p, int delta, TShiftState shift = 0);
// A key press and release sent to the focused widget (or to c when given): ShortcutOverride,
// KeyPress, KeyRelease. text: what the key types (default: the key's own character, if any).
void Key(WORD vk, TShiftState shift = 0, TWinControl* c = nullptr);
void KeyText(WORD vk, TShiftState shift, const AnsiString& text, TWinControl* c = nullptr);
// Types each character of text (UTF-8) into the focused control.
void Type(const AnsiString& text, TWinControl* c = nullptr);

// ---- Pictures ------------------------------------------------------------------------------------
// What the control shows now (its widget rendered with children), RGB32.
QImage Grab(TControl* c);
bool SavePng(TControl* c, const AnsiString& fileName);
// The colour (as TColor) of a pixel of the control's picture.
TColor Pixel(TControl* c, int x, int y);
TColor PixelOf(const QImage& img, int x, int y);

// ---- Message boxes -------------------------------------------------------------------------------
// Records every box while alive and answers from a queue (then with the box's default button).
class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;
    // The next box gets this answer.
    void Answer(int answer) { answers_.push_back(answer); }
    // Called for each box (after recording); may return an answer (0: use the queue/default).
    std::function<int(const TMessageBoxRequest&)> OnBox;
    const std::vector<TMessageBoxRequest>& Boxes() const { return boxes_; }
    int Count() const { return static_cast<int>(boxes_.size()); }
    const TMessageBoxRequest& Last() const { return boxes_.back(); }
    void Clear() { boxes_.clear(); }

private:
    std::vector<TMessageBoxRequest> boxes_;
    std::deque<int> answers_;
    TMessageBoxSink previous_;
};

// Answers modal forms: each ShowModal takes the next action from the queue (the action sets the
// dialog's fields and its ModalResult). A modal form with no action left is closed with mrCancel
// and counted as unexpected.
class ModalDriver {
public:
    ModalDriver();
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;
    void Then(std::function<void(TCustomForm*)> action) { actions_.push_back(std::move(action)); }
    // Sets ModalResult to r for the next modal form.
    void ThenClose(TModalResult r);
    int Shown() const { return shown_; }
    int Unexpected() const { return unexpected_; }

private:
    std::deque<std::function<void(TCustomForm*)>> actions_;
    int shown_ = 0;
    int unexpected_ = 0;
    TModalHook previous_;
};

// Chooses items of popup menus and answers the colour and font dialogs.
class DialogDriver {
public:
    DialogDriver();
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;
    // The next popup menu clicks the item with this caption ('&' ignored; "" clicks nothing).
    void ChoosePopupItem(const AnsiString& caption) { popupChoices_.push_back(caption); }
    // The next standard dialog is accepted after action ran on it, or cancelled.
    void Accept(std::function<void(TCommonDialog*)> action) { dialogActions_.emplace_back(true, std::move(action)); }
    void Cancel() { dialogActions_.emplace_back(false, nullptr); }
    int PopupsShown() const { return popups_; }
    int DialogsShown() const { return dialogs_; }
    // Where the last popup menu was shown (screen coordinates).
    TPoint LastPopupPos() const { return lastPopupPos_; }

private:
    std::deque<AnsiString> popupChoices_;
    std::deque<std::pair<bool, std::function<void(TCommonDialog*)>>> dialogActions_;
    int popups_ = 0;
    int dialogs_ = 0;
    TPoint lastPopupPos_;
    TPopupMenuHook previousPopup_;
    TCommonDialogHook previousDialog_;
};

}  // namespace guitest
