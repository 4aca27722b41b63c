// The pictures behind an image list. Platform-internal.
#pragma once

#include "gui/ImgList.h"

#include <QImage>

#include <vector>

// Each picture is ARGB32; alpha 0 marks the background (the mask).
struct TCustomImageList::Impl {
    std::vector<QImage> images;
};

namespace gfx {
// A picture's shape embossed in the highlight and shadow colours, as disabled pictures look.
QImage GreyedImage(const QImage& img);
}  // namespace gfx
