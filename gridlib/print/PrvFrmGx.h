// The print preview window: the page box with a tool bar (print, printer setup, zoom, previous and
// next page with auto-repeat, stop, close) and a status bar.
#pragma once

#include "gridlib/print/PrViewGx.h"

#include "gui/ComCtrls.h"
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/ImgList.h"
#include "gui/Menus.h"

class TPreviewFormGx : public TForm {
    PLANTMON_CLASS(TPreviewFormGx, TForm)
public:
    explicit TPreviewFormGx(TComponent* owner);
    ~TPreviewFormGx() override;

    TSplitter* Splitter;
    TPreviewBox* PreviewGx1;
    TToolBar* tbrMain;
    TToolButton* tbtPrint;
    TToolButton* tbtPrinterSetupDialog;
    TToolButton* tbtScale;
    TToolButton* tbtPrevPage;
    TToolButton* tbtNextPage;
    TToolButton* tbStop;
    TToolButton* tbClose;
    TStatusBar* stbMain;
    TImageList* imlMain;
    TPopupMenu* pmnScale;
    TMenuItem* mni500;
    TMenuItem* mni200;
    TMenuItem* mni150;
    TMenuItem* mni100;
    TMenuItem* mni75;
    TMenuItem* mni50;
    TMenuItem* mni25;
    TMenuItem* mni10;
    TMenuItem* mniWidth;
    TMenuItem* mniFull;
    TTimer* Timer1;

    void FormCreate(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
    void PreviewGx1OpenPreviewer(TObject* Sender);
    void PreviewGx1PrinterPreviewChanged(TObject* Sender);
    void mniScaleClick(TObject* Sender);
    void tbtScaleClick(TObject* Sender);
    void tbtPrintClick(TObject* Sender);
    void tbtPrinterSetupDialogClick(TObject* Sender);
    void tbtPrevPageClick(TObject* Sender);
    void tbtNextPageClick(TObject* Sender);
    void tbStopClick(TObject* Sender);
    void tbCloseClick(TObject* Sender);
    void PageButtonMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void PageButtonMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void Timer1Timer(TObject* Sender);
    void SplitterCanResize(TObject* Sender, int& NewSize, bool& Accept);

    // The look of the tool bar the splitter switches between.
    enum TToolBarLook { tlCaptions, tlImages, tlImagesAndCaptions };
    TToolBarLook ToolBarLook() const { return look_; }

private:
    void setLook(TToolBarLook look);
    TToolButton* addButton(const char* name, const char* caption, const char* hint, int image, TNotifyEvent click);
    TToolBarLook look_ = tlImagesAndCaptions;
    TToolButton* repeatButton_ = nullptr;
    bool closePending_ = false;
};

extern TPreviewFormGx* PreviewFormGx;
