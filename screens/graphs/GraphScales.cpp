#include "screens/graphs/GraphScales.h"

#include "charts/LevelGraph.h"
#include "core/MainView.h"
#include "gui/Forms.h"
#include "gui/StdCtrls.h"
#include "gui/WinApi.h"
#include "rtl/MathUtils.h"
#include "screens/graphs/FormEditGraph.h"
#include "widgets/Arrow.h"

namespace {

TLevelGraph* asChart(TComponent* c) {
    return c && c->ClassName() == "TLevelGraph" ? static_cast<TLevelGraph*>(c) : nullptr;
}

}  // namespace

void SaveGraphScales(TCustomIniFile* ini, TComponent* form) {
    if (!ini || !form) return;
    for (int i = 0; i < form->ComponentCount(); ++i) {
        TLevelGraph* g = asChart(form->Components(i));
        if (!g) continue;
        const AnsiString& s = g->Name();
        ini->WriteFloat(s, "YMin", g->YMin());
        ini->WriteFloat(s, "YMax", g->YMax());
        ini->WriteFloat(s, "YLabelStep", g->YLabelStep());
        ini->WriteBool(s, "AutoYScale", g->AutoYScale());
        ini->WriteBool(s, "AutoYMin", g->AutoYMin());
        ini->WriteBool(s, "AutoYMax", g->AutoYMax());
        ini->WriteBool(s, "ShowRightScale", g->ShowRightScale());
        if (g->ShowRightScale()) {
            ini->WriteFloat(s, "RightYMin", g->RightYMin());
            ini->WriteFloat(s, "RightYMax", g->RightYMax());
            ini->WriteFloat(s, "RightScaleStep", g->RightScaleStep());
        }
    }
}

void LoadGraphScales(TCustomIniFile* ini, TComponent* form) {
    if (!ini || !form) return;
    for (int i = 0; i < form->ComponentCount(); ++i) {
        TLevelGraph* g = asChart(form->Components(i));
        if (!g) continue;
        const AnsiString& s = g->Name();
        g->SetYMin(ini->ReadFloat(s, "YMin", g->YMin()));
        g->SetYMax(ini->ReadFloat(s, "YMax", g->YMax()));
        g->SetYLabelStep(ini->ReadFloat(s, "YLabelStep", g->YLabelStep()));
        g->SetAutoYScale(ini->ReadBool(s, "AutoYScale", g->AutoYScale()));
        g->SetAutoYMin(ini->ReadBool(s, "AutoYMin", g->AutoYMin()));
        g->SetAutoYMax(ini->ReadBool(s, "AutoYMax", g->AutoYMax()));
        g->SetShowRightScale(ini->ReadBool(s, "ShowRightScale", g->ShowRightScale()));
        if (g->ShowRightScale()) {
            g->SetRightYMin(ini->ReadFloat(s, "RightYMin", g->RightYMin()));
            g->SetRightYMax(ini->ReadFloat(s, "RightYMax", g->RightYMax()));
            g->SetRightScaleStep(ini->ReadFloat(s, "RightScaleStep", g->RightScaleStep()));
        }
    }
}

bool EditGraphScales(TComponent* chart) {
    TLevelGraph* g = asChart(chart);
    if (!g) return false;
    TFormEditGraph* dlg = NewForm<TFormEditGraph>(MainView ? MainView->MainWindow : nullptr);
    bool accepted = false;
    try {
        dlg->CheckBoxAutoYMin->SetChecked(g->AutoYMin());
        dlg->CheckBoxAutoYMax->SetChecked(g->AutoYMax());
        dlg->CheckBoxAutoYScale->SetChecked(g->AutoYScale());
        dlg->CheckBoxShowRightScale->SetChecked(g->ShowRightScale());
        dlg->EditYMin->SetText(FloatToStr(g->YMin()));
        dlg->EditYMax->SetText(FloatToStr(g->YMax()));
        dlg->EditYLabelStep->SetText(FloatToStr(g->YLabelStep()));
        dlg->EditRightYMin->SetText(FloatToStr(g->RightYMin()));
        dlg->EditRightScaleStep->SetText(FloatToStr(g->RightScaleStep()));
        // A box set to the state it already had fires no click: the edits follow the boxes here.
        dlg->ApplyVisibility();
        if (dlg->ShowModal() == mrOk) {
            accepted = true;
            // Hidden edits keep their texts and are read all the same.
            g->SetYMin(StrToFloat(dlg->EditYMin->Text()));
            g->SetYMax(StrToFloat(dlg->EditYMax->Text()));
            g->SetYLabelStep(StrToFloat(dlg->EditYLabelStep->Text()));
            g->SetRightYMin(StrToFloat(dlg->EditRightYMin->Text()));
            g->SetRightScaleStep(StrToFloat(dlg->EditRightScaleStep->Text()));
            g->SetAutoYMin(dlg->CheckBoxAutoYMin->Checked());
            g->SetAutoYMax(dlg->CheckBoxAutoYMax->Checked());
            g->SetAutoYScale(dlg->CheckBoxAutoYScale->Checked());
            g->SetShowRightScale(dlg->CheckBoxShowRightScale->Checked());
        }
    } catch (...) {
        MessageBox(nullptr, "Правильно вводите числа.", "Ошибка", MB_ICONERROR);
    }
    dlg->Free();
    return accepted;
}

void DrawLegendToBitmap(TLevelGraph* chart, TComponent* form, int wrapColumn) {
    if (!chart || !form) return;
    TBitmap* bmp = chart->Bitmap;
    TCanvas* canvas = bmp->Canvas();
    double kx = chart->Width() > 0 ? static_cast<double>(bmp->Width()) / chart->Width() : 1;
    double ky = chart->Height() > 0 ? static_cast<double>(bmp->Height()) / chart->Height() : 1;
    auto px = [](double v) { return static_cast<int>(Trunc(v)); };
    TStringList lines;
    for (int i = 0; i < form->ComponentCount(); ++i) {
        TComponent* c = form->Components(i);
        if (Pos("Legend", c->Name()) == 0) continue;
        auto* ctl = dynamic_cast<TControl*>(c);
        if (!ctl || ctl->Parent() != chart) continue;
        // A legend the screen hides belongs to no curve shown; printing it would mislead.
        if (!ctl->Visible()) continue;
        if (c->ClassName() == "TLabel") {
            auto* label = static_cast<TLabel*>(c);
            canvas->SetFont(label->Font());
            canvas->Brush()->SetStyle(bsClear);
            AnsiString text = label->Caption();
            if (wrapColumn > 0) text = WrapText(text, wrapColumn);
            lines.SetText(text);
            double y = label->Top() * ky;
            for (int k = 0; k < lines.Count(); ++k) {
                AnsiString line = lines.Strings(k);
                TSize sz = canvas->TextExtent(line);
                double x = label->Left() * kx;
                if (label->Alignment() == taCenter) x += (label->Width() * kx - sz.cx) / 2;
                else if (label->Alignment() == taRightJustify) x = label->Left() * kx + label->Width() * kx - sz.cx - 2;
                if (label->Layout() == tlCenter) y += (label->Height() * ky - sz.cy) / 2;
                canvas->TextOut(px(x), px(y), line);
                y += sz.cy + 4;
            }
        } else if (c->ClassName() == "TArrow") {
            auto* arrow = static_cast<TArrow*>(c);
            canvas->Pen()->SetColor(arrow->Color());
            canvas->Pen()->SetWidth(arrow->ArrowWidth());
            canvas->Pen()->SetStyle(psSolid);
            int y = px((arrow->Top() + arrow->Height() / 2) * ky);
            canvas->MoveTo(px(arrow->Left() * kx), y);
            canvas->LineTo(px((arrow->Left() + arrow->Width()) * kx), y);
        }
    }
}
