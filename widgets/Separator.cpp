#include "widgets/Separator.h"

#include "rtl/MathUtils.h"

#include <climits>
#include <cmath>

namespace {
void SeparatorGroupColor(TComponent* c, TColor colour) { static_cast<TSeparator*>(c)->SetWaterColor(colour); }
const bool registered = RegisterColorGroupRoutine("TSeparator", &SeparatorGroupColor);

int Tx(double v) { return static_cast<int>(Trunc(v)); }

// An averaging count as the step uses it: the whole part, kept within int.
int Count(double k) { return static_cast<int>(EnsureRange<long long>(Trunc(k), INT_MIN, INT_MAX)); }
}  // namespace

TSeparator::TSeparator(TComponent* owner)
    : TPanel(owner),
      balls_(std::make_shared<TBallList>()),
      wallPen_(std::make_unique<TPen>()),
      gridPen_(std::make_unique<TPen>()) {
    (void)registered;
    wallPen_->OnChange = TNotifyEvent(this, &TSeparator::StyleChanged);
    gridPen_->OnChange = TNotifyEvent(this, &TSeparator::StyleChanged);
    SetColor(clBlack);
    SetWaterLevel(1.0);
}

TSeparator::~TSeparator() = default;

void TSeparator::UpdateChanges() {
    picture_.SetRedraw(true);
    Invalidate();
}

void TSeparator::StyleChanged(TObject*) { UpdateChanges(); }

void TSeparator::ColorChanged() {
    TPanel::ColorChanged();
    UpdateChanges();
}

#define SEPARATOR_SETTER(Name, Type, field) \
    void TSeparator::Set##Name(Type v) {    \
        if (v == field) return;             \
        field = v;                          \
        UpdateChanges();                    \
    }
SEPARATOR_SETTER(WaterColor, TColor, waterColor_)
SEPARATOR_SETTER(ShowClosedLoop, bool, showClosedLoop_)
SEPARATOR_SETTER(BackWallColor, TColor, backWallColor_)
SEPARATOR_SETTER(BackWallTop, int, backWallTop_)
SEPARATOR_SETTER(BackWallWidth, int, backWallWidth_)
SEPARATOR_SETTER(BathHeight, int, bathHeight_)
SEPARATOR_SETTER(BathBottomWidth, int, bathBottomWidth_)
SEPARATOR_SETTER(GridHeight, int, gridHeight_)
SEPARATOR_SETTER(GridCount, int, gridCount_)
SEPARATOR_SETTER(GridSpace, int, gridSpace_)
SEPARATOR_SETTER(BathSubH, int, bathSubH_)
SEPARATOR_SETTER(BathWidth, int, bathWidth_)
SEPARATOR_SETTER(RockColor, TColor, rockColor_)
SEPARATOR_SETTER(CoalColor, TColor, coalColor_)
SEPARATOR_SETTER(BubbleColor, TColor, bubbleColor_)
SEPARATOR_SETTER(BackColor, TColor, backColor_)
SEPARATOR_SETTER(WaterLevel, double, waterLevel_)
#undef SEPARATOR_SETTER

void TSeparator::SetTransparent(bool b) { transparent_ = b; }

void TSeparator::SetWallPen(TPen* p) {
    if (p && p != wallPen_.get()) wallPen_->Assign(p);
}

void TSeparator::SetGridPen(TPen* p) {
    if (p && p != gridPen_.get()) gridPen_->Assign(p);
}

void TSeparator::SetNextSeparator(TSeparator* next) {
    if (next == next_) return;
    if (next_) next_->RemoveFreeNotification(this);
    next_ = next;
    if (next_) next_->FreeNotification(this);
}

void TSeparator::Notification(TComponent* component, TOperation operation) {
    TPanel::Notification(component, operation);
    if (operation == opRemove && component == next_) next_ = nullptr;
}

void TSeparator::SetBalls(TBallListRef list) { balls_ = list ? std::move(list) : std::make_shared<TBallList>(); }

bool TSeparator::AddBall(const TRockBall* ball) {
    if (!ball) return false;
    balls_->Add(*ball);
    return true;
}

bool TSeparator::DeleteBall(int index) {
    if (index < 0 || index >= balls_->Count()) return false;
    balls_->Delete(index);
    return true;
}

double TSeparator::AverageVal(double a, double b, int n) { return n >= 1 ? ((n - 1) * a + b) / n : b; }

void TSeparator::CollisionControl(int index) {
    TBallList& list = *balls_;
    if (index < 0 || index >= list.Count()) return;
    TRockBall& p = list[index];
    for (int i = 0; i < list.Count(); ++i) {
        if (i == index) continue;
        TRockBall& q = list[i];
        if (q.Layer != p.Layer) continue;
        const double d = q.R + p.R;
        // Pixels, unsigned: p is pushed towards smaller x and y, q towards larger, whatever their order.
        const double dx = std::fabs(q.X - p.X) * Width() / 100;
        if (dx > d) continue;
        const double dy = std::fabs(q.Y - p.Y) * Height() / 100;
        if (dy > d) continue;
        const double dist = std::sqrt(dx * dx + dy * dy);
        if (dist > d) continue;
        // The mass ratio needs two real radii; a particle without one exchanges no velocity.
        if (p.R > 0 && q.R > 0) {
            const double m = std::pow(q.R / p.R, 3);
            p.Vx = p.Vx + (q.Vx - p.Vx) * m * 0.5;
            p.Vy = p.Vy + (q.Vy - p.Vy) * m * 0.5;
        }
        const double k = dist > 0 ? (d - dist) / dist * 0.5 : 0.5;
        p.X -= dx * k;
        q.X += dx * k;
        q.Vx += dx * k;
        p.Y -= dy * k;
        q.Y += dy * k;
        q.Vy += dy * k;
    }
}

bool TSeparator::NextStep() {
    // The list may also be painted by other separators; it stays alive while this step runs.
    const TBallListRef hold = balls_;
    TBallList& list = *hold;
    const int wk = Count(waterK_);
    const int ok = Count(ownK_);
    // Each particle once, in list order: one handed on to a receiver that shares this list lands
    // behind the end and waits for the next step; a removal moves the next one into this index.
    int n = list.Count();
    int i = 0;
    while (i < n) {
        TRockBall& b = list[i];
        if (b.X > bathWidth_ && b.Y > gridHeight_) {
            b.Vy = AverageVal(b.Vy, b.OwnVy, ok);
        } else {
            b.Vx = AverageVal(b.Vx, waterVx_, wk);
            b.Vy = AverageVal(b.Vy, waterVy_, wk);
        }
        b.Vx = AverageVal(b.Vx, b.OwnVx, ok);
        b.Vy = AverageVal(b.Vy, b.OwnVy, ok);
        CollisionControl(i);
        b.X += speedK_ * b.Vx;
        b.Y += speedK_ * b.Vy;
        if (b.X < b.R) {
            b.X = b.R;
            if (b.Vx < 0) b.Vx = -b.Vx * 2 / 3;
        }
        const double wallFace = 100 - backWallWidth_;
        if (b.X < bathWidth_ && b.Y + b.R > gridHeight_ && b.Vy > 0) {
            // The sieve: rock keeps more of its bounce than coal.
            b.Vy = -b.Vy / (b.Kind > 0 ? 1.3 : 2.0);
            b.Y = gridHeight_ - b.R;
        } else if (b.Y + b.R > backWallTop_ && b.X + b.R >= wallFace) {
            if (b.Y <= backWallTop_) {
                // On the wall's top; one still overhanging the chute is thrown back.
                b.Vy = -b.Vy * 5 / 6;
                b.Y = backWallTop_ - b.R;
                if (b.X - b.R < wallFace) b.Vx = -b.Vx;
            } else {
                b.Vx = -b.Vx;
                b.X = wallFace - b.R;
            }
        }
        if (b.Y - b.R < 0) {
            if (b.Kind == 2) {
                DeleteBall(i);
                --n;
                continue;
            }
            b.Y = b.R;
            b.Vy = 0;
        }
        if (b.X > 100) {
            if (next_) {
                TRockBall out = b;
                out.X -= 100;
                next_->AddBall(&out);
            }
            DeleteBall(i);
            --n;
            continue;
        }
        if (b.Y > 100) {
            DeleteBall(i);
            --n;
            continue;
        }
        ++i;
    }
    UpdateChanges();
    return true;
}

void TSeparator::Paint() {
    WidgetPaintGuard([this] {
        picture_.FitTo(this);
        if (!Visible()) return;
        TCanvas* target = transparent_ ? Canvas() : picture_.Canvas();
        if (picture_.Redraw()) {
            draw(target);
            picture_.SetRedraw(false);
        }
        if (!transparent_) picture_.CopyTo(Canvas(), this);
    });
}

void TSeparator::draw(TCanvas* c) {
    const int W = Width(), H = Height();
    const int w2 = wallPen_->Width() / 2;
    const int bw = Tx(bathWidth_ * static_cast<double>(W) / 100);
    const int bb = Tx(bathBottomWidth_ * static_cast<double>(bw) / 100);
    const int xs = (bw - bb) / 2;
    const int yS = Tx((bathHeight_ - bathSubH_) * static_cast<double>(H) / 100);
    const int yB = Tx(bathHeight_ * static_cast<double>(H) / 100);
    const int yG = Tx(gridHeight_ * static_cast<double>(H) / 100);
    p_[0] = TPoint(w2, w2);
    p_[1] = TPoint(w2, yS);
    p_[2] = TPoint(xs, yB);
    p_[3] = TPoint(bw - xs, yB);
    p_[4] = TPoint(bw, yS);
    p_[5] = TPoint(bw, yG);
    p_[6] = TPoint(bw, H - w2);
    p_[7] = TPoint(W - w2, H - w2);
    p_[8] = TPoint(W - w2, w2);

    if (!transparent_) {
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(Color());
        c->FillRect(TRect(0, 0, W, H));
    }
    auto solid = [c](TColor colour) {
        c->Pen()->SetStyle(psSolid);
        c->Pen()->SetColor(colour);
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(colour);
    };
    solid(backColor_);
    c->Polygon(p_, 9);

    const int yW = Tx(H * waterLevel_ / 100);
    p_[0].y = yW;
    p_[8].y = yW;
    solid(waterColor_);
    c->Polygon(p_, 9);
    p_[0].y = w2;
    p_[8].y = w2;

    c->SetPen(wallPen_.get());
    c->Polyline(p_, 8);
    c->MoveTo(0, w2);
    c->LineTo(W, w2);
    if (showClosedLoop_) {
        c->MoveTo(W - w2, w2);
        c->LineTo(W - w2, H - w2);
    }

    if (gridCount_ > 0) {
        const int seg = bw / gridCount_;
        const double dash = (100 - gridSpace_) * static_cast<double>(seg) / 100;
        const int pw = gridPen_->Width();
        if (dash > 0) {
            c->SetPen(gridPen_.get());
            for (int i = 0; i < gridCount_; ++i) {
                const double x = i * static_cast<double>(bw) / gridCount_ + pw;
                c->MoveTo(Tx(x), yG);
                c->LineTo(Tx(x + dash - pw), yG);
            }
        }
    }

    solid(backWallColor_);
    c->Rectangle(Tx((1 - backWallWidth_ / 100.0) * W), Tx(backWallTop_ * static_cast<double>(H) / 100), W, H);

    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetWidth(1);
    const TBallList& list = *balls_;
    for (int i = 0; i < list.Count(); ++i) {
        const TRockBall& b = list[i];
        const double cx = W * b.X / 100;
        const double cy = H * b.Y / 100;
        TColor fill = clRed;
        switch (b.Kind) {
        case 0: fill = coalColor_; break;
        case 1: fill = rockColor_; break;
        case 2: fill = bubbleColor_; break;
        default: break;
        }
        c->Brush()->SetColor(fill);
        c->Pen()->SetColor(b.Kind > 1 ? clAqua : fill);
        c->Ellipse(Tx(cx - b.R), Tx(cy - b.R), Tx(cx + b.R), Tx(cy + b.R));
    }
}
