#include "model/material_table.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "table_assertions.h"

namespace {

uint64_t Bits(double v) {
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// A value that differs for every column and every entry, so that a wrong
// column or a wrong entry shows up in the comparison.
double Marker(int column, int entry) {
    return 1000.0 * (column + 1) + entry + 0.25;
}

void FillMarkers(MaterialTable& table) {
    for (int k = 0; k < kParameterCount; ++k)
        for (int i = 0; i <= kMaxMaterials; ++i) table.columns[k].entries[i] = Marker(k, i);
}

// An initialised table with a marker in every entry.
MaterialTable MarkedTable() {
    MaterialTable table;
    table.Initialise();
    FillMarkers(table);
    return table;
}

struct ColumnRow {
    int index;
    Parameter name;
    const wchar_t* key;
    double defaultValue;
    int32_t byteSelector;
};

// The columns in file and editor order.
const ColumnRow kColumns[] = {
    {0, kNd, L"Nd", 1e16, 1},
    {1, kNa, L"Na", 1e14, 0},
    {2, kMunL0, L"\u03BCnL0", 8000.0, 0},
    {3, kMunI0, L"\u03BCnI0", 8000.0, 1},
    {4, kTL0, L"TL0", 80.0, 0},
    {5, kTI0, L"TI0", 20.0, 1},
    {6, kAlpha, L"\u03B1", -1.5, 1},
    {7, kBeta, L"\u03B2", 1.5, 0},
    {8, kB, L"b", 2.5, 0},
    {9, kNi0, L"ni0", 1.49e10, 1},
    {10, kEg, L"Eg", 1.12, 1},
    {11, kARand, L"ARand", 0.0, 0},
};

TEST(MaterialTableTest, ParameterInfoHoldsKeysDefaultsAndSelectorsInColumnOrder) {
    ASSERT_EQ(kParameterCount, 12);
    ASSERT_EQ(kMaxMaterials, 100);
    ASSERT_EQ(kWorkingEntry, 100);
    for (const ColumnRow& row : kColumns) {
        SCOPED_TRACE("column " + std::to_string(row.index));
        EXPECT_EQ(row.index, static_cast<int>(row.name));
        const ParameterInfo& info = kParameterInfo[row.index];
        ASSERT_NE(info.key, nullptr);
        EXPECT_EQ(std::wstring(row.key), std::wstring(info.key));
        // Bit comparison: the ARand default must be +0, not -0.
        EXPECT_EQ(Bits(row.defaultValue), Bits(info.defaultValue))
            << "expected " << row.defaultValue << ", got " << info.defaultValue;
        EXPECT_EQ(row.byteSelector, info.byteSelector);
    }
}

TEST(MaterialTableTest, InitialiseSetsSelectorsAndCountButKeepsEntries) {
    MaterialTable table;
    FillMarkers(table);
    for (int k = 0; k < kParameterCount; ++k) table.columns[k].byteSelector = 77;
    table.materialCount = 7;

    table.Initialise();

    EXPECT_EQ(100, table.materialCount);
    for (const ColumnRow& row : kColumns) {
        SCOPED_TRACE("column " + std::to_string(row.index));
        EXPECT_EQ(row.byteSelector, table.columns[row.index].byteSelector);
        for (int i = 0; i <= kMaxMaterials; ++i) {
            ASSERT_EQ(Bits(Marker(row.index, i)), Bits(table.columns[row.index].entries[i])) << "entry " << i;
        }
    }
}

TEST(MaterialTableTest, FillDefaultsFillsEveryMaterialButNotTheWorkingEntry) {
    MaterialTable table;
    FillMarkers(table);
    table.Initialise();
    table.FillDefaults();

    EXPECT_EQ(100, table.materialCount);
    for (const ColumnRow& row : kColumns) {
        SCOPED_TRACE("column " + std::to_string(row.index));
        for (int i = 0; i < kMaxMaterials; ++i) {
            ASSERT_EQ(Bits(row.defaultValue), Bits(table.columns[row.index].entries[i])) << "entry " << i;
        }
        EXPECT_EQ(Bits(Marker(row.index, kWorkingEntry)), Bits(table.columns[row.index].workingEntry()));
    }
}

TEST(MaterialTableTest, FillDefaultsStopsAtTheMaterialCount) {
    const int32_t counts[] = {0, 1, 5, 99};
    for (int32_t count : counts) {
        SCOPED_TRACE("count " + std::to_string(count));
        MaterialTable table = MarkedTable();
        table.materialCount = count;
        table.FillDefaults();

        EXPECT_EQ(count, table.materialCount);
        for (const ColumnRow& row : kColumns) {
            SCOPED_TRACE("column " + std::to_string(row.index));
            for (int i = 0; i <= kMaxMaterials; ++i) {
                const double expected = i < count ? row.defaultValue : Marker(row.index, i);
                ASSERT_EQ(Bits(expected), Bits(table.columns[row.index].entries[i])) << "entry " << i;
            }
        }
    }
}

TEST(MaterialTableTest, SelectMaterialCopiesEntryIntoEveryWorkingEntry) {
    const int numbers[] = {1, 2, 50, 99, 100};
    for (int n : numbers) {
        SCOPED_TRACE("material " + std::to_string(n));
        MaterialTable table = MarkedTable();

        EXPECT_TRUE(table.IsValidMaterialNumber(n));
        EXPECT_TRUE(table.SelectMaterial(n));

        EXPECT_EQ(n, table.materialNumber);
        EXPECT_EQ(100, table.materialCount);
        for (int k = 0; k < kParameterCount; ++k) {
            SCOPED_TRACE("column " + std::to_string(k));
            EXPECT_EQ(Marker(k, n - 1), table.columns[k].workingEntry());
            // The materials themselves are not touched.
            for (int i = 0; i < kMaxMaterials; ++i)
                ASSERT_EQ(Marker(k, i), table.columns[k].entries[i]) << "entry " << i;
        }
    }
}

TEST(MaterialTableTest, SelectMaterialFollowsLaterChangesAndKeepsUnusualValues) {
    MaterialTable table;
    table.Initialise();
    table.FillDefaults();
    ASSERT_TRUE(table.SelectMaterial(3));
    for (int k = 0; k < kParameterCount; ++k)
        EXPECT_EQ(Bits(kColumns[k].defaultValue), Bits(table.columns[k].workingEntry()));

    // An edit of the current material reaches the working entry only through
    // a fresh selection of the same number.
    const double unusual[kParameterCount] = {-0.0,
                                             -1e300,
                                             std::numeric_limits<double>::infinity(),
                                             -std::numeric_limits<double>::infinity(),
                                             std::numeric_limits<double>::denorm_min(),
                                             0.0,
                                             -273.15,
                                             1e-300,
                                             42.0,
                                             -1.49e10,
                                             7.5,
                                             0.5};
    for (int k = 0; k < kParameterCount; ++k) table.columns[k].entries[2] = unusual[k];
    for (int k = 0; k < kParameterCount; ++k)
        EXPECT_EQ(Bits(kColumns[k].defaultValue), Bits(table.columns[k].workingEntry()));

    ASSERT_TRUE(table.SelectMaterial(3));
    EXPECT_EQ(3, table.materialNumber);
    for (int k = 0; k < kParameterCount; ++k) {
        SCOPED_TRACE("column " + std::to_string(k));
        EXPECT_EQ(Bits(unusual[k]), Bits(table.columns[k].workingEntry()));
    }
}

TEST(MaterialTableTest, OutOfRangeNumbersAreRefusedWithoutAnyChange) {
    const int refused[] = {101, 102, 1000, -1, -100, INT_MIN, INT_MAX};
    for (int n : refused) {
        SCOPED_TRACE("material " + std::to_string(n));
        MaterialTable table = MarkedTable();
        ASSERT_TRUE(table.SelectMaterial(42));
        const MaterialTable before = table;

        EXPECT_FALSE(table.IsValidMaterialNumber(n));
        EXPECT_FALSE(table.SelectMaterial(n));
        ExpectSameTable(before, table);
        EXPECT_EQ(42, table.materialNumber);
    }
}

TEST(MaterialTableTest, SmallerCountLimitsTheValidNumbers) {
    struct Case {
        int32_t count;
        int number;
        bool valid;
    };
    const Case cases[] = {
        {5, 1, true},    {5, 3, true},   {5, 5, true},     {5, 6, false},     {5, 100, false}, {5, -1, false},
        {5, 0, false},   {1, 1, true},   {1, 2, false},    {0, 1, false},     {0, 0, false},   {0, -1, false},
        {100, 0, false}, {100, 1, true}, {100, 100, true}, {100, 101, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("count " + std::to_string(c.count) + ", material " + std::to_string(c.number));
        MaterialTable table = MarkedTable();
        table.materialCount = c.count;

        EXPECT_EQ(c.valid, table.IsValidMaterialNumber(c.number));
        if (c.number == 0) continue;  // 0 is not a material but is accepted by SelectMaterial

        const MaterialTable before = table;
        EXPECT_EQ(c.valid, table.SelectMaterial(c.number));
        if (c.valid) {
            EXPECT_EQ(c.number, table.materialNumber);
            for (int k = 0; k < kParameterCount; ++k)
                EXPECT_EQ(Marker(k, c.number - 1), table.columns[k].workingEntry()) << "column " << k;
        } else {
            ExpectSameTable(before, table);
        }
        EXPECT_EQ(c.count, table.materialCount);
    }
}

TEST(MaterialTableTest, SelectingZeroClearsTheNumberButKeepsWorkingEntries) {
    const int32_t counts[] = {100, 5, 0};
    for (int32_t count : counts) {
        SCOPED_TRACE("count " + std::to_string(count));
        MaterialTable table = MarkedTable();
        table.materialCount = count;
        if (count >= 3) {
            ASSERT_TRUE(table.SelectMaterial(3));
        }

        MaterialTable expected = table;
        expected.materialNumber = 0;

        EXPECT_TRUE(table.SelectMaterial(0));
        EXPECT_EQ(0, table.materialNumber);
        ExpectSameTable(expected, table);
    }
}

TEST(MaterialTableTest, WorkingEntryMapsColumnsToNamedFields) {
    MaterialTable table;
    table.Initialise();
    for (int k = 0; k < kParameterCount; ++k) table.columns[k].workingEntry() = 101.0 + k;

    const MaterialParameters p = table.WorkingEntry();
    const struct {
        const char* name;
        double actual;
        double expected;
    } fields[] = {
        {"nd", p.nd, 101.0},   {"na", p.na, 102.0},   {"munL0", p.munL0, 103.0}, {"munI0", p.munI0, 104.0},
        {"tl0", p.tl0, 105.0}, {"ti0", p.ti0, 106.0}, {"alpha", p.alpha, 107.0}, {"beta", p.beta, 108.0},
        {"b", p.b, 109.0},     {"ni0", p.ni0, 110.0}, {"eg", p.eg, 111.0},       {"aRand", p.aRand, 112.0},
    };
    for (const auto& f : fields) {
        SCOPED_TRACE(f.name);
        EXPECT_EQ(f.expected, f.actual);
    }
}

TEST(MaterialTableTest, WorkingEntryReflectsTheSelectedMaterial) {
    MaterialTable table = MarkedTable();
    ASSERT_TRUE(table.SelectMaterial(17));

    const MaterialParameters p = table.WorkingEntry();
    EXPECT_EQ(Marker(0, 16), p.nd);
    EXPECT_EQ(Marker(1, 16), p.na);
    EXPECT_EQ(Marker(2, 16), p.munL0);
    EXPECT_EQ(Marker(3, 16), p.munI0);
    EXPECT_EQ(Marker(4, 16), p.tl0);
    EXPECT_EQ(Marker(5, 16), p.ti0);
    EXPECT_EQ(Marker(6, 16), p.alpha);
    EXPECT_EQ(Marker(7, 16), p.beta);
    EXPECT_EQ(Marker(8, 16), p.b);
    EXPECT_EQ(Marker(9, 16), p.ni0);
    EXPECT_EQ(Marker(10, 16), p.eg);
    EXPECT_EQ(Marker(11, 16), p.aRand);

    // Defaults give an n-type material without noise.
    table.FillDefaults();
    ASSERT_TRUE(table.SelectMaterial(1));
    const MaterialParameters d = table.WorkingEntry();
    EXPECT_GT(d.nd, d.na);
    EXPECT_EQ(0.0, d.aRand);
    EXPECT_EQ(-1.5, d.alpha);
    EXPECT_EQ(1.5, d.beta);
}

}  // namespace
