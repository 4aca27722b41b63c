// What the widgets of the package share: the paint guard, the off-screen picture and the registry
// of colour-group routines.
//
// Colour groups: a screen colours every widget with a given Tag at once (SetColorByTag). What takes
// the colour depends on the widget's exact class ("TArrow": its Color, "TValve": pen and brush, ...).
// Each widget unit registers its own routine under its class name, so the colouring code knows no
// widget class and widgets added later bring their routine with them. "TPanel" and "TLabel" are
// registered here.
#pragma once

#include "gui/Controls.h"
#include "gui/Graphics.h"

#include <functional>
#include <memory>

class TStringList;

// Gives one component of the class it was registered for the group colour.
using TColorGroupRoutine = void (*)(TComponent* component, TColor colour);

// Registers (or replaces) the routine of a class name; returns true so a unit can register from a
// static initialiser.
bool RegisterColorGroupRoutine(const AnsiString& className, TColorGroupRoutine routine);
// The routine registered under exactly this class name (case matters, no base classes), or nullptr.
TColorGroupRoutine FindColorGroupRoutine(const AnsiString& className);

// Runs a widget's drawing; an exception in it is answered with the simple beep, and the picture
// stays as far as it was drawn.
void WidgetPaintGuard(const std::function<void()>& draw);

// The off-screen picture of a widget that draws into a bitmap and copies it to the screen.
class TWidgetPicture {
public:
    TWidgetPicture() : bitmap_(std::make_unique<TBitmap>()) {}
    TBitmap* Bitmap() const noexcept { return bitmap_.get(); }
    TCanvas* Canvas() const { return bitmap_->Canvas(); }
    bool Redraw() const noexcept { return redraw_; }
    void SetRedraw(bool b) noexcept { redraw_ = b; }
    // Gives the bitmap the control's size (height first, then width) and asks for a redraw when it
    // changed.
    void FitTo(const TControl* control);
    // Copies the whole picture onto the control's canvas.
    void CopyTo(TCanvas* target, const TControl* control) const;
    // The paint of a widget that keeps its picture: fits it to the control, lets draw redraw it on
    // the bitmap's canvas when asked for, and copies it onto target; a hidden control shows
    // nothing. When draw throws, the redraw stays asked for and nothing is copied.
    void Show(const TControl* control, TCanvas* target, const std::function<void(TCanvas*)>& draw);

private:
    std::unique_ptr<TBitmap> bitmap_;
    bool redraw_ = true;
};

// A pixel coordinate from a computed length, toward zero. Infinity and NaN (a division by zero on
// the way) and values beyond the int range raise EInvalidOp, which the paint guard answers with its
// beep, instead of drawing at a wrapped coordinate.
int TruncPixel(double v);

// Corners of an outline kept as text lines "x; y", percentages with blanks around the numbers and
// the locale's decimal separator allowed; with xFlip x becomes 100 - x. Fewer than 3 lines set the
// count to 0 (no outline). More than MaxOutlinePoints lines, or a line without a semicolon after
// its x, or a number that does not read, show an error box and leave the count as it was; the
// corners before a bad line are stored all the same.
constexpr int MaxOutlinePoints = 100;
void ReadOutlinePoints(const TStringList* lines, bool xFlip, double* xs, double* ys, int& count);
// Rotates the point (x, y) about the origin by angle radians, counter-clockwise with y upward.
void RotateAboutOrigin(double& x, double& y, double angle);
