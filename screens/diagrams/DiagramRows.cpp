#include "screens/diagrams/DiagramRows.h"

#include "screens/diagrams/DiagramLooks.h"

#include <algorithm>
#include <cstdlib>

TComponentRow TitleRow(const AnsiString& name, int width, const AnsiString& text, std::function<void(TLabel*)> bind) {
    return Row<TLabel>(name, "", 0, 0, width, 28, 0, [=](TLabel* l) {
        HeadingLook(l, text, width, 28, 14);
        l->SetAlign(alTop);
        if (bind) bind(l);
    });
}

TComponentRow PipeRow(const AnsiString& name, const AnsiString& parent, int x1, int y1, int x2, int y2, long tag,
                      TColor colour, bool head, std::function<void(TArrow*)> bind) {
    const bool horizontal = y1 == y2;
    const int len = horizontal ? std::abs(x2 - x1) : std::abs(y2 - y1);
    int left, top, width, height;
    double angle;
    if (horizontal) {
        left = std::min(x1, x2) - 1;
        top = y1 - 6;
        width = len + 2;
        height = 12;
        angle = x2 > x1 ? 0 : 180;
    } else {
        left = x1 - 6;
        top = std::min(y1, y2) - 1;
        width = 12;
        height = len + 2;
        angle = y2 > y1 ? 270 : 90;
    }
    return Row<TArrow>(name, parent, left, top, width, height, tag, [=](TArrow* a) {
        a->SetAngle(angle);
        a->SetColor(colour);
        a->SetArrowWidth(4);
        a->SetEdgeLength(head ? 10 : 0);
        a->SetEdgeAngle(50);
        if (bind) bind(a);
    });
}

TComponentRow CaptionRow(const AnsiString& name, const AnsiString& parent, int x, int y, const AnsiString& text,
                         long tag, TColor colour, int size, bool bold, std::function<void(TLabel*)> bind) {
    return Row<TLabel>(name, parent, x, y, 0, 0, tag, [=](TLabel* l) {
        l->SetTransparent(true);
        l->Font()->SetName("Arial");
        l->Font()->SetSize(size);
        l->Font()->SetColor(colour);
        if (bold) l->Font()->SetStyle({fsBold});
        l->SetCaption(text);
        if (bind) bind(l);
    });
}

TComponentRow ValueFieldRow(const AnsiString& name, const AnsiString& parent, int x, int y, int w, int h, long tag,
                            TColor frame, const AnsiString& format, std::function<void(TOutField*)> bind) {
    return Row<TOutField>(name, parent, x, y, w, h, tag, [=](TOutField* f) {
        f->Brush()->SetColor(clBlack);
        f->Pen()->SetColor(frame);
        f->Pen()->SetWidth(2);
        f->Font()->SetName("Arial");
        f->Font()->SetSize(11);
        f->Font()->SetStyle({fsBold});
        f->Font()->SetColor(clYellow);
        f->SetOutFormat(format);
        f->SetCaption(FormatFloat(format, 0));
        if (bind) bind(f);
    });
}
