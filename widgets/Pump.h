// TPump: the centrifugal-pump symbol (inlet pipe, casing, impeller arc, outlet), mirrored left to
// right with VertFlip. Pen and brush are kept in a colour INI file (ConfigName).
#pragma once

#include "gui/Controls.h"
#include "widgets/WidgetFrame.h"

#include <memory>

class TPump : public TGraphicControl {
    PLANTMON_CLASS(TPump, TGraphicControl)
public:
    explicit TPump(TComponent* owner);
    ~TPump() override;

    TBrush* Brush() const noexcept { return brush_.get(); }
    void SetBrush(TBrush* b);
    TPen* Pen() const noexcept { return pen_.get(); }
    void SetPen(TPen* p);
    bool VertFlip() const noexcept { return vertFlip_; }
    void SetVertFlip(bool b);
    AnsiString ConfigName() const { return configName_; }
    void SetConfigName(const AnsiString& name) { configName_ = name; }

    void StyleChanged(TObject* sender);

    // The pen ("Pen" keys) and "BrushColor" into the section named after the pump; false on a failure.
    bool SaveConfig();
    // The same keys of the section (the pump's own name when empty); false on a failure.
    bool LoadConfig(const AnsiString& section);

protected:
    void Paint() override;

private:
    std::unique_ptr<TBrush> brush_;
    std::unique_ptr<TPen> pen_;
    bool vertFlip_ = false;
    AnsiString configName_ = ".\\Colors.INI";
};
