// Spin edits: a number with up and down arrows.
#pragma once

#include "gui/Controls.h"

class QSpinBox;

class TSpinEdit : public TWinControl {
    PLANTMON_CLASS(TSpinEdit, TWinControl)
public:
    explicit TSpinEdit(TComponent* owner);
    ~TSpinEdit() override;
    // MinValue = MaxValue = 0: no limits.
    int MinValue() const { return minValue_; }
    void SetMinValue(int v);
    int MaxValue() const { return maxValue_; }
    void SetMaxValue(int v);
    int Value() const;
    void SetValue(int v);
    int Increment() const { return increment_; }
    void SetIncrement(int v);
    bool EditorEnabled() const { return editorEnabled_; }
    void SetEditorEnabled(bool b);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool b);
    void SelectAll();

    TNotifyEvent OnChange;

protected:
    AnsiString GetText() const override;
    void TextChanged() override;
    void ColorChanged() override;
    LRESULT NativeDlgCode() const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }

private:
    void applyRange();
    QSpinBox* spin_ = nullptr;
    int minValue_ = 0, maxValue_ = 0, increment_ = 1;
    bool editorEnabled_ = true;
    bool readOnly_ = false;
};
