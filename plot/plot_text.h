#pragma once

// The plot's texts: its fonts, upright and turned, with their subscripts, and
// the measuring and drawing of texts in them. Internal to the plot's drawing
// (draw_plot.cpp and plot_layout.cpp).

#include <windows.h>

#include <algorithm>
#include <string>

#include "base/gdi.h"

namespace plot_internal {

// The plot's fonts, upright and turned a quarter to the left, each with its
// smaller one for subscripts, and their measures. The upright font is selected
// in the DC while the plot is laid out and drawn.
class PlotText {
public:
    PlotText(HDC dc, int scale);
    PlotText(const PlotText&) = delete;
    PlotText& operator=(const PlotText&) = delete;

    int height() const { return height_; }
    // How far a subscript's baseline lies below the text's.
    int drop() const { return std::max(1, height_ / 4); }

    int Width(const std::wstring& text) const;

    // Upright text whose top lies at `top`, starting at `x` (TA_LEFT), centred
    // on it (TA_CENTER) or ending at it (TA_RIGHT).
    void Put(int x, int top, UINT align, const std::wstring& text) const;

    // Text turned a quarter to the left: it runs upwards from `bottom` and its
    // top faces `left`.
    void PutTurned(int left, int bottom, const std::wstring& text) const;

private:
    // The width of a piece of text in the upright font, or in its smaller one.
    int RunWidth(const std::wstring& text, bool subscript) const;
    void Out(int x, int y, const std::wstring& text) const;

    HDC dc_;
    GdiObject<HFONT> upright_;
    GdiObject<HFONT> uprightSmall_;
    GdiObject<HFONT> turned_;
    GdiObject<HFONT> turnedSmall_;
    Selection selected_;
    int height_ = 13;
    int ascent_ = 11;
};

}  // namespace plot_internal
