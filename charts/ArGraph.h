// TArGraph: a simple array plot.
//
// Up to 64 series of equal length (3 to 4096 points each) drawn against their point index in one
// plot rectangle, with a value grid, a label grid, the two axes as arrows and tick marks, but no
// text. A series is replaced as a whole (SetGraphData); one point of the current series can be
// edited through CursorX and CursorY. A value at or below YMin marks a gap in its series.
//
// Every property setter that changes something repaints at once; the picture is drawn into an
// off-screen Bitmap and copied onto the control. A picture that cannot be computed (YMax equal to
// YMin, a value that maps to no pixel) ends the paint with a beep.
#pragma once

#include "gui/ExtCtrls.h"
#include "gui/Graphics.h"

#include <memory>
#include <span>
#include <vector>

class TArGraph : public TPanel {
    PLANTMON_CLASS(TArGraph, TPanel)
public:
    static constexpr int MaxGraphCount = 64;
    static constexpr int MinGraphSize = 3;
    static constexpr int MaxGraphSize = 4096;

    explicit TArGraph(TComponent* owner);
    ~TArGraph() override;

    // Set on creation and when the picture changes size; the control redraws on every paint anyway.
    bool NeedRedraw = true;
    // The off-screen picture.
    TBitmap* Bitmap = nullptr;
    // Pixels per point index and per value unit, and the plot rectangle (set by each paint).
    double XScaleK = 0, YScaleK = 0;
    int RegionLeft = 0, RegionTop = 0, RegionRight = 0, RegionBottom = 0;

    // ---- Series ------------------------------------------------------------------------------------
    // Copies GraphSize values into series graph and repaints. False, and nothing copied, when graph
    // is no series of the plot or data holds fewer than GraphSize values.
    bool SetGraphData(std::span<const double> data, int graph);
    // The values of series graph (empty for no series).
    std::span<const double> GraphData(int graph) const;
    // Colour of a series' pen; an index outside the series is ignored when written and reads as 0.
    void SetGrColors(int index, TColor color);
    TColor GetGrColors(int index) const;
    // The pen of CurrentGraph (NetPen while no series exist); setting copies a non-null pen into it.
    TPen* GetCurrentGraphPen() const;
    void SetCurrentGraphPen(TPen* pen);
    // The value of CurrentGraph at CursorX (0 while no series exist); setting writes it there.
    double GetCursorY() const;
    void SetCursorY(double v);
    int CursorX() const { return cursorX_; }
    // Accepts 0..GraphSize-1; does not repaint.
    void SetCursorX(int v);

    // Rebuilds the pens (series 0..5 red, blue, yellow, green, lime, navy, the rest black) and the
    // series (all 0); CursorX and CurrentGraph back to 0.
    void ResetGraphics();
    // Releases the pens and series.
    void FreeMemory();

    // Pixel column of a point index and row of a value (a value outside YMin..YMax lies on the
    // plot's edge), from the scales of the last paint.
    int XtoScreen(double index) const;
    int YtoScreen(double value) const;

    // ---- Properties --------------------------------------------------------------------------------
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool v) { change(transparent_, v); }
    double YMin() const { return yMin_; }
    void SetYMin(double v) { change(yMin_, v); }
    double YMax() const { return yMax_; }
    void SetYMax(double v) { change(yMax_, v); }
    // 1..64; a new count discards every series' values.
    int GraphCount() const { return graphCount_; }
    void SetGraphCount(int v);
    int CurrentGraph() const { return currentGraph_; }
    void SetCurrentGraph(int v);
    // 3..4096; a new size discards every series' values.
    int GraphSize() const { return graphSize_; }
    void SetGraphSize(int v);
    TColor GrColor() const { return grColor_; }
    void SetGrColor(TColor v) { change(grColor_, v); }
    int AddY() const { return addY_; }
    void SetAddY(int v) { change(addY_, v); }
    int AddX() const { return addX_; }
    void SetAddX(int v) { change(addX_, v); }
    int AxisWidth() const { return axisWidth_; }
    void SetAxisWidth(int v) { change(axisWidth_, v); }
    int LabelH() const { return labelH_; }
    void SetLabelH(int v) { change(labelH_, v); }
    int AddScale() const { return addScale_; }
    void SetAddScale(int v) { change(addScale_, v); }
    int EdgeLen() const { return edgeLen_; }
    void SetEdgeLen(int v) { change(edgeLen_, v); }
    // The steps of the grids and ticks; only values above 0 are taken.
    double LabelDY() const { return labelDY_; }
    void SetLabelDY(double v);
    int LabelDX() const { return labelDX_; }
    void SetLabelDX(int v);
    int NetDX() const { return netDX_; }
    void SetNetDX(int v);
    double NetDY() const { return netDY_; }
    void SetNetDY(double v);
    TColor AxisColor() const { return axisColor_; }
    void SetAxisColor(TColor v) { change(axisColor_, v); }
    bool ViewNet() const { return viewNet_; }
    void SetViewNet(bool v) { change(viewNet_, v); }
    bool LabelNet() const { return labelNet_; }
    void SetLabelNet(bool v) { change(labelNet_, v); }
    TPen* NetPen() const { return netPen_.get(); }
    void SetNetPen(TPen* p);

protected:
    void Paint() override;

private:
    template <class T>
    void change(T& field, T v) {
        if (field == v) return;
        field = v;
        Refresh();
    }
    void penChanged(TObject*);
    void draw(TCanvas* c);
    // Lines across the plot at the grid positions of the given steps.
    void drawGrid(TCanvas* c, int stepX, double stepY);

    std::unique_ptr<TBitmap> bitmap_;
    std::unique_ptr<TPen> netPen_;
    std::vector<std::unique_ptr<TPen>> pens_;
    std::vector<std::vector<double>> data_;
    bool transparent_ = false;
    double yMin_ = 1700, yMax_ = 2200;
    int graphCount_ = 2;
    int currentGraph_ = 0;
    int graphSize_ = 720;
    TColor grColor_ = clSilver;
    int addY_ = 20, addX_ = 30;
    int axisWidth_ = 2;
    int labelH_ = 5;
    int addScale_ = 15;
    int edgeLen_ = 10;
    double labelDY_ = 100;
    int labelDX_ = 60;
    TColor axisColor_ = clBlack;
    bool viewNet_ = true;
    int netDX_ = 10;
    double netDY_ = 20;
    int cursorX_ = 0;
    bool labelNet_ = false;
};
