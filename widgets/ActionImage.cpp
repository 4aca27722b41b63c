#include "widgets/ActionImage.h"

TActionImage::TActionImage(TComponent* owner) : TImage(owner) {}

TActionImage::~TActionImage() = default;
