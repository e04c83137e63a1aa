#pragma once

// Comparing whole material tables in the core's tests.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "model/material_table.h"

// Two tables alike bit for bit: count, number, selectors and all 101 entries
// of every column. The first differing entry of a column is reported with its
// value and its bits.
inline void ExpectSameTable(const MaterialTable& expected, const MaterialTable& actual) {
    EXPECT_EQ(expected.materialCount, actual.materialCount);
    EXPECT_EQ(expected.materialNumber, actual.materialNumber);
    auto bits = [](const double& v) {
        uint64_t b;
        std::memcpy(&b, &v, sizeof b);
        return b;
    };
    auto describe = [&](const double& v) {
        char text[64];
        std::snprintf(text, sizeof text, "%.17g (%016" PRIx64 ")", v, bits(v));
        return std::string(text);
    };
    for (int k = 0; k < kParameterCount; ++k) {
        SCOPED_TRACE("column " + std::to_string(k));
        EXPECT_EQ(expected.columns[k].byteSelector, actual.columns[k].byteSelector);
        for (int i = 0; i <= kMaxMaterials; ++i) {
            if (bits(expected.columns[k].entries[i]) != bits(actual.columns[k].entries[i])) {
                ADD_FAILURE() << "entry " << i << " differs: expected " << describe(expected.columns[k].entries[i])
                              << ", got " << describe(actual.columns[k].entries[i]);
                break;
            }
        }
    }
}
