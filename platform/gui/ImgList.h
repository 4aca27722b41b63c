// Image lists: numbered pictures of one size for tool buttons, menus, actions, grid columns.
// Each picture keeps a mask (the pixels that are background), taken from a mask bitmap or from a
// mask colour.
#pragma once

#include "gui/Graphics.h"

#include <memory>
#include <vector>

class TCustomImageList;

// Tells its owner that an image list changed; registered with RegisterChanges. Freeing the link
// unregisters it, and a freed list forgets its links.
class TChangeLink : public TObject {
    PLANTMON_CLASS(TChangeLink, TObject)
public:
    TChangeLink() = default;
    ~TChangeLink() override;
    TCustomImageList* Sender() const noexcept { return sender_; }
    void SetSender(TCustomImageList* s) noexcept { sender_ = s; }
    TNotifyEvent OnChange;
    virtual void Change();

private:
    TCustomImageList* sender_ = nullptr;
};

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
enum TImageType { itImage, itMask };

// ImageList_DrawEx styles.
constexpr unsigned ILD_NORMAL = 0x0, ILD_TRANSPARENT = 0x1, ILD_BLEND25 = 0x2, ILD_FOCUS = 0x2,
                   ILD_BLEND50 = 0x4, ILD_SELECTED = 0x4, ILD_BLEND = 0x4, ILD_MASK = 0x10;

class TCustomImageList : public TComponent {
    PLANTMON_CLASS(TCustomImageList, TComponent)
public:
    explicit TCustomImageList(TComponent* owner);
    TCustomImageList(TComponent* owner, int width, int height);
    ~TCustomImageList() override;

    // Changing the size empties the list. Defaults 16 x 16.
    int Width() const noexcept { return width_; }
    void SetWidth(int w);
    int Height() const noexcept { return height_; }
    void SetHeight(int h);
    void SetSize(int w, int h);
    int Count() const;

    // clNone: drawn transparently over what is there; clDefault counts as clNone here; another
    // colour fills the background of every image drawn.
    TColor BkColor() const noexcept { return bkColor_; }
    void SetBkColor(TColor c);
    // Colour blended into images drawn focused or selected (clNone, clDefault: the highlight colour).
    TColor BlendColor() const noexcept { return blendColor_; }
    void SetBlendColor(TColor c);
    TDrawingStyle DrawingStyle() const noexcept { return drawingStyle_; }
    void SetDrawingStyle(TDrawingStyle s);
    TImageType ImageType() const noexcept { return imageType_; }
    void SetImageType(TImageType t);
    bool Masked() const noexcept { return masked_; }
    void SetMasked(bool m);
    // The list exists in the window system from construction on.
    bool HandleAllocated() const noexcept { return true; }

    // Adds image (split into pieces of Width when it is wider) with mask, where white marks the
    // background (nullptr: no background). Returns the index of the first piece added, -1 when
    // image is empty.
    int Add(TBitmap* image, TBitmap* mask);
    // Adds image with every pixel of maskColor as background (clDefault: the bottom-left pixel).
    int AddMasked(TBitmap* image, TColor maskColor);
    int AddImages(TCustomImageList* other);
    void Insert(int index, TBitmap* image, TBitmap* mask);
    void InsertMasked(int index, TBitmap* image, TColor maskColor);
    void Replace(int index, TBitmap* image, TBitmap* mask);
    void ReplaceMasked(int index, TBitmap* image, TColor maskColor);
    void Delete(int index);
    void Move(int from, int to);
    void Clear();
    // Gives bitmap the list's size and draws picture index on it: background pixels show the
    // list's BkColor, or white when that is clNone. False for a bad index.
    bool GetBitmap(int index, TBitmap* bitmap);
    // The mask of picture index: white background, black picture.
    bool GetMask(int index, TBitmap* mask);

    // Draws picture index at (x, y) in the list's DrawingStyle and ImageType; disabled pictures
    // are drawn greyed (embossed in clBtnHighlight and clBtnShadow).
    void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true);
    void Draw(TCanvas* canvas, int x, int y, int index, TDrawingStyle style, TImageType type, bool enabled = true);
    // The window system's extended draw: dx, dy > 0 clip the picture to that size; bk: CLR_NONE
    // (transparent), CLR_DEFAULT (the list's BkColor) or a colour; fg: CLR_NONE, CLR_DEFAULT (the
    // highlight colour) or the colour blended in by ILD_BLEND25/ILD_BLEND50; ILD_MASK draws the mask.
    bool DrawEx(HDC dc, int index, int x, int y, int dx, int dy, TColor bk, TColor fg, unsigned style);

    void RegisterChanges(TChangeLink* link);
    void UnRegisterChanges(TChangeLink* link);
    // Suppresses change notifications until the matching EndUpdate.
    void BeginUpdate();
    void EndUpdate();
    TNotifyEvent OnChange;

    void Assign(TPersistent* source) override;

    struct Impl;
    Impl& Images() const noexcept { return *impl_; }

protected:
    virtual void Change();

private:
    void checkIndex(int index) const;
    int width_ = 16;
    int height_ = 16;
    TColor bkColor_ = clNone;
    TColor blendColor_ = clNone;
    TDrawingStyle drawingStyle_ = dsNormal;
    TImageType imageType_ = itImage;
    bool masked_ = true;
    int updateCount_ = 0;
    bool changedWhileLocked_ = false;
    std::vector<TChangeLink*> links_;
    std::unique_ptr<Impl> impl_;
};

class TImageList : public TCustomImageList {
    PLANTMON_CLASS(TImageList, TCustomImageList)
public:
    using TCustomImageList::TCustomImageList;
};
