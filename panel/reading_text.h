#pragma once

#include <string>

#include "model/hall_model.h"

// The texts the two voltmeters show: "%#.5g", trimmed, or "*****" in both.
inline constexpr const wchar_t* kNoReading = L"*****";
std::wstring HallVoltageText(const Readings& readings);
std::wstring SampleVoltageText(const Readings& readings);
