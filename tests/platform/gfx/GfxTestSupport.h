// A small off-screen picture with pixel probes for the drawing tests.
#pragma once

#include "gui/Graphics.h"
#include "gui/QtGraphicsInternal.h"

#include <string>

struct Picture {
    TBitmap bmp;
    TColor background;

    explicit Picture(int w = 40, int h = 40, TColor bg = clWhite) : bmp(w, h), background(bg) {
        TCanvas* c = bmp.Canvas();
        c->Brush()->SetColor(bg);
        c->FillRect(TRect(0, 0, w, h));
    }
    TCanvas* C() { return bmp.Canvas(); }
    // Read straight from the pixels, whatever the canvas's clip region.
    TColor At(int x, int y) {
        const QImage& img = BitmapQImage(bmp);
        if (x < 0 || y < 0 || x >= img.width() || y >= img.height()) return CLR_INVALID;
        return FromQColor(QColor::fromRgb(img.pixel(x, y)));
    }
    bool Ink(int x, int y) { return At(x, y) != background; }

    // The smallest rectangle holding every pixel that differs from the background (Right and
    // Bottom exclusive); empty when nothing was drawn.
    TRect InkBounds() {
        TRect r(1 << 20, 1 << 20, -(1 << 20), -(1 << 20));
        bool any = false;
        for (int y = 0; y < bmp.Height(); ++y)
            for (int x = 0; x < bmp.Width(); ++x)
                if (Ink(x, y)) {
                    any = true;
                    r.Left = std::min(r.Left, x);
                    r.Top = std::min(r.Top, y);
                    r.Right = std::max(r.Right, x + 1);
                    r.Bottom = std::max(r.Bottom, y + 1);
                }
        return any ? r : TRect();
    }
    int Count(TColor c) {
        int n = 0;
        for (int y = 0; y < bmp.Height(); ++y)
            for (int x = 0; x < bmp.Width(); ++x)
                if (At(x, y) == c) ++n;
        return n;
    }
    int InkCount() {
        int n = 0;
        for (int y = 0; y < bmp.Height(); ++y)
            for (int x = 0; x < bmp.Width(); ++x)
                if (Ink(x, y)) ++n;
        return n;
    }
    // Rows of '#' (drawn) and '.' (background) of area r, separated by '|'.
    std::string Art(TRect r) {
        std::string s;
        for (int y = r.Top; y < r.Bottom; ++y) {
            if (y > r.Top) s += '|';
            for (int x = r.Left; x < r.Right; ++x) s += Ink(x, y) ? '#' : '.';
        }
        return s;
    }
};

inline std::string RectText(const TRect& r) {
    return "(" + std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," +
           std::to_string(r.Bottom) + ")";
}
