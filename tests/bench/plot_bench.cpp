// Timings of DrawPlot under Wine (or Windows): the whole plot with 10,000
// scattered readings and a fitted line drawn into a memory DC, as the plot
// window does on every paint; the same with a million readings, and with
// none. Medians over many draws, after a few that warm the caches and the
// font mapper.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "base/gdi.h"
#include "plot/draw_plot.h"

#include "bench_timing.h"

namespace {

// Readings scattered around a falling line over the whole plot, from a fixed
// seed, with a tenth of them selected.
PlotData Readings(size_t count) {
    PlotData data;
    data.x = {L"1/T (1/K)", 0.002, 0.005, {}};
    data.y = {L"ln(1/V_\u03c3)", -20, 0, {}};
    for (int i = 0; i <= 6; ++i) {
        const double x = 0.002 + 0.0005 * i;
        data.x.ticks.push_back({x, std::to_wstring(20 + 5 * i) + L"e-4"});
    }
    for (int i = 0; i <= 4; ++i) data.y.ticks.push_back({-20.0 + 5 * i, std::to_wstring(-20 + 5 * i)});
    uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 16777216.0;
    };
    data.points.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const double x = 0.002 + 0.003 * next();
        const double y = -6000 * (x - 0.002) - 1 + 4 * (next() - 0.5);
        data.points.push_back({x, y});
        if (i % 10 == 0) data.selected.push_back(i);
    }
    data.fit = PlotFit{-6000, 11, {L"slope = -6000 \u00b1 43 K", L"R\u00b2 = 0.9993"}};
    return data;
}

// Times `draws` draws of `data` into an 800 × 500 bitmap made by `makeBitmap`.
template <class MakeBitmap>
void Measure(const char* what, const PlotData& data, int draws, MakeBitmap makeBitmap) {
    const int width = 800, height = 500;
    MemoryDc dc(CreateCompatibleDC(nullptr));
    GdiObject<HBITMAP> bitmap(makeBitmap(dc.get(), width, height));
    if (!dc || !bitmap) {
        std::printf("%s: no bitmap\n", what);
        return;
    }
    Selection use(dc.get(), bitmap.get());
    const RECT bounds = {0, 0, width, height};
    for (int i = 0; i < 5; ++i) DrawPlot(dc.get(), bounds, data);
    GdiFlush();
    std::vector<double> times;
    for (int i = 0; i < draws; ++i) {
        const double start = Now();
        DrawPlot(dc.get(), bounds, data);
        GdiFlush();
        times.push_back((Now() - start) * 1e3);
    }
    std::printf("%s, %zu readings, %d draws of 800 x 500: median %.2f ms, p90 %.2f ms, max %.2f ms\n", what,
                data.points.size(), draws, Percentile(times, 0.5), Percentile(times, 0.9),
                Percentile(times, 1.0));
}

HBITMAP DibSection(HDC dc, int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    return CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

// What the plot window paints through: a bitmap compatible with the screen.
HBITMAP ScreenBitmap(HDC, int width, int height) {
    WindowDc screen(nullptr);
    return CreateCompatibleBitmap(screen.get(), width, height);
}

}  // namespace

int main() {
    const PlotData tenThousand = Readings(10000);
    Measure("DrawPlot into a 32-bit DIB section", tenThousand, 101, DibSection);
    Measure("DrawPlot into a screen-compatible bitmap", tenThousand, 101, ScreenBitmap);
    Measure("DrawPlot into a 32-bit DIB section", Readings(1000000), 11, DibSection);
    // What every draw costs besides the markers: background, frame, texts.
    Measure("DrawPlot into a 32-bit DIB section", Readings(0), 101, DibSection);
    return 0;
}
