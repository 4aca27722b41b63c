#include "widgets/Arrow.h"

#include "rtl/MathUtils.h"
#include "widgets/Tolmerautil.h"

#include <cmath>

namespace {
void ArrowGroupColor(TComponent* c, TColor colour) { static_cast<TArrow*>(c)->SetColor(colour); }
const bool registered = RegisterColorGroupRoutine("TArrow", &ArrowGroupColor);

// Rounds a coordinate the way the arrow's geometry is defined: half up, then toward zero.
int Rnd(double v) { return static_cast<int>(Trunc(v + 0.5)); }

// Bubble positions are kept as text; the same format settings both ways keep the numbers exact.
double BubblePos(const AnsiString& s) { return StrToFloat(s, TFormatSettings::Invariant()); }
AnsiString BubbleText(double v) { return FloatToStr(v, TFormatSettings::Invariant()); }
}  // namespace

TArrow::TArrow(TComponent* owner) : TGraphicControl(owner), bubbleList_(std::make_unique<TStringList>()) {
    (void)registered;
    SetBounds(Left(), Top(), 50, 50);
    SetColor(clRed);
}

TArrow::~TArrow() = default;

void TArrow::SetAngle(double degrees) {
    if (degrees == angle_) return;
    angle_ = degrees;
    Refresh();
}

void TArrow::ColorChanged() { Refresh(); }

void TArrow::SetArrowWidth(int w) {
    if (w == arrowWidth_) return;
    arrowWidth_ = w;
    Refresh();
}

void TArrow::SetEdgeLength(int len) {
    if (len == edgeLength_) return;
    edgeLength_ = len;
    Refresh();
}

void TArrow::SetEdgeAngle(int degrees) {
    if (degrees == edgeAngle_) return;
    edgeAngle_ = degrees;
    Refresh();
}

void TArrow::SetBubbleList(TStringList* list) {
    // The arrow keeps no list of its caller's: the caller may free its list at any time.
    if (list && list != bubbleList_.get()) bubbleList_->Assign(list);
}

void TArrow::SetNextArrow(TArrow* next) {
    if (next == nextArrow_) return;
    if (nextArrow_) nextArrow_->RemoveFreeNotification(this);
    nextArrow_ = next;
    // Forget the next arrow when it is freed before this one.
    if (nextArrow_) nextArrow_->FreeNotification(this);
}

void TArrow::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == opRemove && component == nextArrow_) nextArrow_ = nullptr;
}

void TArrow::Paint() {
    WidgetPaintGuard([this] {
        TCanvas* canvas = Canvas();
        r_ = Max(Width(), Height()) * 0.5 - 1;
        const int cx = Width() / 2;
        const int cy = Height() / 2;
        const double a = angle_ * M_PI / 180.0;
        tail_ = TPoint(Rnd(cx + r_ * std::cos(a + M_PI)), Rnd(cy - r_ * std::sin(a + M_PI)));
        if (edgeLength_ < 0) edgeLength_ = 0;
        headBase_ = TPoint(Rnd(cx + (r_ - edgeLength_) * std::cos(a)), Rnd(cy - (r_ - edgeLength_) * std::sin(a)));

        canvas->Pen()->SetColor(Color());
        canvas->Pen()->SetWidth(arrowWidth_);
        canvas->MoveTo(tail_.x, tail_.y);
        canvas->LineTo(headBase_.x, headBase_.y);

        PaintBuuble(canvas);

        canvas->Pen()->SetColor(Color());
        canvas->Pen()->SetWidth(arrowWidth_);
        if (edgeLength_ > 0) {
            canvas->Brush()->SetColor(Color());
            canvas->Pen()->SetWidth(1);
            const TPoint tip(Rnd(cx + r_ * std::cos(a)), Rnd(cy - r_ * std::sin(a)));
            const double w = std::tan(edgeAngle_ * M_PI / 360.0) * edgeLength_;
            const double b = a - M_PI / 2;
            const double dx = std::cos(b) * w;
            const double dy = std::sin(b) * w;
            const double hx = headBase_.x, hy = headBase_.y;
            canvas->Polygon({tip, TPoint(Rnd(hx + dx), Rnd(hy - dy)), TPoint(Rnd(hx - dx), Rnd(hy + dy))});
        }
    });
}

void TArrow::PaintBuuble(TCanvas* canvas) {
    if (bubbleList_->Count() == 0) return;
    const double vx = headBase_.x - tail_.x;
    const double vy = headBase_.y - tail_.y;
    const double len = std::sqrt(vx * vx + vy * vy);
    // Tail and head base in one point: the shaft has no direction to move bubbles along.
    if (len == 0) return;
    const double ux = vx / len, uy = vy / len;
    canvas->Pen()->SetColor(bubbleColor_);
    canvas->Pen()->SetWidth(arrowWidth_);
    for (int i = 0; i < bubbleList_->Count(); ++i) {
        const double f = BubblePos(bubbleList_->Strings(i));
        canvas->MoveTo(static_cast<int>(Trunc(tail_.x + f * ux)), static_cast<int>(Trunc(tail_.y + f * uy)));
        canvas->LineTo(static_cast<int>(Trunc(tail_.x + (f + bubbleLen_) * ux)),
                       static_cast<int>(Trunc(tail_.y + (f + bubbleLen_) * uy)));
    }
}

void TArrow::BubbleStep(bool chained) {
    // A chain that runs back into itself would otherwise step for ever.
    if (stepping_) return;
    stepping_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{stepping_};

    if (nextArrow_) {
        // The whole chain moves with the timing and look of its first arrow.
        nextArrow_->SetBubbleLen(bubbleLen_);
        nextArrow_->SetBubbleSpeed(bubbleSpeed_);
        nextArrow_->SetBubbleInterval(bubbleInterval_);
        nextArrow_->SetBubbleColor(bubbleColor_);
        nextArrow_->BubbleStep(true);
    }
    TStringList* list = bubbleList_.get();
    if (list->Count() == 0) {
        if (bubbleSource_ && !chained) list->Add(BubbleText(1 - bubbleLen_));
        return;
    }
    const double length = 2 * r_;
    const double limit = length - bubbleLen_;
    for (int i = 0; i < list->Count(); ++i) {
        double p = BubblePos(list->Strings(i)) + bubbleSpeed_;
        // A whole position marks a bubble not handed on yet; the added tenth marks it as handed on.
        if (p > limit && p == std::floor(p) && nextArrow_) {
            nextArrow_->BubbleList()->Add(BubbleText(p - length));
            p += 0.1;
        }
        list->Put(i, BubbleText(p));
    }
    for (int i = list->Count() - 1; i >= 0; --i)
        if (BubblePos(list->Strings(i)) > length) list->Delete(i);
    if (bubbleSource_ && !chained && list->Count() > 0) {
        if (BubblePos(list->Strings(list->Count() - 1)) > bubbleInterval_) list->Add(BubbleText(-bubbleLen_));
    }
    Refresh();
}

bool TArrow::SaveConfig() {
    const AnsiString section = Name();
    return UpdateColourFile(configName_, [&](TCustomIniFile* ini) {
        ini->WriteInteger(section, "ArrowWidth", arrowWidth_);
        ini->WriteInteger(section, "Color", Color());
        ini->WriteInteger(section, "EdgeLength", edgeLength_);
        ini->WriteInteger(section, "EdgeAngle", edgeAngle_);
    });
}

bool TArrow::LoadConfig(const AnsiString& section) {
    const AnsiString s = section.IsEmpty() ? Name() : section;
    return ReadColourFile(configName_, [&](TCustomIniFile* ini) {
        SetArrowWidth(ini->ReadInteger(s, "ArrowWidth", arrowWidth_));
        SetColor(ini->ReadInteger(s, "Color", Color()));
    });
}
