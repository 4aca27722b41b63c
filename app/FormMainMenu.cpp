#include "app/FormMainMenu.h"

#include "app/Main.h"
#include "gui/ImgList.h"
#include "rtl/MathUtils.h"
#include "widgets/ActionImage.h"
#include "widgets/ActionLabel.h"

#include <algorithm>

TFormMainMenu* FormMainMenu = nullptr;

namespace {

struct TLauncherRow {
    const char* key;
    int tag;
    TAction* TFormMain::*action;
};

// Left column F2 .. F12, right column Alt+F1 .. Alt+F11.
const TLauncherRow LeftRows[] = {
    {"F2", 2, &TFormMain::ActionMainMnemo},      {"F3", 3, &TFormMain::ActionMnemoReach},
    {"F4", 4, &TFormMain::ActionMnemoFlot},      {"F5", 5, &TFormMain::ActionMnemoGS},
    {"F6", 6, &TFormMain::ActionGraphPBigOM},    {"F7", 7, &TFormMain::ActionGraphPSmallOM},
    {"F8", 8, &TFormMain::ActionGraphRBigOM},    {"F9", 9, &TFormMain::ActionGraphRSmallOM},
    {"F10", 10, &TFormMain::ActionAWModeBigOM},  {"F11", 11, &TFormMain::ActionAWModeSmallOM},
    {"F12", 12, &TFormMain::ActionGraphFlotParam},
};
const TLauncherRow RightRows[] = {
    {"Alt+F1", 101, &TFormMain::ActionGraphFlotOut}, {"Alt+F2", 102, &TFormMain::ActionGraphBakLevel},
    {"Alt+F3", 103, &TFormMain::ActionGraphBelt},    {"Alt+F4", 104, &TFormMain::ActionGraphGS},
    {"Alt+F5", 105, &TFormMain::ActionMainTable},    {"Alt+F6", 106, &TFormMain::ActionTableTime},
    {"Alt+F7", 107, &TFormMain::ActionTableFlot},    {"Alt+F8", 108, &TFormMain::ActionTableBelt},
    {"Alt+F9", 109, &TFormMain::ActionTableGS},      {"Alt+F10", 110, &TFormMain::ActionOM_Log},
    {"Alt+F11", 111, &TFormMain::ActionFlotLog},
};

}  // namespace

TFormMainMenu::TFormMainMenu(TComponent* owner) : TForm(owner) {
    SetName("FormMainMenu");
    SetCaption("Главное меню");
    SetBounds(0, 0, 1016, 640);
    SetFormStyle(fsMDIChild);
    SetWindowState(wsMaximized);
    SetBorderIcons(0);
    SetColor(clWhite);

    PanelTop = new TPanel(this);
    PanelTop->SetName("PanelTop");
    PanelTop->SetParent(this);
    PanelTop->SetAlign(alTop);
    PanelTop->SetHeight(56);
    PanelTop->SetBevelOuter(bvNone);
    PanelTop->SetCaption("");
    PanelTop->SetColor(clWhite);
    LabelTitle = new TLabel(this);
    LabelTitle->SetName("LabelTitle");
    LabelTitle->SetParent(PanelTop);
    LabelTitle->SetAutoSize(false);
    LabelTitle->SetAlign(alClient);
    LabelTitle->SetAlignment(taCenter);
    LabelTitle->SetLayout(tlCenter);
    LabelTitle->Font()->SetName("Times New Roman");
    LabelTitle->Font()->SetHeight(-32);
    LabelTitle->Font()->SetStyle(TFontStyles{fsBold, fsUnderline});
    LabelTitle->Font()->SetColor(clNavy);
    LabelTitle->SetCaption("ГЛАВНОЕ МЕНЮ");

    PanelCenter = new TPanel(this);
    PanelCenter->SetName("PanelCenter");
    PanelCenter->SetParent(this);
    PanelCenter->SetAlign(alClient);
    PanelCenter->SetBevelOuter(bvNone);
    PanelCenter->SetCaption("");
    PanelCenter->SetColor(clWhite);
    Panel4 = new TPanel(this);
    Panel4->SetName("Panel4");
    Panel4->SetParent(PanelCenter);
    Panel4->SetAlign(alLeft);
    Panel4->SetWidth(PanelCenter->Width() / 2);
    Panel4->SetBevelOuter(bvNone);
    Panel4->SetCaption("");
    Panel4->SetColor(clWhite);
    Panel5 = new TPanel(this);
    Panel5->SetName("Panel5");
    Panel5->SetParent(PanelCenter);
    Panel5->SetAlign(alClient);
    Panel5->SetBevelOuter(bvNone);
    Panel5->SetCaption("");
    Panel5->SetColor(clWhite);
    // The two columns keep equal widths.
    PanelCenter->OnResize = TNotifyEvent([this](TObject*) { Panel4->SetWidth(PanelCenter->ClientWidth() / 2); });

    auto buildColumn = [this](TPanel* column, const char* prefix, const TLauncherRow* rows, int count) {
        for (int i = 0; i < count; ++i) {
            const TLauncherRow& r = rows[i];
            TAction* action = FormMain ? FormMain->*(r.action) : nullptr;
            AnsiString key = AnsiString(r.key);
            AnsiString number = key.SubString(key.Pos("F") + 1, key.Length());
            auto* row = new TPanel(this);
            row->SetName(AnsiString(prefix) + number);
            row->SetParent(column);
            row->SetAlign(alTop);
            row->SetTop(i * 50);
            row->SetHeight(50);
            row->SetBevelOuter(bvNone);
            row->SetCaption("");
            row->SetColor(clWhite);

            // Both halves of a tile run its action: the hand says so, and the picture shows the
            // action's hint.
            auto* image = new TActionImage(this);
            image->SetName("ActionImage" + AnsiString(prefix).SubString(6, 2) + number);
            image->SetParent(row);
            image->SetBounds(4, 9, 64, 32);
            image->SetCenter(true);
            image->SetCursor(crHandPoint);
            image->SetShowHint(true);
            auto* label = new TActionLabel(this);
            label->SetName("ActionLabel" + AnsiString(prefix).SubString(6, 2) + number);
            label->SetParent(row);
            // Long captions wrap onto a second line instead of running under the key.
            label->SetAutoSize(false);
            label->SetWordWrap(true);
            label->SetLayout(tlCenter);
            label->SetBounds(76, 3, std::max(40, row->Width() - 76 - 74), 44);
            label->SetAnchors(akLeft | akTop | akRight);
            label->Font()->SetName("Times New Roman");
            label->Font()->SetHeight(-16);
            label->Font()->SetStyle(TFontStyles{fsBold});
            label->Font()->SetColor(clNavy);
            label->SetCursor(crHandPoint);
            auto* keyLabel = new TLabel(this);
            keyLabel->SetName("LabelKey" + AnsiString(prefix).SubString(6, 2) + number);
            keyLabel->SetParent(row);
            keyLabel->SetAutoSize(false);
            keyLabel->SetAlign(alRight);
            keyLabel->SetWidth(70);
            keyLabel->SetAlignment(taCenter);
            keyLabel->SetLayout(tlCenter);
            keyLabel->Font()->SetName("Times New Roman");
            keyLabel->Font()->SetHeight(-16);
            keyLabel->Font()->SetStyle(TFontStyles{fsBold});
            keyLabel->Font()->SetColor(clBlue);
            keyLabel->SetCursor(crHandPoint);
            keyLabel->SetCaption(key);
            keyLabel->SetTag(r.tag);
            keyLabel->OnClick = TNotifyEvent(this, &TFormMainMenu::OnTagClick);
            if (action) {
                image->SetAction(action);
                label->SetAction(action);
                if (FormMain->ImageList2 && action->ImageIndex() >= 0)
                    FormMain->ImageList2->GetBitmap(action->ImageIndex(), image->Picture()->Bitmap());
            }
        }
    };
    buildColumn(Panel4, "PanelF", LeftRows, 11);
    buildColumn(Panel5, "PanelAF", RightRows, 11);
    Panel4->OnResize = TNotifyEvent(this, &TFormMainMenu::PanelCenterResize);
    Panel5->OnResize = TNotifyEvent(this, &TFormMainMenu::PanelCenterResize);
}

void TFormMainMenu::OnTagClick(TObject* Sender) {
    auto* c = dynamic_cast<TComponent*>(Sender);
    if (c && FormMain) FormMain->ExecuteActionByTag(static_cast<int>(c->Tag()));
}

void TFormMainMenu::PanelCenterResize(TObject*) {
    int h = static_cast<int>(Round(PanelCenter->Height() * 50.0 / 551.0));
    for (int i = 0; i < ComponentCount(); ++i) {
        TComponent* c = Components(i);
        const AnsiString& n = c->Name();
        if (n.Pos("PanelF") == 1 || n.Pos("PanelAF") == 1) static_cast<TControl*>(c)->SetHeight(h);
    }
}

TFormMainMenu::~TFormMainMenu() {
    if (FormMainMenu == this) FormMainMenu = nullptr;
}
