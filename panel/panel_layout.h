#pragma once

#include <array>
#include <cstddef>

#include "panel/panel_fields.h"
#include "res/resource.h"

// The panel's layout as numbers: where each control of kPanelFields sits in the
// picture, and how every measure grows with the display's scale. The window
// side (panel_layout_win.h) puts the controls there.

// A control that lives directly in the picture and its rectangle there.
struct Placement {
    int id;
    PixelRect rect;
};

namespace panel_fields_detail {

constexpr auto PicturePlacements() {
    std::array<Placement, std::size(kPanelFields) + CountFields(FieldKind::slider)> placements{};
    std::size_t i = 0;
    for (const PanelField& field : kPanelFields) {
        placements[i++] = {field.id, field.place};
        if (field.kind == FieldKind::slider) placements[i++] = {field.slider.frameId, field.slider.framePlace};
    }
    return placements;
}

}  // namespace panel_fields_detail

// Every control in the picture, in the order they are placed: a slider's frame
// follows its value box.
inline constexpr auto kPicturePlacements = panel_fields_detail::PicturePlacements();

// The panel is laid out for 96 dots per inch. At another scale every pixel
// measure of the layout, the picture and its fields is multiplied by dpi / 96
// and rounded as MulDiv rounds (halves away from zero), coordinate by
// coordinate, so that neighbouring rectangles stay neighbours.
inline constexpr int kLayoutDpi = 96;

constexpr int ScaleToDpi(int pixels, int dpi) {
    const long long product = static_cast<long long>(pixels < 0 ? -pixels : pixels) * dpi;
    const int scaled = static_cast<int>((product + kLayoutDpi / 2) / kLayoutDpi);
    return pixels < 0 ? -scaled : scaled;
}

constexpr PixelRect ScaleToDpi(const PixelRect& r, int dpi) {
    return {ScaleToDpi(r.left, dpi), ScaleToDpi(r.top, dpi), ScaleToDpi(r.right, dpi),
            ScaleToDpi(r.bottom, dpi)};
}

// Inside a slider frame whose client area is width x height (measured, at the
// panel's scale): the two range boxes along the top, the slider below them.
constexpr PixelRect FrameMinimumRect(int, int, int dpi) {
    return {ScaleToDpi(7, dpi), ScaleToDpi(1, dpi), ScaleToDpi(47, dpi), ScaleToDpi(16, dpi)};
}
constexpr PixelRect FrameMaximumRect(int width, int, int dpi) {
    return {width - ScaleToDpi(41, dpi), ScaleToDpi(1, dpi), width - ScaleToDpi(1, dpi), ScaleToDpi(16, dpi)};
}
constexpr PixelRect FrameSliderRect(int width, int height, int dpi) {
    return {0, ScaleToDpi(16, dpi), width, height};
}

// The picture, 645 x 571 pixels at 96 DPI.
inline constexpr int kPictureWidth = 645;
inline constexpr int kPictureHeight = 571;

// The scales the picture is drawn for: bitmap 201 at 96 DPI, the PNG drawings
// at 125 to 200 per cent. A scale in between takes the nearest, stretched.
struct PictureScale {
    int dpi;
    int bitmapId;
};
inline constexpr PictureScale kPictureScales[] = {
    {96, IDB_APPARATUS},      {120, IDB_APPARATUS_125}, {144, IDB_APPARATUS_150},
    {168, IDB_APPARATUS_175}, {192, IDB_APPARATUS_200},
};

// The drawing nearest to dpi; of two equally near, the larger, which shrinks
// more cleanly than the smaller grows.
constexpr PictureScale NearestPictureScale(int dpi) {
    PictureScale best = kPictureScales[0];
    for (const PictureScale& scale : kPictureScales) {
        const int distance = scale.dpi > dpi ? scale.dpi - dpi : dpi - scale.dpi;
        const int bestDistance = best.dpi > dpi ? best.dpi - dpi : dpi - best.dpi;
        if (distance <= bestDistance) best = scale;
    }
    return best;
}
