// TSeparator: one compartment of a jig machine in section, with the coal and rock particles the
// water moves in it. The bath's sieve carries the bed; past the end of the sieve a chute leads
// down, and at the right edge stands the back wall. Particles are dragged by the water, settle at
// their own speeds, bounce on the sieve and the walls and push each other apart; heavy ones that
// ride past the sieve fall through the chute and leave at the bottom, light ones that pass over the
// back wall move on into NextSeparator.
//
// Places are in percent of the control (x of its width, y of its height, 0 at the top, growing
// downward); particle radii are in pixels.
//
// The particle list is shared: a separator that only shows the particles of another (a smaller copy
// on an overview screen) holds the same list. One separator steps a list, any number paint it, and
// the list with its particles goes with the last separator that holds it.
#pragma once

#include "gui/ExtCtrls.h"
#include "widgets/WidgetFrame.h"

#include <cstdint>
#include <memory>
#include <vector>

// One particle, copied by value.
struct TRockBall {
    double X = 0;      // percent of the width
    double Y = 0;      // percent of the height, downward
    double Layer = 0;  // particles collide only with particles of an equal layer
    double R = 0;      // radius, pixels
    std::int32_t Kind = 0;  // 0 coal, 1 rock, 2 bubble; any other value is drawn red
    double Vx = 0, Vy = 0;        // current velocity, positive right and down
    double OwnVx = 0, OwnVy = 0;  // the velocity the particle tends to by itself
    std::int32_t Spare = 0;       // carried along with the particle, never read by the separator
};

// The particles of one compartment, in the order they came in.
class TBallList {
public:
    int Count() const noexcept { return static_cast<int>(items_.size()); }
    TRockBall& operator[](int i) { return items_[static_cast<size_t>(i)]; }
    const TRockBall& operator[](int i) const { return items_[static_cast<size_t>(i)]; }
    void Add(const TRockBall& b) { items_.push_back(b); }
    void Delete(int i) { items_.erase(items_.begin() + i); }
    void Clear() { items_.clear(); }

private:
    std::vector<TRockBall> items_;
};

using TBallListRef = std::shared_ptr<TBallList>;

class TSeparator : public TPanel {
    PLANTMON_CLASS(TSeparator, TPanel)
public:
    explicit TSeparator(TComponent* owner);
    ~TSeparator() override;

    TColor WaterColor() const noexcept { return waterColor_; }
    void SetWaterColor(TColor c);
    // Paints straight onto the control, without background and kept picture.
    bool Transparent() const noexcept { return transparent_; }
    void SetTransparent(bool b);
    // Also draws the right-hand edge of the vessel.
    bool ShowClosedLoop() const noexcept { return showClosedLoop_; }
    void SetShowClosedLoop(bool b);
    TColor BackWallColor() const noexcept { return backWallColor_; }
    void SetBackWallColor(TColor c);
    int BackWallTop() const noexcept { return backWallTop_; }
    void SetBackWallTop(int percent);
    int BackWallWidth() const noexcept { return backWallWidth_; }
    void SetBackWallWidth(int percent);
    int BathHeight() const noexcept { return bathHeight_; }
    void SetBathHeight(int percent);
    // Percent of the bath's width.
    int BathBottomWidth() const noexcept { return bathBottomWidth_; }
    void SetBathBottomWidth(int percent);
    int GridHeight() const noexcept { return gridHeight_; }
    void SetGridHeight(int percent);
    int GridCount() const noexcept { return gridCount_; }
    void SetGridCount(int n);
    // Percent of a sieve segment left open.
    int GridSpace() const noexcept { return gridSpace_; }
    void SetGridSpace(int percent);
    TPen* WallPen() const noexcept { return wallPen_.get(); }
    void SetWallPen(TPen* p);
    int BathSubH() const noexcept { return bathSubH_; }
    void SetBathSubH(int percent);
    // The width of the bath, which is where the sieve ends and the chute begins.
    int BathWidth() const noexcept { return bathWidth_; }
    void SetBathWidth(int percent);
    TPen* GridPen() const noexcept { return gridPen_.get(); }
    void SetGridPen(TPen* p);
    double WaterVx() const noexcept { return waterVx_; }
    void SetWaterVx(double v) { waterVx_ = v; }
    double WaterVy() const noexcept { return waterVy_; }
    void SetWaterVy(double v) { waterVy_ = v; }
    // Displacement per step per unit of velocity.
    double SpeedK() const noexcept { return speedK_; }
    void SetSpeedK(double k) { speedK_ = k; }
    TColor RockColor() const noexcept { return rockColor_; }
    void SetRockColor(TColor c);
    TColor CoalColor() const noexcept { return coalColor_; }
    void SetCoalColor(TColor c);
    TColor BubbleColor() const noexcept { return bubbleColor_; }
    void SetBubbleColor(TColor c);
    // Averaging counts towards the water's velocity and towards a particle's own.
    double WaterK() const noexcept { return waterK_; }
    void SetWaterK(double k) { waterK_ = k; }
    double OwnK() const noexcept { return ownK_; }
    void SetOwnK(double k) { ownK_ = k; }
    int BallCount() const noexcept { return balls_->Count(); }
    // The count follows the particles; writing it changes nothing.
    void SetBallCount(int) {}
    // Receives the particles that leave over the right edge; forgotten when it is freed.
    TSeparator* NextSeparator() const noexcept { return next_; }
    void SetNextSeparator(TSeparator* next);
    TColor BackColor() const noexcept { return backColor_; }
    void SetBackColor(TColor c);
    // The water surface, percent of the height from the top.
    double WaterLevel() const noexcept { return waterLevel_; }
    void SetWaterLevel(double percent);

    // The particle list this separator steps or shows.
    const TBallListRef& Balls() const noexcept { return balls_; }
    // Shows (and steps, if asked to) another list from now on; null gives an empty list of its own.
    void SetBalls(TBallListRef list);

    // Moves every particle one step, then repaints; true.
    bool NextStep();
    // Appends a copy of the particle; false for null. No repaint.
    bool AddBall(const TRockBall* ball);
    // Removes the particle at index; false outside the list. No repaint.
    bool DeleteBall(int index);
    // The particle at index against all others of its layer; nothing outside the list.
    void CollisionControl(int index);
    // One step of a running average of a towards b with weight 1/n: ((n - 1) a + b) / n, b for n < 1.
    static double AverageVal(double a, double b, int n);

    void UpdateChanges();
    void StyleChanged(TObject* sender);

    // The outline the last paint computed, pixels.
    const TPoint* Outline() const noexcept { return p_; }

protected:
    void Paint() override;
    void ColorChanged() override;
    void Notification(TComponent* component, TOperation operation) override;
    void WMEraseBkgnd(TMessage& m) override { m.Result = 1; }

private:
    void draw(TCanvas* c);
    TWidgetPicture picture_;
    TBallListRef balls_;
    TColor waterColor_ = clBlue;
    bool transparent_ = false;
    bool showClosedLoop_ = false;
    TColor backWallColor_ = clYellow;
    int backWallTop_ = 10;
    int backWallWidth_ = 3;
    int bathHeight_ = 75;
    int bathBottomWidth_ = 80;
    int gridHeight_ = 20;
    int gridCount_ = 10;
    int gridSpace_ = 40;
    std::unique_ptr<TPen> wallPen_;
    int bathSubH_ = 0;
    int bathWidth_ = 80;
    std::unique_ptr<TPen> gridPen_;
    double waterVx_ = 3.0;
    double waterVy_ = 0.0;
    double speedK_ = 1.0;
    TColor rockColor_ = clSilver;
    TColor coalColor_ = clBlack;
    TColor bubbleColor_ = clWhite;
    double waterK_ = 7.0;
    double ownK_ = 3.0;
    TSeparator* next_ = nullptr;
    TColor backColor_ = clSilver;
    double waterLevel_ = 0;
    TPoint p_[9];
};
