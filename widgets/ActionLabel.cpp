#include "widgets/ActionLabel.h"

TActionLabel::TActionLabel(TComponent* owner) : TLabel(owner) {}

TActionLabel::~TActionLabel() = default;
