// The jig compartment: single steps of one particle against the water, the sieve, the walls and
// the edges; the collision exchange; removals while stepping; the hand-over along a chain; and one
// particle list shown by two compartments.
#include "widgets/Separator.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using widgettest::OfKind;
using widgettest::Paintable;
using widgettest::RecordPaint;
using Sep = Paintable<TSeparator>;

// 100 x 100 pixels, so a pixel is a percent: the bath (and sieve) ends at x 80, the sieve lies at
// y 30, the back wall's face at x 95 and its top at y 20. Averaging counts of 2: each pull goes
// half way to its target.
void Compartment(TSeparator& s) {
    s.SetBounds(0, 0, 100, 100);
    s.SetBathWidth(80);
    s.SetGridHeight(30);
    s.SetBackWallWidth(5);
    s.SetBackWallTop(20);
    s.SetSpeedK(1);
    s.SetWaterK(2);
    s.SetOwnK(2);
}

TRockBall Ball(double x, double y, double r, int kind, double vx, double vy, double ownVx, double ownVy) {
    TRockBall b;
    b.X = x;
    b.Y = y;
    b.R = r;
    b.Kind = kind;
    b.Layer = 1;
    b.Vx = vx;
    b.Vy = vy;
    b.OwnVx = ownVx;
    b.OwnVy = ownVy;
    return b;
}

TEST(Separator, OneStepOfOneParticle) {
    struct Case {
        const char* name;
        double waterVx, waterVy;
        TRockBall in;
        bool stays;
        double x, y, vx, vy;  // after the step
    };
    const Case cases[] = {
        // Water (4, 0), own (0, 4): Vx 0 -> 2 -> 1, Vy 0 -> 0 -> 2.
        {"in the bath: the water's pull, then its own", 4, 0, Ball(50, 10, 2, 0, 0, 0, 0, 4), true, 51, 12, 1, 2},
        // In the chute the water does not pull: Vy 0 -> 2 -> 3, Vx 0 -> 0.
        {"in the chute: two pulls towards its own", 4, 0, Ball(90, 50, 2, 0, 0, 0, 0, 4), true, 90, 53, 0, 3},
        {"onto the sieve, coal: half the bounce", 0, 4, Ball(50, 27, 2, 0, 0, 4, 0, 4), true, 50, 28, 0, -2},
        {"onto the sieve, rock: more of it", 0, 4, Ball(50, 27, 2, 1, 0, 4, 0, 4), true, 50, 28, 0, -4 / 1.3},
        {"rising through the sieve's line: no bounce", 0, -4, Ball(50, 36, 2, 0, 0, -4, 0, -4), true, 50, 32, 0, -4},
        // Water and own velocity equal the particle's: it moves by (2, 3) and keeps it until it meets something.
        {"on the back wall's top, still over the chute", 2, 3, Ball(91, 16, 2, 0, 2, 3, 2, 3), true, 93, 18, -2, -2.5},
        {"on the back wall's top, clear of the chute", 2, 3, Ball(95, 16, 2, 0, 2, 3, 2, 3), true, 97, 18, 2, -2.5},
        {"against the back wall's face", 2, 3, Ball(91, 28, 2, 0, 2, 3, 2, 3), true, 93, 31, -2, 3},
        {"against the left wall", -2, 0, Ball(1, 10, 3, 0, -2, 0, -2, 0), true, 3, 10, 4.0 / 3, 0},
        {"coal at the top stops", 0, -3, Ball(50, 2, 3, 0, 0, -3, 0, -3), true, 50, 3, 0, 0},
        {"a bubble at the top goes", 0, -3, Ball(50, 2, 3, 2, 0, -3, 0, -3), false, 0, 0, 0, 0},
        {"at x 100 it stays", 2, 0, Ball(98, 10, 1, 0, 2, 0, 2, 0), true, 100, 10, 2, 0},
        {"past x 100 without a receiver it goes", 2, 0, Ball(99, 10, 1, 0, 2, 0, 2, 0), false, 0, 0, 0, 0},
        {"at y 100 it stays", 0, 2, Ball(90, 98, 1, 1, 0, 2, 0, 2), true, 90, 100, 0, 2},
        {"past y 100 it goes", 0, 2, Ball(90, 99, 1, 1, 0, 2, 0, 2), false, 0, 0, 0, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        TSeparator s(nullptr);
        Compartment(s);
        s.SetWaterVx(k.waterVx);
        s.SetWaterVy(k.waterVy);
        ASSERT_TRUE(s.AddBall(&k.in));
        EXPECT_TRUE(s.NextStep());
        ASSERT_EQ(s.BallCount(), k.stays ? 1 : 0);
        if (!k.stays) continue;
        const TRockBall& b = (*s.Balls())[0];
        EXPECT_NEAR(b.X, k.x, 1e-9);
        EXPECT_NEAR(b.Y, k.y, 1e-9);
        EXPECT_NEAR(b.Vx, k.vx, 1e-9);
        EXPECT_NEAR(b.Vy, k.vy, 1e-9);
    }
}

TEST(Separator, AverageValGoesStraightToTheTargetBelowOne) {
    EXPECT_EQ(TSeparator::AverageVal(2, 4, 2), 3);
    EXPECT_EQ(TSeparator::AverageVal(2, 5, 3), 3);
    for (int n : {1, 0, -3}) EXPECT_EQ(TSeparator::AverageVal(2, 4, n), 4) << n;
}

// Two particles in contact on a 200 x 100 control (2 pixels a percent across, 1 down).
TEST(Separator, CollisionExchangesVelocityAndPushesApart) {
    TSeparator s(nullptr);
    s.SetBounds(0, 0, 200, 100);
    const TRockBall p = Ball(50, 50, 4, 0, 1, 0, 0, 0);
    const TRockBall q = Ball(52, 51, 2, 1, -1, 2, 0, 0);
    s.AddBall(&p);
    s.AddBall(&q);
    s.CollisionControl(0);
    // dx 4 px, dy 1 px, distance sqrt(17) within 6; mass ratio (2/4)^3; push k = (6 - d) / d / 2.
    const double k = 0.227606875;
    const TBallList& l = *s.Balls();
    EXPECT_NEAR(l[0].Vx, 0.875, 1e-9);
    EXPECT_NEAR(l[0].Vy, 0.125, 1e-9);
    EXPECT_NEAR(l[0].X, 50 - 4 * k, 1e-8);
    EXPECT_NEAR(l[0].Y, 50 - k, 1e-8);
    EXPECT_NEAR(l[1].X, 52 + 4 * k, 1e-8);
    EXPECT_NEAR(l[1].Y, 51 + k, 1e-8);
    EXPECT_NEAR(l[1].Vx, -1 + 4 * k, 1e-8) << "only the other particle's velocity gets the push";
    EXPECT_NEAR(l[1].Vy, 2 + k, 1e-8);

    struct Case {
        const char* name;
        TRockBall other;
        bool moved;
    };
    const Case cases[] = {
        {"another layer", [] { TRockBall b = Ball(52, 51, 2, 1, -1, 2, 0, 0); b.Layer = 2; return b; }(), false},
        {"too far across (dx 8 px)", Ball(54, 50, 2, 1, -1, 2, 0, 0), false},
        {"within dx and dy but not the distance", Ball(52.5, 54.5, 2, 1, -1, 2, 0, 0), false},
        {"same place: pushed by half of the radii", Ball(50, 50, 2, 1, -1, 2, 0, 0), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TSeparator t(nullptr);
        t.SetBounds(0, 0, 200, 100);
        t.AddBall(&p);
        t.AddBall(&c.other);
        t.CollisionControl(0);
        EXPECT_EQ((*t.Balls())[0].Vx != p.Vx, c.moved);
    }
    s.CollisionControl(2);   // outside the list: nothing
    s.CollisionControl(-1);
}

TEST(Separator, AParticleWithoutRadiusIsPushedButExchangesNoVelocity) {
    for (double r : {0.0, -1.0}) {
        SCOPED_TRACE(r);
        TSeparator s(nullptr);
        s.SetBounds(0, 0, 100, 100);
        const TRockBall p = Ball(50, 50, r, 0, 1, 0, 0, 0);
        const TRockBall q = Ball(51, 50, 3, 1, -1, 2, 0, 0);
        s.AddBall(&p);
        s.AddBall(&q);
        s.CollisionControl(0);
        s.CollisionControl(1);
        const TBallList& l = *s.Balls();
        EXPECT_EQ(l[0].Vx, 1);
        EXPECT_EQ(l[0].Vy, 0);
        EXPECT_EQ(l[1].Vy, 2) << "p pushed q straight across";
        EXPECT_LT(l[0].X, 50);
        EXPECT_GT(l[1].X, 51);
    }
}

TEST(Separator, RemovalsWhileSteppingSkipNobody) {
    TSeparator s(nullptr);
    Compartment(s);
    s.SetWaterVx(1);
    s.SetWaterVy(0);
    const TRockBall bubble = Ball(50, 1, 2, 2, 1, -3, 1, -3);  // reaches the top
    const TRockBall leaving = Ball(99.5, 10, 1, 0, 1, 0, 1, 0);  // passes x 100
    const TRockBall a = Ball(20, 10, 1, 0, 1, 0, 1, 0);
    const TRockBall b = Ball(40, 10, 1, 0, 1, 0, 1, 0);
    for (const TRockBall* x : {&bubble, &a, &leaving, &b}) s.AddBall(x);
    s.NextStep();
    ASSERT_EQ(s.BallCount(), 2);
    EXPECT_EQ((*s.Balls())[0].X, 21) << "the one behind the removed bubble moved once";
    EXPECT_EQ((*s.Balls())[1].X, 41);
}

TEST(Separator, AParticlePastTheRightEdgeMovesOnAlongTheChainInTheSameTick) {
    TSeparator first(nullptr), second(nullptr);
    Compartment(first);
    Compartment(second);
    for (TSeparator* s : {&first, &second}) {
        s->SetWaterVx(2);
        s->SetWaterVy(0);
    }
    first.SetNextSeparator(&second);
    const TRockBall waiting = Ball(10, 10, 1, 0, 2, 0, 2, 0);
    const TRockBall leaving = Ball(99, 10, 1, 0, 2, 0, 2, 0);
    second.AddBall(&waiting);
    first.AddBall(&leaving);
    first.NextStep();
    EXPECT_EQ(first.BallCount(), 0);
    ASSERT_EQ(second.BallCount(), 2);
    EXPECT_EQ((*second.Balls())[1].X, 1) << "x less 100, at the end of the receiver's list";
    second.NextStep();
    EXPECT_EQ((*second.Balls())[1].X, 3) << "stepped again by the receiver in the same tick";

    // A receiver that is freed is forgotten: the next particle leaving is simply removed.
    auto* gone = new TSeparator(nullptr);
    first.SetNextSeparator(gone);
    delete gone;
    EXPECT_EQ(first.NextSeparator(), nullptr);
    first.AddBall(&leaving);
    first.NextStep();
    EXPECT_EQ(first.BallCount(), 0);
}

TEST(Separator, BallCountFollowsTheListAndAddAndDeleteCheckTheirArguments) {
    TSeparator s(nullptr);
    const TRockBall b = Ball(1, 1, 1, 0, 0, 0, 0, 0);
    EXPECT_FALSE(s.AddBall(nullptr));
    EXPECT_TRUE(s.AddBall(&b));
    s.SetBallCount(10);
    EXPECT_EQ(s.BallCount(), 1);
    EXPECT_FALSE(s.DeleteBall(1));
    EXPECT_FALSE(s.DeleteBall(-1));
    EXPECT_TRUE(s.DeleteBall(0));
    EXPECT_EQ(s.BallCount(), 0);
    EXPECT_TRUE(s.NextStep()) << "an empty list steps";
}

TEST(Separator, OneListShownByTwoCompartmentsOfDifferentSizes) {
    auto big = std::make_unique<Sep>(nullptr);
    auto small = std::make_unique<Sep>(nullptr);
    big->SetBounds(0, 0, 110, 150);
    small->SetBounds(0, 0, 110, 110);
    small->SetBalls(big->Balls());
    const TRockBall b = Ball(50, 40, 4, 1, 0, 0, 0, 0);
    big->AddBall(&b);
    EXPECT_EQ(small->BallCount(), 1);

    auto lastEllipse = [](Sep& s) {
        s.UpdateChanges();
        auto e = OfKind(RecordPaint(s), TCanvasOpKind::Ellipse);
        return e.empty() ? TRect() : e.back().Rect;
    };
    EXPECT_EQ(lastEllipse(*big), TRect(51, 56, 59, 64));
    EXPECT_EQ(lastEllipse(*small), TRect(51, 40, 59, 48)) << "same percent, other pixels, same radius";

    // The list lives while either holds it and goes, with its particles, with the last.
    std::weak_ptr<TBallList> list = big->Balls();
    big.reset();
    EXPECT_FALSE(list.expired());
    EXPECT_EQ(small->BallCount(), 1);
    small.reset();
    EXPECT_TRUE(list.expired());
}

// The picture of a 100 x 100 compartment with a wall pen of 2, water at 10 %.
TEST(Separator, PaintsVesselWaterWallsSieveBackWallAndParticles) {
    Sep s(nullptr);
    Compartment(s);
    s.SetBathHeight(70);
    s.SetBathSubH(10);
    s.SetBathBottomWidth(50);
    s.WallPen()->SetWidth(2);
    s.SetGridCount(4);
    s.SetGridSpace(50);
    s.GridPen()->SetWidth(2);
    s.SetWaterLevel(10);
    const TRockBall kinds[] = {Ball(10, 10, 2, 0, 0, 0, 0, 0), Ball(20, 10, 2, 1, 0, 0, 0, 0),
                               Ball(30, 10, 2, 2, 0, 0, 0, 0), Ball(40, 10, 2, 7, 0, 0, 0, 0)};
    for (const TRockBall& b : kinds) s.AddBall(&b);
    const auto ops = RecordPaint(s);

    const auto polys = OfKind(ops, TCanvasOpKind::Polygon);
    ASSERT_EQ(polys.size(), 2u);
    const std::vector<TPoint> vessel{{1, 1}, {1, 60}, {20, 70}, {60, 70}, {80, 60}, {80, 30}, {80, 99}, {99, 99}, {99, 1}};
    EXPECT_EQ(polys[0].Points, vessel);
    EXPECT_EQ(polys[0].BrushColor, clSilver);
    std::vector<TPoint> water = vessel;
    water[0].y = water[8].y = 10;
    EXPECT_EQ(polys[1].Points, water);
    EXPECT_EQ(polys[1].BrushColor, clBlue);
    const auto walls = OfKind(ops, TCanvasOpKind::Polyline);
    ASSERT_EQ(walls.size(), 1u);
    EXPECT_EQ(walls[0].Points, std::vector<TPoint>(vessel.begin(), vessel.begin() + 8));

    // Sieve: segments of 20 px, dashes of 10 less the pen's width, at y 30.
    std::vector<std::pair<TPoint, TPoint>> sieve;
    const auto lines = OfKind(ops, TCanvasOpKind::LineTo);
    for (const auto& l : lines)
        if (l.PenWidth == 2 && l.Points.size() == 2 && l.Points[0].y == 30 && l.Points[1].y == 30)
            sieve.emplace_back(l.Points[0], l.Points[1]);
    ASSERT_EQ(sieve.size(), 4u);
    EXPECT_EQ(sieve[0], std::make_pair(TPoint(2, 30), TPoint(10, 30)));
    EXPECT_EQ(sieve[3], std::make_pair(TPoint(62, 30), TPoint(70, 30)));

    const auto rects = OfKind(ops, TCanvasOpKind::Rectangle);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0].Rect, TRect(95, 20, 100, 100));
    EXPECT_EQ(rects[0].BrushColor, clYellow);

    const auto balls = OfKind(ops, TCanvasOpKind::Ellipse);
    ASSERT_EQ(balls.size(), 4u);
    const TColor fills[] = {clBlack, clSilver, clWhite, clRed};
    const TColor outlines[] = {clBlack, clSilver, clAqua, clAqua};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(balls[i].Rect, TRect(8 + 10 * i, 8, 12 + 10 * i, 12)) << i;
        EXPECT_EQ(balls[i].BrushColor, fills[i]) << i;
        EXPECT_EQ(balls[i].PenColor, outlines[i]) << i;
    }
}

TEST(Separator, NoSieveDashesWithoutSegmentsOrWithAllGap) {
    struct Case {
        int count, space;
        size_t dashes;
    };
    for (const Case& k : {Case{0, 40, 0}, Case{6, 100, 0}, Case{6, 120, 0}, Case{6, 40, 6}}) {
        SCOPED_TRACE(k.count * 1000 + k.space);
        Sep s(nullptr);
        Compartment(s);
        s.GridPen()->SetWidth(4);
        s.SetGridCount(k.count);
        s.SetGridSpace(k.space);
        size_t n = 0;
        for (const auto& l : OfKind(RecordPaint(s), TCanvasOpKind::LineTo)) n += l.PenWidth == 4;
        EXPECT_EQ(n, k.dashes);
    }
}

}  // namespace
