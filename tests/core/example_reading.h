#pragma once

// The worked example's reading as the panel shows it (material 1, the default
// geometry, 300 K, 10 mA, 5 A), the row the log's tests and benchmarks start
// from and change what they need.
#include "measurements/measurement_log.h"

inline MeasurementRow ExampleReading() {
    MeasurementRow row;
    row.time = L"2026-12-08 22:36:18";
    row.material = 1;
    row.hallFactor = L"1.1500";
    row.sampleLength = L"100.00";
    row.sampleWidth = L"100.00";
    row.sampleThickness = L"10.000";
    row.contactWidth = L"0.50000";
    row.contactSpacing = L"10.000";
    row.temperature = L"300.00";
    row.sampleCurrent = L"10.000";
    row.magnetCurrent = L"5.0000";
    row.hallVoltage = L"-283.27";
    row.sampleVoltage = L"1234.5";
    return row;
}
