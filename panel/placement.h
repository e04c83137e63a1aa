#pragma once

#include "res/resource.h"

// Where the panel's controls sit in the apparatus picture, in pixels of the
// picture's client area (left, top, right, bottom). Each white field of the
// drawing lies exactly under its control.

struct PixelRect {
    int left, top, right, bottom;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

struct Placement {
    int id;
    PixelRect rect;
};

// The controls that live directly in the picture, in the order they are placed.
inline constexpr Placement kPicturePlacements[] = {
    {IDC_MATERIAL_NUMBER, {108, 22, 143, 43}},        {IDC_HALL_FACTOR, {517, 31, 584, 52}},
    {IDC_SAMPLE_LENGTH, {517, 60, 584, 81}},          {IDC_SAMPLE_WIDTH, {517, 89, 584, 110}},
    {IDC_SAMPLE_THICKNESS, {517, 118, 584, 139}},     {IDC_CONTACT_WIDTH, {517, 147, 584, 168}},
    {IDC_CONTACT_SPACING, {517, 176, 584, 197}},      {IDC_HALL_VOLTAGE, {58, 190, 142, 211}},
    {IDC_SAMPLE_VOLTAGE, {60, 267, 142, 288}},        {IDC_SAMPLE_CURRENT, {60, 368, 134, 389}},
    {IDC_SAMPLE_CURRENT_FRAME, {41, 462, 174, 521}},  {IDC_TEMPERATURE, {249, 187, 293, 208}},
    {IDC_TEMPERATURE_SPIN, {293, 187, 311, 208}},     {IDC_MAGNET_CURRENT, {536, 359, 600, 380}},
    {IDC_MAGNET_CURRENT_FRAME, {490, 469, 623, 528}},
};

// Inside a slider frame whose client area is width x height: the two range
// boxes along the top, the slider below them.
constexpr PixelRect FrameMinimumRect(int, int) {
    return {7, 1, 47, 16};
}
constexpr PixelRect FrameMaximumRect(int width, int) {
    return {width - 41, 1, width - 1, 16};
}
constexpr PixelRect FrameSliderRect(int width, int height) {
    return {0, 16, width, height};
}

// The picture, 645 x 571 pixels.
inline constexpr int kPictureWidth = 645;
inline constexpr int kPictureHeight = 571;
