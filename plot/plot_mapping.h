#pragma once

#include <windows.h>

// An axis range that can be drawn: finite, with min < max.
struct AxisRange {
    double min = 0;
    double max = 1;
};

// The range drawn for the ends a caller gives: the ends as they are when they
// are finite and apart; swapped when given the wrong way round; widened
// symmetrically (by a tenth of the value, or by 1 around zero) when equal;
// [0, 1] when either end is NaN or infinite. The width max - min is always a
// finite positive number.
AxisRange UsableRange(double min, double max);

// Where data values land in pixels: the data rectangle x.min..x.max by
// y.min..y.max spread over the pixel rectangle `area`, x growing to the right
// and y upwards. x.min falls on the area's first column and x.max on its last;
// y.max on its first row and y.min on its last. Values outside the ranges map
// outside the area, in proportion.
class PlotMapping {
public:
    PlotMapping() = default;
    // The ranges are made usable (UsableRange); an area narrower or lower
    // than two pixels is widened to two.
    PlotMapping(AxisRange x, AxisRange y, const RECT& area);

    // Pixel coordinates, unrounded.
    double PixelX(double x) const;
    double PixelY(double y) const;
    // The pixel a data point falls on: rounded to the nearest pixel, and held
    // within a million pixels of the origin so that any double, NaN included,
    // gives a valid POINT.
    POINT Pixel(double x, double y) const;
    // Back from pixel coordinates to data.
    double DataX(double pixelX) const;
    double DataY(double pixelY) const;

    // Whether a pixel lies in the area.
    bool Contains(POINT pixel) const;

    const RECT& area() const { return area_; }
    AxisRange x() const { return x_; }
    AxisRange y() const { return y_; }

private:
    AxisRange x_;
    AxisRange y_;
    RECT area_ = {0, 0, 2, 2};
};
