#pragma once

// The plot's texts: its fonts, upright and turned, with their subscripts, and
// the measuring and drawing of texts in them. Part of draw_plot.cpp, which
// alone includes it: everything here is internal to that file.

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/gdi.h"
#include "numtext/measured_value_text.h"
#include "plot/draw_plot.h"

namespace {

// The dialogs' font: under Wine, "MS Shell Dlg 2" is Tahoma, which finds the
// Greek of titles such as "ln(1/V_σ)" through the font link the prefix sets up,
// as the parameter table's headers do.
constexpr wchar_t kFontFace[] = L"MS Shell Dlg 2";
// In tenths of a point: the texts, and the subscripts.
constexpr int kFontTenths = 90;
constexpr int kSubscriptTenths = 70;

// `escapement` in tenths of a degree, counter-clockwise.
HFONT MakeFont(HDC dc, int escapement, int tenthsOfPoints) {
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    if (dpi <= 0) dpi = 96;
    return CreateFontW(-MulDiv(tenthsOfPoints, dpi, 720), 0, escapement, escapement, FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, kFontFace);
}

bool InRange(double value, AxisRange range) {
    return value >= range.min && value <= range.max;
}

// A piece of a text drawn in one font: the subscripts are drawn smaller and
// lower than the rest.
struct Run {
    std::wstring text;
    bool subscript = false;
};

std::vector<Run> Runs(const std::wstring& raw) {
    const std::wstring text = WithMinusSigns(raw);
    std::vector<Run> runs;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool subscript = text[i] == L'_' && i + 1 < text.size();
        if (subscript) ++i;
        if (runs.empty() || runs.back().subscript != subscript) runs.push_back({L"", subscript});
        runs.back().text += text[i];
    }
    return runs;
}

// The plot's fonts, upright and turned a quarter to the left, each with its
// smaller one for subscripts, and their measures. The upright font is selected
// in the DC while the plot is laid out and drawn.
class PlotText {
public:
    PlotText(HDC dc, int scale)
        : dc_(dc), upright_(MakeFont(dc, 0, kFontTenths * scale)),
          uprightSmall_(MakeFont(dc, 0, kSubscriptTenths * scale)), turned_(MakeFont(dc, 900, kFontTenths * scale)),
          turnedSmall_(MakeFont(dc, 900, kSubscriptTenths * scale)), selected_(dc, upright_.get()) {
        TEXTMETRICW metrics = {};
        if (GetTextMetricsW(dc, &metrics) && metrics.tmHeight > 0) {
            height_ = metrics.tmHeight;
            ascent_ = metrics.tmAscent;
        } else {
            height_ = 13 * scale;
            ascent_ = 11 * scale;
        }
    }
    PlotText(const PlotText&) = delete;
    PlotText& operator=(const PlotText&) = delete;

    int height() const { return height_; }
    // How far a subscript's baseline lies below the text's.
    int drop() const { return std::max(1, height_ / 4); }

    int Width(const std::wstring& text) const {
        int width = 0;
        for (const Run& run : Runs(text)) width += RunWidth(run);
        return width;
    }

    // Upright text whose top lies at `top`, starting at `x` (TA_LEFT), centred
    // on it (TA_CENTER) or ending at it (TA_RIGHT).
    void Put(int x, int top, UINT align, const std::wstring& text) const {
        const std::vector<Run> runs = Runs(text);
        int width = 0;
        if (align != TA_LEFT) {
            for (const Run& run : runs) width += RunWidth(run);
        }
        int left = align == TA_CENTER ? x - width / 2 : align == TA_RIGHT ? x - width : x;
        const int baseline = top + ascent_;
        SetTextAlign(dc_, TA_LEFT | TA_BASELINE | TA_NOUPDATECP);
        for (const Run& run : runs) {
            Selection font(dc_, run.subscript ? uprightSmall_.get() : nullptr);
            Out(left, baseline + (run.subscript ? drop() : 0), run.text);
            left += RunWidth(run);
        }
    }

    // Text turned a quarter to the left: it runs upwards from `bottom` and its
    // top faces `left`.
    void PutTurned(int left, int bottom, const std::wstring& text) const {
        const std::vector<Run> runs = Runs(text);
        // The widths are those of the upright fonts, measured before turning.
        std::vector<int> widths;
        for (const Run& run : runs) widths.push_back(RunWidth(run));
        SetTextAlign(dc_, TA_LEFT | TA_BASELINE | TA_NOUPDATECP);
        int y = bottom;
        for (size_t k = 0; k < runs.size(); ++k) {
            Selection font(dc_, runs[k].subscript ? turnedSmall_.get() : turned_.get());
            // Down, for the turned text, is to the right.
            Out(left + ascent_ + (runs[k].subscript ? drop() : 0), y, runs[k].text);
            y -= widths[k];
        }
    }

private:
    int RunWidth(const Run& run) const {
        if (run.text.empty()) return 0;
        Selection font(dc_, run.subscript ? uprightSmall_.get() : nullptr);
        SIZE size = {};
        if (!GetTextExtentPoint32W(dc_, run.text.c_str(), static_cast<int>(run.text.size()), &size)) return 0;
        return size.cx;
    }

    void Out(int x, int y, const std::wstring& text) const {
        ExtTextOutW(dc_, x, y, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()), nullptr);
    }

    HDC dc_;
    GdiObject<HFONT> upright_;
    GdiObject<HFONT> uprightSmall_;
    GdiObject<HFONT> turned_;
    GdiObject<HFONT> turnedSmall_;
    Selection selected_;
    int height_ = 13;
    int ascent_ = 11;
};

// The spacing of everything around the area, in proportion to the font, and
// the sizes of the lines and markers at the plot's scale.
struct Spacing {
    int scale;
    int fontHeight;
    int pad;     // to the bounds, and between the blocks of text
    int tick;    // length of a tick mark
    int gap;     // between a tick mark and its label
    int line;    // width of the frame, the ticks and the fitted line
    int marker;  // side of a marker
    int margin;  // from the frame to a point at the end of a range
    int inner;   // from a box's edge to its text

    Spacing(int height, int scale)
        : scale(scale), fontHeight(height), pad(std::max(4 * scale, height / 2)),
          tick(std::max(3 * scale, height / 3)), gap(std::max(2 * scale, height / 6)), line(scale),
          marker(kPlotMarkerSize * scale), margin(kPlotMarkerSize * scale / 2 + scale),
          inner(std::max(3 * scale, height / 4)) {}
};

size_t SeriesOf(const PlotData& data, const PlotPoint& point) {
    return point.series < data.series.size() ? point.series : 0;
}

size_t SeriesCount(const PlotData& data) {
    return std::max<size_t>(1, data.series.size());
}

}  // namespace
