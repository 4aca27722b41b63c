// Speed buttons and bitmap buttons.
#pragma once

#include "gui/Controls.h"
#include "gui/StdCtrls.h"

#include <memory>

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };

// A flat (or raised) button without a window: tool bars of the screens, "[]" zoom buttons.
// GroupIndex > 0 makes it stay down; of one group only one is down (AllowAllUp lets it up again).
class TSpeedButton : public TGraphicControl {
    PLANTMON_CLASS(TSpeedButton, TGraphicControl)
public:
    explicit TSpeedButton(TComponent* owner);
    ~TSpeedButton() override;
    TBitmap* Glyph() const { return glyph_.get(); }
    void SetGlyph(TBitmap* b);
    // The glyph holds this many pictures side by side: up, disabled, down, exclusive.
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int n);
    bool Flat() const { return flat_; }
    void SetFlat(bool b);
    bool Down() const { return down_; }
    void SetDown(bool b);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int g);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool b);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout l);
    int Margin() const { return margin_; }
    void SetMargin(int m);
    int Spacing() const { return spacing_; }
    void SetSpacing(int s);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool b);
    void Click() override;

protected:
    // The face's state: up, down while pressed, exclusive while down in a group.
    TButtonState ButtonState() const { return state_; }
    void SetButtonState(TButtonState s) { state_ = s; }
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void CMMouseEnter(TMessage& m) override;
    void CMMouseLeave(TMessage& m) override;
    void ActionChange(TBasicAction* sender, bool checkDefaults) override;

private:
    void glyphChanged(TObject*);
    void updateExclusive();
    std::unique_ptr<TBitmap> glyph_;
    int numGlyphs_ = 1;
    bool flat_ = false;
    bool down_ = false;
    int groupIndex_ = 0;
    bool allowAllUp_ = false;
    TButtonLayout layout_ = blGlyphLeft;
    int margin_ = -1;
    int spacing_ = 4;
    bool transparent_ = true;
    bool hot_ = false;
    bool dragging_ = false;
    TButtonState state_ = bsUp;
};

enum TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };

// A push button with a picture. Kind sets the caption, the picture and the behaviour of the usual
// dialog buttons: OK and Yes are default buttons, Cancel and No cancel buttons; each gives the
// matching modal result; Close closes the form.
class TBitBtn : public TButton {
    PLANTMON_CLASS(TBitBtn, TButton)
public:
    explicit TBitBtn(TComponent* owner);
    ~TBitBtn() override;
    TBitBtnKind Kind() const { return kind_; }
    void SetKind(TBitBtnKind k);
    TBitmap* Glyph() const { return glyph_.get(); }
    void SetGlyph(TBitmap* b);
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int n);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout l);
    int Margin() const { return margin_; }
    void SetMargin(int m) { margin_ = m; }
    int Spacing() const { return spacing_; }
    void SetSpacing(int s) { spacing_ = s; }
    void Click() override;

protected:
    void UpdateFace() override;

private:
    void glyphChanged(TObject*);
    TBitBtnKind kind_ = bkCustom;
    std::unique_ptr<TBitmap> glyph_;
    int numGlyphs_ = 1;
    TButtonLayout layout_ = blGlyphLeft;
    int margin_ = -1;
    int spacing_ = 4;
};

// The caption a button kind shows ("OK", "Отмена", ...).
AnsiString BitBtnCaption(TBitBtnKind kind);
