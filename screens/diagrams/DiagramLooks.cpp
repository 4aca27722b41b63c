#include "screens/diagrams/DiagramLooks.h"

#include "widgets/Barrel.h"
#include "widgets/ConusBox.h"
#include "widgets/OutField.h"

void HeadingLook(TLabel* l, const AnsiString& caption, int width, int height, int size) {
    // Without the automatic size first, the caption would shrink the box to the text.
    l->SetAutoSize(false);
    l->SetBounds(l->Left(), l->Top(), width, height);
    l->SetAlignment(taCenter);
    l->SetLayout(tlCenter);
    l->SetTransparent(true);
    l->Font()->SetName("Arial");
    l->Font()->SetSize(size);
    l->Font()->SetStyle({fsBold});
    l->Font()->SetColor(clWhite);
    l->SetCaption(caption);
}

std::function<void(TPanel*)> FrameLook(TPanel*& out, TAlign align) {
    return [&out, align](TPanel* p) {
        p->SetBevelOuter(bvNone);
        p->SetColor(clBlack);
        p->SetCaption("");
        p->SetAlign(align);
        out = p;
    };
}

void ReceiverLook(TConusBox* c) {
    c->SetBackColor(clBlack);
    c->SetColor(clTeal);
    c->Pen()->SetColor(clBlack);
    c->Pen()->SetWidth(1);
    c->SetWaterColor(clAqua);
    c->SetConusH(70);
    c->SetShowTopLine(true);
    c->SetShowConusTop(true);
    c->SetDownW(20);
    c->SetWaterH(99);
}

void ApparatusLook(TConusBox* c) {
    c->SetBackColor(clBlack);
    c->SetColor(clSilver);
    c->Pen()->SetColor(clAqua);
    c->Pen()->SetWidth(2);
    c->SetWaterColor(clSilver);
    c->SetConusH(60);
    c->SetShowTopLine(true);
    c->SetShowConusTop(true);
    c->SetDownW(45);
    c->SetWaterH(99);
}

void ReagentTankLook(TBarrel* b, int penWidth) {
    b->SetColor(clBlack);
    b->SetMinLevel(0);
    b->SetMaxLevel(100);
    b->SetWaterLevel(0);
    b->Pen()->SetColor(clSilver);
    b->Pen()->SetWidth(penWidth);
}

void TankLevelLook(TOutField* f, int fontSize) {
    f->Brush()->SetColor(clBlack);
    f->Pen()->SetColor(clGray);
    f->Font()->SetName("Arial");
    f->Font()->SetSize(fontSize);
    f->Font()->SetColor(clWhite);
    f->SetOutFormat("0%");
    f->SetCaption("0%");
}
