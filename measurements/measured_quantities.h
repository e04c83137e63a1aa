#pragma once

#include <array>
#include <string>

#include "measurements/automatic_series.h"
#include "measurements/measurement_log.h"
#include "res/resource.h"

// What a reading records, one record for each column of the log, in the
// log's order: where the value comes from on the panel, what it is called and
// in what unit, and how the log's header, the series dialog and the plot's
// axes title it. The log's columns, the series dialog's choices and the
// panel's boxes for a series are all made from this one table; the help's
// page of fields is checked against it (tests/help/help_fields.cpp).
struct MeasuredQuantity {
    const wchar_t* name;    // what it is, in words
    const wchar_t* symbol;  // "T", "I_m", "\u03B4" (δ); empty for the reading's number and time
    const wchar_t* unit;    // "K", "\u00B5m" (µm); empty for a pure number
    // The title with its unit, exactly as the log's header, the series dialog
    // and the plot's axes show it: "T (K)".
    const wchar_t* label;
    int box;                // the panel's control it is read from; 0 for none
    LogColumn column;       // its column in the log
    // The row's text for it; null where the row keeps it otherwise (number,
    // time, material).
    std::wstring MeasurementRow::*shown;
    bool series;            // whether an automatic series can vary it
};

// clang-format off
inline constexpr MeasuredQuantity kMeasuredQuantities[] = {
    // name                     symbol       unit        label                     box                   column               shown                                  series
    {L"reading number",         L"",         L"",        L"No.",                   0,                    kLogNumber,          nullptr,                               false},
    {L"time",                   L"",         L"",        L"Time",                  0,                    kLogTime,            nullptr,                               false},
    {L"material",               L"",         L"",        L"Material",              IDC_MATERIAL_NUMBER,  kLogMaterial,        nullptr,                               false},
    {L"Hall factor",            L"r_H",      L"",        L"r_H",                   IDC_HALL_FACTOR,      kLogHallFactor,      &MeasurementRow::hallFactor,           false},
    {L"sample length",          L"l",        L"\u00B5m", L"l (\u00B5m)",           IDC_SAMPLE_LENGTH,    kLogSampleLength,    &MeasurementRow::sampleLength,         false},
    {L"sample width",           L"w",        L"\u00B5m", L"w (\u00B5m)",           IDC_SAMPLE_WIDTH,     kLogSampleWidth,     &MeasurementRow::sampleWidth,          false},
    {L"sample thickness",       L"d",        L"\u00B5m", L"d (\u00B5m)",           IDC_SAMPLE_THICKNESS, kLogSampleThickness, &MeasurementRow::sampleThickness,      false},
    {L"contact width",          L"s",        L"\u00B5m", L"s (\u00B5m)",           IDC_CONTACT_WIDTH,    kLogContactWidth,    &MeasurementRow::contactWidth,         false},
    {L"contact spacing",        L"\u03B4",   L"\u00B5m", L"\u03B4 (\u00B5m)",      IDC_CONTACT_SPACING,  kLogContactSpacing,  &MeasurementRow::contactSpacing,       false},
    {L"temperature",            L"T",        L"K",       L"T (K)",                 IDC_TEMPERATURE,      kLogTemperature,     &MeasurementRow::temperature,          true},
    {L"sample current",         L"I",        L"mA",      L"I (mA)",                IDC_SAMPLE_CURRENT,   kLogSampleCurrent,   &MeasurementRow::sampleCurrent,        true},
    {L"magnet current",         L"I_m",      L"A",       L"I_m (A)",               IDC_MAGNET_CURRENT,   kLogMagnetCurrent,   &MeasurementRow::magnetCurrent,        true},
    {L"Hall voltage",           L"V_H",      L"mV",      L"V_H (mV)",              IDC_HALL_VOLTAGE,     kLogHallVoltage,     &MeasurementRow::hallVoltage,          false},
    {L"sample voltage",         L"V_\u03C3", L"mV",      L"V_\u03C3 (mV)",         IDC_SAMPLE_VOLTAGE,   kLogSampleVoltage,   &MeasurementRow::sampleVoltage,        false},
};
// clang-format on

namespace measured_quantities_detail {

constexpr bool InColumnOrder() {
    int column = 0;
    for (const MeasuredQuantity& quantity : kMeasuredQuantities) {
        if (quantity.column != column++) return false;
    }
    return column == kLogColumnCount;
}

constexpr auto SeriesColumns() {
    std::array<LogColumn, kSeriesQuantityCount> columns{};
    std::size_t i = 0;
    for (const MeasuredQuantity& quantity : kMeasuredQuantities) {
        if (quantity.series && i < columns.size()) columns[i] = quantity.column;
        i += quantity.series ? 1 : 0;
    }
    return i == columns.size() ? columns : decltype(columns){};
}

}  // namespace measured_quantities_detail

// The record of a column is the column's own place in the table.
static_assert(measured_quantities_detail::InColumnOrder(), "one record per log column, in the log's order");

// The columns a series can vary, in the table's order, which is that of
// SeriesQuantity: a series quantity's record is
// kMeasuredQuantities[kSeriesColumns[quantity]].
inline constexpr auto kSeriesColumns = measured_quantities_detail::SeriesColumns();
static_assert(kSeriesColumns[0] == kLogTemperature && kSeriesColumns[1] == kLogSampleCurrent &&
                  kSeriesColumns[2] == kLogMagnetCurrent,
              "SeriesQuantity follows the table's series quantities");

inline const MeasuredQuantity& QuantityOfColumn(int column) {
    return kMeasuredQuantities[column];
}

inline const MeasuredQuantity& QuantityOfSeries(SeriesQuantity quantity) {
    return kMeasuredQuantities[kSeriesColumns[static_cast<int>(quantity)]];
}
