// The rest of a press the grid handed to a button of its cell editor: the window that took the
// press keeps getting the pointer, so the grid passes the moves and the release on to the button
// that holds the mouse, which then clicks as if it had been pressed itself.
#include "gridlib/grid/DBGridGx.h"

bool TCustomDBGridGx::passToPressedEditButton(TMessage& m) {
    if (m.Msg != WM_MOUSEMOVE && m.Msg != WM_LBUTTONUP) return false;
    TControl* capture = Mouse->Capture();
    TDBGridInplaceEdit* editor = DBInplaceEditor();
    if (!capture || capture == this || !editor) return false;
    bool held = false;
    for (const TEditButtonControlLineRec& rec : editor->EditButtonControls())
        if (rec.EditButtonControl == capture) held = true;
    if (!held) return false;
    const TPoint local = capture->ScreenToClient(ClientToScreen(TPoint(m.XPos(), m.YPos())));
    if (m.Msg == WM_LBUTTONUP) SetControlState(ControlState() & ~csLButtonDown);
    capture->Perform(m.Msg, m.WParam, MAKELPARAM(local.x, local.y));
    return true;
}
