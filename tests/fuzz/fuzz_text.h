#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Fuzzer bytes as UTF-16 code units, two bytes each, little-endian, the way a
// Windows edit box would hold them.
inline std::wstring WideTextOf(const uint8_t* data, size_t size) {
    std::wstring text;
    text.reserve(size / 2);
    for (size_t i = 0; i + 1 < size; i += 2) {
        text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    }
    return text;
}
