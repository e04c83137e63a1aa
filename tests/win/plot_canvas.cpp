#include "plot_canvas.h"

#include <algorithm>

namespace {

HBITMAP MakeDibSection(HDC dc, int width, int height, void** bits) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

COLORREF FromDib(uint32_t pixel) {
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

}  // namespace

Canvas::Canvas(int width, int height, COLORREF fill)
    : width_(width), height_(height), dc_(CreateCompatibleDC(nullptr)),
      bitmap_(MakeDibSection(dc_.get(), width, height, &bits_)), selected_(dc_.get(), bitmap_.get()) {
    if (!bitmap_) bits_ = nullptr;
    GdiObject<HBRUSH> brush(CreateSolidBrush(fill));
    const RECT all = rect();
    FillRect(dc_.get(), &all, brush.get());
}

COLORREF Canvas::At(int x, int y) const {
    GdiFlush();
    return Unflushed(x, y);
}

COLORREF Canvas::Unflushed(int x, int y) const {
    if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    return FromDib(static_cast<const uint32_t*>(bits_)[static_cast<size_t>(y) * width_ + x]);
}

bool Canvas::Near(POINT p, COLORREF colour, int radius) const {
    GdiFlush();
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            if (Unflushed(p.x + dx, p.y + dy) == colour) return true;
        }
    }
    return false;
}

int Canvas::Count(const RECT& r, COLORREF colour) const {
    GdiFlush();
    int count = 0;
    for (int y = std::max(0, static_cast<int>(r.top)); y < std::min(height_, static_cast<int>(r.bottom)); ++y) {
        for (int x = std::max(0, static_cast<int>(r.left)); x < std::min(width_, static_cast<int>(r.right)); ++x) {
            count += Unflushed(x, y) == colour ? 1 : 0;
        }
    }
    return count;
}

int Canvas::CountOther(const RECT& r, COLORREF colour) const {
    RECT inside;
    const RECT all = rect();
    if (!IntersectRect(&inside, &r, &all)) return 0;
    return (inside.right - inside.left) * (inside.bottom - inside.top) - Count(inside, colour);
}

RECT Canvas::Extent(const RECT& r, COLORREF colour) const {
    GdiFlush();
    RECT extent = {};
    for (int y = std::max(0, static_cast<int>(r.top)); y < std::min(height_, static_cast<int>(r.bottom)); ++y) {
        for (int x = std::max(0, static_cast<int>(r.left)); x < std::min(width_, static_cast<int>(r.right)); ++x) {
            if (Unflushed(x, y) == colour) continue;
            const RECT pixel = {x, y, x + 1, y + 1};
            UnionRect(&extent, &extent, &pixel);
        }
    }
    return extent;
}

std::vector<uint32_t> Canvas::Pixels() const {
    if (!bits_) return {};
    GdiFlush();
    const uint32_t* p = static_cast<const uint32_t*>(bits_);
    std::vector<uint32_t> pixels(p, p + static_cast<size_t>(width_) * height_);
    for (uint32_t& pixel : pixels) pixel &= 0xFFFFFF;
    return pixels;
}

PlotData RisingReadings() {
    PlotData data;
    data.x = {L"B (T)", 0, 10, {}};
    data.y = {L"U_H (mV)", 0, 100, {}};
    for (int i = 0; i <= 10; i += 2) data.x.ticks.push_back({double(i), std::to_wstring(i)});
    for (int i = 0; i <= 100; i += 25) data.y.ticks.push_back({double(i), std::to_wstring(i)});
    data.points = {{1, 12}, {3, 31}, {5, 48}, {7, 72}, {9, 88}};
    data.selected = {2};
    data.fit = PlotFit{9.5, 2.5, {L"slope = 9.5 mV/T", L"R\u00b2 = 0.998"}};
    return data;
}
