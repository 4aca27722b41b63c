// The rich-text block a grid print shows above its grid: centred Times New Roman lines, each at its
// own size (blank lines included, they set the spacing).
#pragma once

#include "gridlib/print/PrnDbggx.h"

#include <initializer_list>

struct TPrintHeadingLine {
    const char* Text;
    int Size;  // points
};

void SetPrintHeading(TRichEditStrings* block, std::initializer_list<TPrintHeadingLine> lines);
