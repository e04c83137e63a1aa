#pragma once

#include <cstdint>
#include <string>

// The record of the latest rejected input, and whether its warning is pending.
struct RangeWarning {
    enum Flags : uint8_t {
        kHasLower = 1,
        kHasUpper = 2,
        kIsInteger = 4,  // the input is an integer: its bounds are written as integers
    };

    uintptr_t timerId = 0;  // 0 when no warning is pending
    uint8_t flags = 0;
    double lower = 0;
    double upper = 0;
};

// "Invalid set of parameters.\nValid range: [lower, upper]." with the bounds in
// the panel's number style, or as integers (truncated) for an integer input.
std::wstring RangeWarningText(const RangeWarning& warning);
