// Component-table rows the diagram screens draw their pictures with: straight pipes, captions and
// value fields, each placed on a panel of the picture and given its group's colour.
#pragma once

#include "gui/StdCtrls.h"
#include "widgets/Arrow.h"
#include "widgets/ComponentTable.h"
#include "widgets/OutField.h"

#include <functional>

// The title over a diagram: a bar 28 px high along the top of the form, bold white Arial 14, centred.
TComponentRow TitleRow(const AnsiString& name, int width, const AnsiString& text, std::function<void(TLabel*)> bind);

// A straight pipe from (x1, y1) to (x2, y2), horizontal or vertical, flowing toward the second
// point, 4 px wide; head: an arrow head at the end.
TComponentRow PipeRow(const AnsiString& name, const AnsiString& parent, int x1, int y1, int x2, int y2, long tag,
                      TColor colour, bool head, std::function<void(TArrow*)> bind = nullptr);

// A transparent Arial caption in the given colour.
TComponentRow CaptionRow(const AnsiString& name, const AnsiString& parent, int x, int y, const AnsiString& text,
                         long tag, TColor colour, int size = 9, bool bold = false,
                         std::function<void(TLabel*)> bind = nullptr);

// A value field: black box framed in the given colour, bold yellow digits, showing 0 in its format
// until the first value comes.
TComponentRow ValueFieldRow(const AnsiString& name, const AnsiString& parent, int x, int y, int w, int h, long tag,
                            TColor frame, const AnsiString& format, std::function<void(TOutField*)> bind = nullptr);
