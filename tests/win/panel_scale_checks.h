#pragma once

// Checks of the panel as laid out for a display scale, shared by the tests
// that move it to another scale and those that start it at the system's.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "panel/experiment_panel_win.h"

// A bitmap read back as 32-bit pixels, top row first; empty when it cannot be.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<RGBQUAD> data;
    bool White(int x, int y) const {
        const RGBQUAD& p = data[static_cast<size_t>(y) * width + x];
        return p.rgbRed == 255 && p.rgbGreen == 255 && p.rgbBlue == 255;
    }
};
Pixels BitmapPixels(HBITMAP bitmap);

// Everything the panel shows at dpi where the placement table and the picture
// put it: the client area and the picture's place times dpi / 96, the picture
// of its scaled size, every control visible and exactly on its scaled
// rectangle, the slider frames' insides by their measured size, and the
// controls' font at the scale. With `exactFields`, the picture shown has each
// control's white field exactly under it (a drawing of that scale, read as the
// program reads it); otherwise (a picture stretched between two drawings)
// white under each control's inside.
void ExpectLaidOutAt(const ExperimentPanel& panel, int dpi, bool exactFields);

// Every edit box of the fields shows its whole text: as wide as the box's
// font draws it, it fits the box's formatting rectangle, and the font's height
// fits the box.
void ExpectNoTextCut(const ExperimentPanel& panel);

// The panel's font height in pixels for the template's 9 points at dpi.
int TemplateFontPixels(int dpi);
