// The widget property dialogs: restore point, trying on the sample, applying through the colour
// file, undoing, and saving for the group.
#include "DiagramTestSupport.h"
#include "testlib/gui/GuiHarness.h"

#include "gui/Messages.h"

#include <gtest/gtest.h>

namespace {

using diagramtest::Dialogs;
using diagramtest::ProgramFolder;

class PropertyDialogs : public ::testing::Test {
protected:
    ProgramFolder dir;
    Dialogs dialogs;
    TForm screen{nullptr};
    guitest::ModalDriver modal;
    guitest::DialogDriver colours;
};

TEST_F(PropertyDialogs, CaptionsAndSamplesAsBuilt) {
    EXPECT_EQ(FormArrowEdit->Caption(), "Свойства стрелок:");
    EXPECT_EQ(FormArrowEdit->BorderIcons(), static_cast<TBorderIcons>(biHelp));
    EXPECT_EQ(FormEditBarrel->Caption(), "Свойства индикатора уровня");
    EXPECT_EQ(FormOutFieldEdit->Caption(), "Свойства поля вывода:");
    EXPECT_EQ(FormEditPoligon->Caption(), "Свойства многоугольника:");
    EXPECT_EQ(FormEditPump->Caption(), "Свойства насоса:");
    for (TForm* f : std::initializer_list<TForm*>{FormEditBarrel, FormOutFieldEdit, FormEditPoligon, FormEditPump}) {
        EXPECT_EQ(f->BorderIcons(), 0u) << f->Name();
        EXPECT_EQ(f->BorderStyle(), bsToolWindow) << f->Name();
    }
    EXPECT_EQ(FormOutFieldEdit->TestOutField->Caption(), "297 т");
    EXPECT_EQ(FormOutFieldEdit->TestOutField->ConfigName(), "");
    EXPECT_EQ(FormEditPoligon->TestPoligon->PointCount(), 8);
    EXPECT_EQ(FormEditBarrel->TestBarrel->Pen()->Width(), 10);
    EXPECT_EQ(FormArrowEdit->BitBtn3->Caption(), "Сохранить для всей группы");
    EXPECT_EQ(FormArrowEdit->BitBtn3->Kind(), bkAll);
    EXPECT_EQ(FormArrowEdit->BitBtn2->Kind(), bkCancel);
    EXPECT_EQ(FormArrowEdit->BitBtn1->Kind(), bkClose);
    EXPECT_EQ(FormArrowEdit->EditedArrow, FormArrowEdit->Arrow1);
}

TEST_F(PropertyDialogs, CancelRightAfterShowLeavesTheArrowAsItWas) {
    auto* arrow = new TArrow(&screen);
    arrow->SetName("ArrowConc");
    arrow->SetConfigName(".\\FormMnemo.INI");
    arrow->SetColor(clFuchsia);
    arrow->SetArrowWidth(5);
    FormArrowEdit->EditedArrow = arrow;
    modal.Then([](TCustomForm*) {
        // What the sample shows came from the arrow.
        EXPECT_EQ(FormArrowEdit->Arrow1->Color(), clFuchsia);
        EXPECT_EQ(FormArrowEdit->Edit1->Text(), "5");
        FormArrowEdit->Arrow1->SetColor(clBlue);
        FormArrowEdit->BitBtn2->Click();
    });
    EXPECT_EQ(FormArrowEdit->ShowModal(), mrCancel);
    EXPECT_EQ(arrow->Color(), clFuchsia);
    EXPECT_EQ(arrow->ArrowWidth(), 5);
    TIniFile ini(dir / "FormMnemo.INI");
    EXPECT_EQ(ini.ReadInteger("ArrowConc", "Color", -1), clFuchsia) << "the restore point of the show";
    EXPECT_EQ(ini.ReadInteger("ArrowConc", "ArrowWidth", -1), 5);
}

TEST_F(PropertyDialogs, OutFieldApplyCopiesTheLookButNotTheFormat) {
    auto* field = new TOutField(&screen);
    field->SetName("OutFieldRVF");
    field->SetConfigName(".\\FormMnemo.INI");
    field->SetOutFormat("###0 м3/ч");
    field->Brush()->SetColor(clBlack);
    field->Pen()->SetColor(clAqua);
    FormOutFieldEdit->EditedOutField = field;
    colours.Accept([](TCommonDialog* d) { static_cast<TColorDialog*>(d)->SetColor(clNavy); });
    colours.Accept([](TCommonDialog* d) {
        auto* fd = static_cast<TFontDialog*>(d);
        fd->Font()->SetName("Arial");
        fd->Font()->SetSize(18);
    });
    modal.Then([](TCustomForm*) {
        auto* d = FormOutFieldEdit;
        EXPECT_EQ(d->TestOutField->Pen()->Color(), clAqua) << "the sample read the field's section";
        EXPECT_EQ(d->TestOutField->ConfigName(), ".\\FormMnemo.INI");
        d->ButBrushColorClick(d->ButBrushColor);
        d->ButFontClick(d->ButFont);
        d->Edit1->SetText("4");
        WORD enter = VK_RETURN;
        d->Edit1KeyDown(d->Edit1, enter, 0);
        d->ButUse->Click();
        d->BitBtn3->Click();
    });
    EXPECT_EQ(FormOutFieldEdit->ShowModal(), mrOk);
    EXPECT_EQ(field->Brush()->Color(), clNavy);
    EXPECT_EQ(field->Pen()->Width(), 4);
    EXPECT_EQ(field->Pen()->Color(), clAqua);
    EXPECT_EQ(field->Font()->Size(), 18);
    EXPECT_EQ(field->Font()->Name(), "Arial");
    EXPECT_EQ(field->OutFormat(), "###0 м3/ч");
    TIniFile ini(dir / "FormMnemo.INI");
    EXPECT_EQ(ini.ReadInteger("OutFieldRVF", "BrushColor", -1), clNavy) << "saved for the group";
    EXPECT_TRUE(ini.SectionExists("TestOutField")) << "the sample's own section stays behind";
}

TEST_F(PropertyDialogs, BarrelApplyCopiesColoursBrushAndPen) {
    auto* barrel = new TBarrel(&screen);
    barrel->SetName("BarrelURS");
    barrel->Brush()->SetColor(clBlack);
    FormEditBarrel->EditedBarrel = barrel;
    modal.Then([](TCustomForm*) {
        auto* d = FormEditBarrel;
        d->TestBarrel->SetUpColor(clLime);
        d->TestBarrel->SetDownColor(clGreen);
        d->TestBarrel->Brush()->SetColor(clSilver);
        d->TestBarrel->Pen()->SetColor(clWhite);
        d->TestBarrel->Pen()->SetWidth(6);
        d->ButUse->Click();
        d->SetModalResult(mrCancel);
    });
    FormEditBarrel->ShowModal();
    EXPECT_EQ(barrel->UpColor(), clLime);
    EXPECT_EQ(barrel->DownColor(), clGreen);
    EXPECT_EQ(barrel->Brush()->Color(), clSilver);
    EXPECT_EQ(barrel->Pen()->Color(), clWhite);
    EXPECT_EQ(barrel->Pen()->Width(), 6);
}

TEST_F(PropertyDialogs, ATypedWidthWithoutEnterCountsOnlyInTheArrowDialog) {
    auto* arrow = new TArrow(&screen);
    arrow->SetName("Arrow1");
    auto* pump = new TPump(&screen);
    pump->SetName("Pump1");
    auto* poligon = new TPoligon(&screen);
    poligon->SetName("Poligon1");
    FormArrowEdit->EditedArrow = arrow;
    FormEditPump->EditedPump = pump;
    FormEditPoligon->EditedPoligon = poligon;
    modal.Then([](TCustomForm*) {
        FormArrowEdit->Edit1->SetText("8");
        FormArrowEdit->ButUse->Click();
        FormArrowEdit->BitBtn1->Click();
    });
    modal.Then([](TCustomForm*) {
        FormEditPump->Edit1->SetText("8");
        FormEditPump->ButUse->Click();
        FormEditPump->BitBtn2->Click();  // cancel: back to the restore point anyway
    });
    modal.Then([](TCustomForm*) {
        FormEditPoligon->Edit1->SetText("8");
        FormEditPoligon->ButUse->Click();
        FormEditPoligon->SetModalResult(mrCancel);
    });
    FormArrowEdit->ShowModal();
    FormEditPump->ShowModal();
    FormEditPoligon->ShowModal();
    EXPECT_EQ(arrow->ArrowWidth(), 8);
    EXPECT_EQ(pump->Pen()->Width(), 1);
    EXPECT_EQ(poligon->Pen()->Width(), 1);
}

TEST_F(PropertyDialogs, ANonNumberWidthIsAConversionError) {
    modal.Then([](TCustomForm*) {
        FormEditPump->Edit1->SetText("два");
        WORD enter = VK_RETURN;
        EXPECT_THROW(FormEditPump->Edit1KeyDown(FormEditPump->Edit1, enter, 0), EConvertError);
        FormEditPump->SetModalResult(mrCancel);
    });
    FormEditPump->ShowModal();
}

TEST_F(PropertyDialogs, PumpAndPolygonColourButtonsChangeTheSampleOnly) {
    auto* pump = new TPump(&screen);
    pump->SetName("Pump1");
    FormEditPump->EditedPump = pump;
    colours.Accept([](TCommonDialog* d) {
        EXPECT_EQ(static_cast<TColorDialog*>(d)->Color(), clRed) << "opens on the sample's outline colour";
        static_cast<TColorDialog*>(d)->SetColor(clNavy);
    });
    colours.Cancel();
    modal.Then([](TCustomForm*) {
        FormEditPump->ButPenColor->Click();
        FormEditPump->ButBrushColor->Click();
        EXPECT_EQ(FormEditPump->TestPump->Pen()->Color(), clNavy);
        EXPECT_EQ(FormEditPump->TestPump->Brush()->Color(), clYellow) << "cancelled";
        FormEditPump->SetModalResult(mrCancel);
    });
    FormEditPump->ShowModal();
    EXPECT_EQ(pump->Pen()->Color(), clRed) << "nothing applied";
}

}  // namespace
