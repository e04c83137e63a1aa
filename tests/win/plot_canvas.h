#pragma once

#include <windows.h>

#include <cstdint>
#include <ostream>
#include <vector>

#include "base/gdi.h"
#include "plot/plot_data.h"

// A 32-bit top-down bitmap in a memory DC, filled with one colour, to draw
// into and read back pixel by pixel.
class Canvas {
public:
    static constexpr COLORREF kUntouched = RGB(255, 0, 255);

    Canvas(int width, int height, COLORREF fill = kUntouched);
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return dc_.get(); }
    RECT rect() const { return {0, 0, width_, height_}; }
    bool valid() const { return bits_ != nullptr; }

    // The colour at a pixel; CLR_INVALID outside the bitmap.
    COLORREF At(int x, int y) const;
    COLORREF At(POINT p) const { return At(p.x, p.y); }
    // Whether a pixel within `radius` (in x and in y) of `p` has `colour`.
    bool Near(POINT p, COLORREF colour, int radius) const;
    // How many pixels in `r` (clipped to the bitmap) have `colour`, or not.
    int Count(const RECT& r, COLORREF colour) const;
    int CountOther(const RECT& r, COLORREF colour) const;
    // The smallest rectangle holding every pixel in `r` that is not `colour`;
    // empty when there is none.
    RECT Extent(const RECT& r, COLORREF colour) const;
    // Every pixel, as 0x00RRGGBB, row by row.
    std::vector<uint32_t> Pixels() const;

private:
    COLORREF Unflushed(int x, int y) const;

    int width_;
    int height_;
    MemoryDc dc_;
    void* bits_ = nullptr;
    GdiObject<HBITMAP> bitmap_;
    Selection selected_;
};

// Rectangles compared and shown by GoogleTest.
inline bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline void PrintTo(const RECT& r, std::ostream* out) {
    *out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

// A small data set whose plot tests find their way in: five readings rising
// from (1, 12) to (9, 88) on 0..10 by 0..100, the middle one selected, and the
// line y = 9.5 x + 2.5 fitted to them.
PlotData RisingReadings();
