// Shared pieces of the widget tests: a scratch current folder for colour files, painting a widget
// into a recorder, and access to the protected Paint of a widget class.
#pragma once

#include "gui/Graphics.h"
#include "rtl/FileUtils.h"
#include "rtl/IniFiles.h"
#include "testlib/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace widgettest {

// A fresh folder that is the current one for the test: relative INI names such as ".\Colors.INI"
// land there.
using ScratchDir = testlib::ScratchCurrentDir;

// A widget class with its Paint reachable from a test.
template <class W>
class Paintable : public W {
public:
    using W::W;
    using W::Paint;
};

// Everything the widget draws during one call of Paint, including into its own off-screen bitmap.
template <class W>
std::vector<TCanvasOp> RecordPaint(Paintable<W>& w) {
    TCanvasRecorder log;
    TCanvasRecorder* previous = SetDefaultCanvasRecorder(&log);
    w.Paint();
    SetDefaultCanvasRecorder(previous);
    return log.Ops;
}

inline std::vector<TCanvasOp> OfKind(const std::vector<TCanvasOp>& ops, TCanvasOpKind k) {
    std::vector<TCanvasOp> out;
    for (const auto& op : ops)
        if (op.Kind == k) out.push_back(op);
    return out;
}

inline std::string Dump(const std::vector<TCanvasOp>& ops) {
    std::string s;
    for (const auto& op : ops) s += std::string(op.ToString()) + "\n";
    return s;
}

}  // namespace widgettest
