#pragma once

#include <cstddef>

#include "measurements/measurement_log.h"
#include "model/hall_model.h"
#include "model/material_table.h"
#include "res/resource.h"

// The fields of the panel, each described once: what kind of field it is, its
// controls, where it sits in the apparatus picture, the setting it holds and
// that setting's range, and the column of the measurement log that records it. The panel builds its records, lays its controls out,
// routes their notifications, locks and reads them from this table; the
// defaults are ExperimentSettings's own.

// Pixels of the picture's client area (left, top, right, bottom).
struct PixelRect {
    int left, top, right, bottom;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

enum class FieldKind {
    materialNumber,  // the material box: an integer, 1 to the table's count
    number,          // an edit box bound to a number with a closed range
    slider,          // a value box, and a slider in a frame with its two range boxes
    upDown,          // an up-down button that steps another field's setting
    reading,         // a voltmeter's read-only box
};

// The parts of a slider field besides its value box.
struct SliderParts {
    int trackId, frameId, minimumId, maximumId;
    PixelRect framePlace;
};

struct PanelField {
    FieldKind kind;
    int id;           // the box, or the control itself
    PixelRect place;  // in the picture; white under it in the drawing
    // The setting the field holds (an up-down: the setting it steps); none for
    // the material box and the readings.
    double ExperimentSettings::*setting;
    // A number's range; a slider's ends until the student moves them.
    double lower, upper;
    // The column that records what the box shows (kNoLogColumn: none).
    int logColumn;
    // Read-only except while it has the focus, so that stray keys cannot
    // change it.
    bool writableOnlyWhileFocused;
    SliderParts slider;
};

inline constexpr int kNoLogColumn = -1;

// In the order the controls are placed. A rejected value locks every control
// here except the box that holds it.
// clang-format off
inline constexpr PanelField kPanelFields[] = {
    // kind                   id                    place in the picture   setting                                  range           log column            focus
    {FieldKind::materialNumber, IDC_MATERIAL_NUMBER, {108, 22, 143, 43},   nullptr,                                 1, kMaxMaterials, kLogMaterial,        false, {}},
    {FieldKind::number,       IDC_HALL_FACTOR,      {517, 31, 584, 52},   &ExperimentSettings::hallFactor,         0.2, 5,         kLogHallFactor,       false, {}},
    {FieldKind::number,       IDC_SAMPLE_LENGTH,    {517, 60, 584, 81},   &ExperimentSettings::sampleLength,       1, 25000,       kLogSampleLength,     false, {}},
    {FieldKind::number,       IDC_SAMPLE_WIDTH,     {517, 89, 584, 110},  &ExperimentSettings::sampleWidth,        1, 25000,       kLogSampleWidth,      false, {}},
    {FieldKind::number,       IDC_SAMPLE_THICKNESS, {517, 118, 584, 139}, &ExperimentSettings::sampleThickness,    1, 25000,       kLogSampleThickness,  false, {}},
    {FieldKind::number,       IDC_CONTACT_WIDTH,    {517, 147, 584, 168}, &ExperimentSettings::contactWidth,       0.1, 1,         kLogContactWidth,     false, {}},
    {FieldKind::number,       IDC_CONTACT_SPACING,  {517, 176, 584, 197}, &ExperimentSettings::contactSpacing,     1, 10000,       kLogContactSpacing,   false, {}},
    {FieldKind::reading,      IDC_HALL_VOLTAGE,     {58, 190, 142, 211},  nullptr,                                 0, 0,           kLogHallVoltage,      false, {}},
    {FieldKind::reading,      IDC_SAMPLE_VOLTAGE,   {60, 267, 142, 288},  nullptr,                                 0, 0,           kLogSampleVoltage,    false, {}},
    {FieldKind::slider,       IDC_SAMPLE_CURRENT,   {60, 368, 134, 389},  &ExperimentSettings::sampleCurrent,      -25, 25,        kLogSampleCurrent,    false,
     {IDC_SAMPLE_CURRENT_SLIDER, IDC_SAMPLE_CURRENT_FRAME, IDC_SAMPLE_CURRENT_MIN, IDC_SAMPLE_CURRENT_MAX, {41, 462, 174, 521}}},
    {FieldKind::number,       IDC_TEMPERATURE,      {249, 187, 293, 208}, &ExperimentSettings::temperature,        77, 1680,       kLogTemperature,      true,  {}},
    {FieldKind::upDown,       IDC_TEMPERATURE_SPIN, {293, 187, 311, 208}, &ExperimentSettings::temperature,        0, 0,           kNoLogColumn,         false, {}},
    {FieldKind::slider,       IDC_MAGNET_CURRENT,   {536, 359, 600, 380}, &ExperimentSettings::magnetCurrent,      -10, 10,        kLogMagnetCurrent,    false,
     {IDC_MAGNET_CURRENT_SLIDER, IDC_MAGNET_CURRENT_FRAME, IDC_MAGNET_CURRENT_MIN, IDC_MAGNET_CURRENT_MAX, {490, 469, 623, 528}}},
};
// clang-format on

// The boxes that F6 and Shift+F6 step through, in the order a person reads
// the apparatus: the material, the sample's geometry from top to bottom, then
// the temperature chamber and the two sources. The range boxes, the sliders and
// the up-down are left out: they keep their own keys.
inline constexpr int kBoxReadingOrder[] = {
    IDC_MATERIAL_NUMBER,  IDC_HALL_FACTOR,   IDC_SAMPLE_LENGTH,  IDC_SAMPLE_WIDTH,   IDC_SAMPLE_THICKNESS,
    IDC_CONTACT_WIDTH,    IDC_CONTACT_SPACING, IDC_TEMPERATURE,  IDC_SAMPLE_CURRENT, IDC_MAGNET_CURRENT,
};

constexpr std::size_t CountFields(FieldKind kind) {
    std::size_t n = 0;
    for (const PanelField& field : kPanelFields) n += field.kind == kind ? 1 : 0;
    return n;
}
