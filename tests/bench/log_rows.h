#pragma once

// A long measurement log for the benchmarks: readings as the panel shows
// them, the temperature and the readings changing from row to row.
#include "measurements/measurement_log.h"
#include "numtext/number_format.h"
#include "tests/core/example_reading.h"

inline MeasurementLog BenchLog(int rows) {
    MeasurementLog log;
    for (int i = 0; i < rows; ++i) {
        MeasurementRow row = ExampleReading();
        row.material = 1 + i % 100;
        row.temperature = FormatReal(77 + i * 0.05);
        row.hallVoltage = FormatReal(-283.27 * (1 + i * 1e-4));
        row.sampleVoltage = FormatReal(1234.5 / (1 + i * 1e-4));
        log.Append(row);
    }
    return log;
}
