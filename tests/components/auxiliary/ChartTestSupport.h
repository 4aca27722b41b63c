// What the chart tests of the auxiliary components share.
#pragma once

#include "gui/Graphics.h"

#include <string>
#include <vector>

namespace auxtest {

// The texts drawn, in order.
inline std::vector<std::string> Texts(const std::vector<TCanvasOp>& ops) {
    std::vector<std::string> out;
    for (const TCanvasOp& op : ops)
        if (op.Kind == TCanvasOpKind::TextOut) out.push_back(op.Text.str());
    return out;
}

}  // namespace auxtest
