// A form with every control the screens place, built, shown, used and grabbed to a picture.
#include "gui/ActnList.h"
#include "gui/Buttons.h"
#include "gui/ComCtrls.h"
#include "gui/DBLogDlg.h"
#include "gui/Dialogs.h"
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/Grids.h"
#include "gui/ImgList.h"
#include "gui/Menus.h"
#include "gui/Spin.h"
#include "gui/StdCtrls.h"
#include "gui/WebView.h"
#include "testlib/gui/GuiHarness.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

namespace {

class TFormDemo : public TForm {
public:
    explicit TFormDemo(TComponent* owner) : TForm(owner) {
        SetCaption("Демонстрация");
        SetClientSize(760, 520);
        Font()->SetName("Times New Roman");
        Font()->SetHeight(-13);

        Images = new TImageList(this, 16, 16);
        TBitmap pic(16, 16);
        pic.Canvas()->Brush()->SetColor(clRed);
        pic.Canvas()->FillRect(TRect(0, 0, 16, 16));
        Images->AddMasked(&pic, clNone);

        Actions = new TActionList(this);
        Actions->SetImages(Images);
        ActionExit = new TAction(this);
        ActionExit->SetActionList(Actions);
        ActionExit->SetCaption("Вы&ход");
        ActionExit->SetCategory("Главное");
        ActionExit->SetHint("Выход из программы");
        ActionExit->SetImageIndex(0);
        ActionExit->SetShortCut(TextToShortCut("Ctrl+Q"));
        ActionExit->OnExecute = [this](TObject*) { ++exits; };

        Menu1 = new TMainMenu(this);
        Menu1->SetImages(Images);
        auto* top = new TMenuItem(this);
        top->SetCaption("Главное");
        Menu1->Items()->Add(top);
        auto* sep = new TMenuItem(this);
        sep->SetCaption("-");
        top->Add(sep);
        auto* exit = new TMenuItem(this);
        exit->SetAction(ActionExit);
        top->Add(exit);
        SetMenu(Menu1);

        Popup = new TPopupMenu(this);
        auto* print = new TMenuItem(this);
        print->SetCaption("Печать");
        Popup->Items()->Add(print);

        ToolBar1 = new TToolBar(this);
        ToolBar1->SetParent(this);
        ToolBar1->SetImages(Images);
        ToolBar1->SetButtonWidth(40);
        ToolBar1->SetButtonHeight(30);
        ToolBar1->SetHeight(32);
        ToolButton1 = new TToolButton(this);
        ToolButton1->SetParent(ToolBar1);
        ToolButton1->SetAction(ActionExit);

        StatusBar1 = new TStatusBar(this);
        StatusBar1->SetParent(this);
        StatusBar1->Panels()->Add()->SetText("Готово");

        PanelInfo = new TPanel(this);
        PanelInfo->SetParent(this);
        PanelInfo->SetWidth(262);
        PanelInfo->SetAlign(alRight);
        PanelInfo->SetColor(clBlack);
        LabelClock = new TLabel(this);
        LabelClock->SetParent(PanelInfo);
        LabelClock->SetBounds(10, 5, 100, 20);
        LabelClock->Font()->SetColor(clLime);
        LabelClock->Font()->SetStyle({fsBold});
        LabelClock->SetCaption("12:34:56");
        Lamp = new TShape(this);
        Lamp->SetParent(PanelInfo);
        Lamp->SetShape(stCircle);
        Lamp->SetBounds(10, 40, 15, 15);
        Lamp->Brush()->SetColor(clLime);
        Bevel1 = new TBevel(this);
        Bevel1->SetParent(PanelInfo);
        Bevel1->SetBounds(10, 70, 200, 2);
        Bevel1->SetShape(bsTopLine);
        Image1 = new TImage(this);
        Image1->SetParent(PanelInfo);
        Image1->SetBounds(10, 80, 64, 32);
        Image1->Canvas()->Brush()->SetColor(clAqua);
        Image1->Canvas()->FillRect(TRect(0, 0, 64, 32));
        Progress = new TProgressBar(this);
        Progress->SetParent(PanelInfo);
        Progress->SetBounds(10, 120, 200, 16);
        Progress->SetPosition(40);
        Web = new TWebView(this);
        Web->SetParent(PanelInfo);
        Web->SetBounds(10, 145, 240, 120);
        Web->LoadHtml("<h3>Отчёт</h3><p>Сменный отчёт</p>");

        Splitter1 = new TSplitter(this);
        Splitter1->SetParent(this);
        Splitter1->SetAlign(alRight);

        Pages = new TPageControl(this);
        Pages->SetParent(this);
        Pages->SetAlign(alClient);
        SheetMain = new TTabSheet(this);
        SheetMain->SetPageControl(Pages);
        SheetMain->SetCaption("Основное");
        SheetMore = new TTabSheet(this);
        SheetMore->SetPageControl(Pages);
        SheetMore->SetCaption("Прочее");

        auto* group = new TGroupBox(this);
        group->SetParent(SheetMain);
        group->SetCaption("Параметры связи:");
        group->SetBounds(5, 5, 300, 170);
        EditPort = new TEdit(this);
        EditPort->SetParent(group);
        EditPort->SetBounds(10, 25, 120, 21);
        EditPort->SetMaxLength(10);
        EditPort->SetText("COM1");
        EditPass = new TEdit(this);
        EditPass->SetParent(group);
        EditPass->SetBounds(140, 25, 120, 21);
        EditPass->SetPasswordChar('$');
        EditPass->SetText("secret");
        Speed = new TComboBox(this);
        Speed->SetParent(group);
        Speed->SetBounds(10, 55, 120, 21);
        for (const char* s : {"9600", "38400", "57600"}) Speed->Items()->Add(s);
        Speed->SetItemIndex(1);
        Lan = new TCheckBox(this);
        Lan->SetParent(group);
        Lan->SetBounds(10, 85, 250, 17);
        Lan->SetCaption("Разрешить связь по локальной сети");
        Machine = new TRadioGroup(this);
        Machine->SetParent(group);
        Machine->SetBounds(10, 105, 280, 55);
        Machine->SetColumns(2);
        Machine->Items()->Add("ПУ №1");
        Machine->Items()->Add("ПУ №2");
        Machine->SetItemIndex(0);
        Day = new TDateTimePicker(this);
        Day->SetParent(SheetMain);
        Day->SetBounds(5, 185, 130, 21);
        Day->SetDate(EncodeDate(2008, 6, 10));
        Count = new TEdit(this);
        Count->SetParent(SheetMain);
        Count->SetBounds(145, 185, 60, 21);
        UpDown1 = new TUpDown(this);
        UpDown1->SetParent(SheetMain);
        UpDown1->SetAssociate(Count);
        UpDown1->SetPosition(5);
        Spin = new TSpinEdit(this);
        Spin->SetParent(SheetMain);
        Spin->SetBounds(220, 185, 80, 22);
        Spin->SetValue(3);
        Ok = new TButton(this);
        Ok->SetParent(SheetMain);
        Ok->SetBounds(5, 215, 90, 25);
        Ok->SetCaption("Принять");
        Ok->SetDefault(true);
        Ok->OnClick = [this](TObject*) { ++accepts; };
        Close1 = new TBitBtn(this);
        Close1->SetParent(SheetMain);
        Close1->SetBounds(105, 215, 90, 25);
        Close1->SetKind(bkClose);
        Zoom = new TSpeedButton(this);
        Zoom->SetParent(SheetMain);
        Zoom->SetBounds(205, 215, 25, 25);
        Zoom->SetCaption("[]");
        Zoom->SetFlat(true);
        Zoom->SetPopupMenu(Popup);

        List = new TListBox(this);
        List->SetParent(SheetMore);
        List->SetBounds(5, 5, 150, 80);
        List->Items()->Add("Отсадка");
        List->Items()->Add("Флотация");
        Memo1 = new TMemo(this);
        Memo1->SetParent(SheetMore);
        Memo1->SetBounds(165, 5, 150, 80);
        Memo1->Lines()->Add("Журнал");
        Grid = new TStringGrid(this);
        Grid->SetParent(SheetMore);
        Grid->SetBounds(5, 95, 300, 100);
        Grid->SetColCount(2);
        Grid->SetCells(0, 0, "Параметр");
        Grid->SetCells(1, 0, "Значение");
        Box = new TScrollBox(this);
        Box->SetParent(SheetMore);
        Box->SetBounds(5, 205, 150, 60);
        auto* far = new TPanel(this);
        far->SetParent(Box);
        far->SetBounds(0, 100, 50, 50);
        Colors = new TColorDialog(this);
        Fonts = new TFontDialog(this);
        Clock = new TTimer(this);
        Clock->SetInterval(10);
        Clock->OnTimer = [this](TObject*) { ++ticks; };
    }

    TImageList* Images;
    TActionList* Actions;
    TAction* ActionExit;
    TMainMenu* Menu1;
    TPopupMenu* Popup;
    TToolBar* ToolBar1;
    TToolButton* ToolButton1;
    TStatusBar* StatusBar1;
    TPanel* PanelInfo;
    TLabel* LabelClock;
    TShape* Lamp;
    TBevel* Bevel1;
    TImage* Image1;
    TProgressBar* Progress;
    TWebView* Web;
    TSplitter* Splitter1;
    TPageControl* Pages;
    TTabSheet* SheetMain;
    TTabSheet* SheetMore;
    TEdit* EditPort;
    TEdit* EditPass;
    TComboBox* Speed;
    TCheckBox* Lan;
    TRadioGroup* Machine;
    TDateTimePicker* Day;
    TEdit* Count;
    TUpDown* UpDown1;
    TSpinEdit* Spin;
    TButton* Ok;
    TBitBtn* Close1;
    TSpeedButton* Zoom;
    TListBox* List;
    TMemo* Memo1;
    TStringGrid* Grid;
    TScrollBox* Box;
    TColorDialog* Colors;
    TFontDialog* Fonts;
    TTimer* Clock;
    int exits = 0, accepts = 0, ticks = 0;
};

TEST(DemoForm, EveryControlWorksOnOneForm) {
    auto* f = NewForm<TFormDemo>(nullptr);
    guitest::ShowForm(f);
    // Layout: tool bar on top, status bar at the bottom, the info panel right, the pages the rest.
    EXPECT_EQ(f->ToolBar1->Top(), 0);
    EXPECT_EQ(f->StatusBar1->Top() + f->StatusBar1->Height(), f->ClientHeight());
    EXPECT_EQ(f->PanelInfo->Left() + f->PanelInfo->Width(), f->ClientWidth());
    EXPECT_EQ(f->Splitter1->Left() + f->Splitter1->Width(), f->PanelInfo->Left());
    EXPECT_EQ(f->Pages->Left(), 0);
    EXPECT_EQ(f->Pages->Left() + f->Pages->Width(), f->Splitter1->Left());
    EXPECT_EQ(f->UpDown1->Left(), f->Count->Left() + f->Count->Width());
    EXPECT_EQ(f->Count->Text(), "5");
    EXPECT_EQ(f->Day->Date(), EncodeDate(2008, 6, 10));
    // Use it: the action from its shortcut, the tool button and the menu; Return for the default.
    guitest::Key('Q', ssCtrl);
    guitest::Click(f->ToolButton1);
    f->Menu1->Items()->Items(0)->Items(1)->Click();
    EXPECT_EQ(f->exits, 3);
    f->EditPort->SetFocus();
    guitest::Key(VK_RETURN);
    EXPECT_EQ(f->accepts, 1);
    // Dragging the splitter widens the info panel.
    int w = f->PanelInfo->Width();
    guitest::MouseDown(f->Splitter1, TPoint(1, 50));
    guitest::MouseMove(f->Splitter1, TPoint(-19, 50));
    guitest::MouseUp(f->Splitter1, TPoint(-19, 50));
    EXPECT_EQ(f->PanelInfo->Width(), w + 20);
    // The colour dialog's choice colours the lamp; the popup menu opens from the speed button.
    guitest::DialogDriver dialogs;
    dialogs.Accept([](TCommonDialog* d) { static_cast<TColorDialog*>(d)->SetColor(clRed); });
    if (f->Colors->Execute()) f->Lamp->Brush()->SetColor(f->Colors->Color());
    dialogs.ChoosePopupItem("");
    guitest::Click(f->Zoom, TPoint(3, 3), mbRight);
    EXPECT_EQ(dialogs.PopupsShown(), 1);
    EXPECT_TRUE(guitest::WaitFor([&] { return f->ticks >= 2; }));
    // The picture: the lamp now red on the black panel, the clock's lime digits.
    guitest::Pump(20);
    QImage img = guitest::Grab(f);
    TPoint lamp = f->Lamp->ClientToParent(TPoint(7, 7), f);
    EXPECT_EQ(guitest::PixelOf(img, lamp.x, lamp.y), clRed);
    TPoint panel = f->PanelInfo->ClientToParent(TPoint(250, 30), f);
    EXPECT_EQ(guitest::PixelOf(img, panel.x, panel.y), clBlack);
    TPoint pic = f->Image1->ClientToParent(TPoint(30, 15), f);
    EXPECT_EQ(guitest::PixelOf(img, pic.x, pic.y), clAqua);
    int lime = 0;
    for (int y = f->LabelClock->Top(); y < f->LabelClock->Top() + f->LabelClock->Height(); ++y)
        for (int x = 0; x < f->LabelClock->Width(); ++x) {
            TPoint p = f->LabelClock->ClientToParent(TPoint(x, y - f->LabelClock->Top()), f);
            if (guitest::PixelOf(img, p.x, p.y) == clLime) ++lime;
        }
    EXPECT_GT(lime, 10);
    QString png = QDir::temp().filePath("plantmon-demo-form.png");
    ASSERT_TRUE(guitest::SavePng(f, AnsiString(png.toStdString())));
    EXPECT_GT(QFileInfo(png).size(), 1000);
    QImage back(png);
    EXPECT_EQ(back.size(), QSize(f->ClientWidth(), f->ClientHeight()));
    // The other page, and closing by the Close button.
    f->Pages->SetActivePage(f->SheetMore);
    guitest::Pump(20);
    EXPECT_EQ(f->Grid->Cells(1, 0), "Значение");
    f->Pages->SetActivePage(f->SheetMain);
    guitest::Pump();
    guitest::Click(f->Close1);
    EXPECT_FALSE(f->Visible());
    f->Free();
}

}  // namespace
