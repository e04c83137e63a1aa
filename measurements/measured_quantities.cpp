#include "measurements/measured_quantities.h"

#include <array>

// clang-format off
constexpr MeasuredQuantity kMeasuredQuantities[kLogColumnCount] = {
    // name                     symbol       unit        label                     box                   column               shown                                  series
    {"reading number",          L"",         L"",        L"No.",                   0,                    kLogNumber,          nullptr,                               false},
    {"time",                    L"",         L"",        L"Time",                  0,                    kLogTime,            nullptr,                               false},
    {"material",                L"",         L"",        L"Material",              IDC_MATERIAL_NUMBER,  kLogMaterial,        nullptr,                               false},
    {"Hall factor",             L"r_H",      L"",        L"r_H",                   IDC_HALL_FACTOR,      kLogHallFactor,      &MeasurementRow::hallFactor,           false},
    {"sample length",           L"l",        L"\u00B5m", L"l (\u00B5m)",           IDC_SAMPLE_LENGTH,    kLogSampleLength,    &MeasurementRow::sampleLength,         false},
    {"sample width",            L"w",        L"\u00B5m", L"w (\u00B5m)",           IDC_SAMPLE_WIDTH,     kLogSampleWidth,     &MeasurementRow::sampleWidth,          false},
    {"sample thickness",        L"d",        L"\u00B5m", L"d (\u00B5m)",           IDC_SAMPLE_THICKNESS, kLogSampleThickness, &MeasurementRow::sampleThickness,      false},
    {"contact width",           L"s",        L"\u00B5m", L"s (\u00B5m)",           IDC_CONTACT_WIDTH,    kLogContactWidth,    &MeasurementRow::contactWidth,         false},
    {"contact spacing",         L"\u03B4",   L"\u00B5m", L"\u03B4 (\u00B5m)",      IDC_CONTACT_SPACING,  kLogContactSpacing,  &MeasurementRow::contactSpacing,       false},
    {"temperature",             L"T",        L"K",       L"T (K)",                 IDC_TEMPERATURE,      kLogTemperature,     &MeasurementRow::temperature,          true},
    {"sample current",          L"I",        L"mA",      L"I (mA)",                IDC_SAMPLE_CURRENT,   kLogSampleCurrent,   &MeasurementRow::sampleCurrent,        true},
    {"magnet current",          L"I_m",      L"A",       L"I_m (A)",               IDC_MAGNET_CURRENT,   kLogMagnetCurrent,   &MeasurementRow::magnetCurrent,        true},
    {"Hall voltage",            L"V_H",      L"mV",      L"V_H (mV)",              IDC_HALL_VOLTAGE,     kLogHallVoltage,     &MeasurementRow::hallVoltage,          false},
    {"sample voltage",          L"V_\u03C3", L"mV",      L"V_\u03C3 (mV)",         IDC_SAMPLE_VOLTAGE,   kLogSampleVoltage,   &MeasurementRow::sampleVoltage,        false},
};
// clang-format on

namespace {

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

// The record of a column is the column's own place in the table.
static_assert(InColumnOrder(), "one record per log column, in the log's order");

// The columns a series can vary, in the table's order, which is that of
// SeriesQuantity.
constexpr auto kSeriesColumns = SeriesColumns();
static_assert(kSeriesColumns[0] == kLogTemperature && kSeriesColumns[1] == kLogSampleCurrent &&
                  kSeriesColumns[2] == kLogMagnetCurrent,
              "SeriesQuantity follows the table's series quantities");

constexpr std::array<const wchar_t*, kLogColumnCount> ColumnTitles() {
    std::array<const wchar_t*, kLogColumnCount> titles{};
    for (const MeasuredQuantity& quantity : kMeasuredQuantities) titles[quantity.column] = quantity.label;
    return titles;
}

}  // namespace

constexpr std::array<const wchar_t*, kLogColumnCount> kLogColumnTitles = ColumnTitles();

const MeasuredQuantity& QuantityOfSeries(SeriesQuantity quantity) {
    return kMeasuredQuantities[kSeriesColumns[static_cast<int>(quantity)]];
}
