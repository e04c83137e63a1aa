#pragma once

// A long measurement log for the benchmarks: readings as the panel shows
// them, the temperature and the readings changing from row to row.
#include "measurements/measurement_log.h"
#include "numtext/number_format.h"

inline MeasurementLog BenchLog(int rows) {
    MeasurementLog log;
    for (int i = 0; i < rows; ++i) {
        MeasurementRow row;
        row.time = L"2026-12-08 22:36:18";
        row.material = 1 + i % 100;
        row.hallFactor = L"1.1500";
        row.sampleLength = L"100.00";
        row.sampleWidth = L"100.00";
        row.sampleThickness = L"10.000";
        row.contactWidth = L"0.50000";
        row.contactSpacing = L"10.000";
        row.temperature = FormatReal(77 + i * 0.05);
        row.sampleCurrent = L"10.000";
        row.magnetCurrent = L"5.0000";
        row.hallVoltage = FormatReal(-283.27 * (1 + i * 1e-4));
        row.sampleVoltage = FormatReal(1234.5 / (1 + i * 1e-4));
        log.Append(row);
    }
    return log;
}
