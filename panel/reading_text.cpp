#include "panel/reading_text.h"

#include "numtext/number_format.h"

std::wstring HallVoltageText(const Readings& readings) {
    return readings.defined ? FormatReal(readings.hallVoltage) : kNoReading;
}

std::wstring SampleVoltageText(const Readings& readings) {
    return readings.defined ? FormatReal(readings.sampleVoltage) : kNoReading;
}
