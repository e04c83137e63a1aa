#include "storage/parameter_codec.h"

#include <gtest/gtest.h>

#include <array>
#include <cfloat>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "model/material_table.h"
#include "table_assertions.h"

namespace {

using Bytes8 = std::array<unsigned char, 8>;
using Bytes = std::vector<unsigned char>;
using Column = std::array<double, kMaxMaterials + 1>;

uint64_t Bits(double v) {
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// Writes a bit pattern straight into memory, so that no floating-point
// register ever holds it on the way.
void SetBits(double& target, uint64_t bits) {
    std::memcpy(&target, &bits, sizeof bits);
}

// Little-endian bytes of a double, built from its bit pattern rather than from
// the host's memory layout.
Bytes8 Plain(uint64_t bits) {
    Bytes8 out{};
    for (int i = 0; i < 8; ++i) out[i] = static_cast<unsigned char>(bits >> (8 * i));
    return out;
}
Bytes8 Plain(double v) {
    return Plain(Bits(v));
}

// The stored form, computed independently of the codec.
Bytes8 Stored(uint64_t bits, int32_t selector) {
    Bytes8 out = Plain(bits);
    if (selector >= 0) out[7 - selector] = static_cast<unsigned char>(~out[7 - selector]);
    return out;
}

Bytes8 At(const Bytes& bytes, size_t offset) {
    Bytes8 out{};
    std::memcpy(out.data(), bytes.data() + offset, 8);
    return out;
}

std::string Hex(const unsigned char* p, size_t n) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        if (i) s += ' ';
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}
std::string Hex(const Bytes8& b) {
    return Hex(b.data(), b.size());
}

void AppendInt32(Bytes& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
void Append(Bytes& out, const Bytes8& b) {
    out.insert(out.end(), b.begin(), b.end());
}

const int32_t kSelectors[kParameterCount] = {1, 0, 0, 1, 0, 1, 1, 0, 0, 1, 1, 0};

// Distinct for every column and material.
double Marker(int column, int entry) {
    return 1000.0 * (column + 1) + entry + 0.375;
}

MaterialTable MarkedTable(int32_t count) {
    MaterialTable table;
    table.Initialise();
    for (int k = 0; k < kParameterCount; ++k)
        for (int i = 0; i <= kMaxMaterials; ++i) table.columns[k].entries[i] = Marker(k, i);
    table.materialCount = count;
    return table;
}

MaterialTable DefaultTable() {
    MaterialTable table;
    table.Initialise();
    table.FillDefaults();
    return table;
}

struct StoredForm {
    const char* key;
    int column;
    double value;
    int32_t selector;
    Bytes8 plain;
    Bytes8 stored;
};

// The stored form of every default, bytes in file order.
// clang-format off
const StoredForm kDefaultForms[] = {
    {"Nd", 0, 1e16, 1, {0x00, 0x80, 0xE0, 0x37, 0x79, 0xC3, 0x41, 0x43}, {0x00, 0x80, 0xE0, 0x37, 0x79, 0xC3, 0xBE, 0x43}},
    {"Na", 1, 1e14, 0, {0x00, 0x00, 0x90, 0x1E, 0xC4, 0xBC, 0xD6, 0x42}, {0x00, 0x00, 0x90, 0x1E, 0xC4, 0xBC, 0xD6, 0xBD}},
    {"munL0", 2, 8000.0, 0, {0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0xBF, 0x40}, {0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0xBF, 0xBF}},
    {"munI0", 3, 8000.0, 1, {0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0xBF, 0x40}, {0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0x40, 0x40}},
    {"TL0", 4, 80.0, 0, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x54, 0x40}, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x54, 0xBF}},
    {"TI0", 5, 20.0, 1, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x34, 0x40}, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xCB, 0x40}},
    {"alpha", 6, -1.5, 1, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0xBF}, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07, 0xBF}},
    {"beta", 7, 1.5, 0, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x3F}, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0xC0}},
    {"b", 8, 2.5, 0, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x40}, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0xBF}},
    {"ni0", 9, 1.49e10, 1, {0x00, 0x00, 0x00, 0xA8, 0xDF, 0xC0, 0x0B, 0x42}, {0x00, 0x00, 0x00, 0xA8, 0xDF, 0xC0, 0xF4, 0x42}},
    {"Eg", 10, 1.12, 1, {0xEC, 0x51, 0xB8, 0x1E, 0x85, 0xEB, 0xF1, 0x3F}, {0xEC, 0x51, 0xB8, 0x1E, 0x85, 0xEB, 0x0E, 0x3F}},
    {"ARand", 11, 0.0, 0, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF}},
};
// clang-format on

// Awkward doubles that must survive a save and a load bit for bit.
const uint64_t kAwkwardBits[] = {
    0x8000000000000000ull,  // -0
    0x0000000000000000ull,  // +0
    0x0000000000000001ull,  // smallest subnormal
    0x800FFFFFFFFFFFFFull,  // largest negative subnormal
    0x0010000000000000ull,  // DBL_MIN
    0x7FF0000000000000ull,  // +inf
    0xFFF0000000000000ull,  // -inf
    0x7FF8000000012345ull,  // quiet NaN with a payload
    0xFFF80000DEADBEEFull,  // negative quiet NaN with a payload
    0x7FEFFFFFFFFFFFFFull,  // DBL_MAX
    0xFFEFFFFFFFFFFFFFull,  // -DBL_MAX
    0x3FF0000000000001ull,  // 1 + 1 ulp
    0x3FFFFFFFFFFFFFFFull,  // just below 2 (bytes 6 and 7 become 00 when inverted)
    0x00FF00FF00FF00FFull, 0xC0FF000000000000ull,
};

TEST(ParameterCodecTest, DefaultsHaveTheirKnownStoredForms) {
    for (const StoredForm& f : kDefaultForms) {
        SCOPED_TRACE(f.key);
        EXPECT_EQ(Hex(f.plain), Hex(Plain(f.value))) << "literal in the test";
        EXPECT_EQ(Bits(f.value), Bits(kParameterInfo[f.column].defaultValue));
        EXPECT_EQ(f.selector, kParameterInfo[f.column].byteSelector);

        Bytes8 out{};
        EncodeParameterValue(f.value, f.selector, out.data());
        EXPECT_EQ(Hex(f.stored), Hex(out));

        EncodeParameterValue(f.value, -1, out.data());
        EXPECT_EQ(Hex(f.plain), Hex(out));

        EXPECT_EQ(Bits(f.value), Bits(DecodeParameterValue(f.stored.data(), f.selector)));
        EXPECT_EQ(Bits(f.value), Bits(DecodeParameterValue(f.plain.data(), -1)));
    }
}

TEST(ParameterCodecTest, SelectorsUpToSevenEachInvertTheirOwnByte) {
    const struct {
        int32_t selector;
        bool valid;
    } cases[] = {
        {INT_MIN, true}, {-100, true}, {-1, true}, {0, true},    {1, true},        {5, true},
        {7, true},       {8, false},   {9, false}, {100, false}, {INT_MAX, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("selector " + std::to_string(c.selector));
        EXPECT_EQ(c.valid, IsValidSelector(c.selector));
    }

    const uint64_t values[] = {0xEFCDAB8967452301ull, 0x4041424344454647ull, 0x8000000000000000ull,
                               0x7FE0000000000000ull};
    const int32_t selectors[] = {INT_MIN, -7, -1, 0, 1, 2, 3, 4, 5, 6, 7};
    for (uint64_t bits : values) {
        for (int32_t s : selectors) {
            SCOPED_TRACE("value " + Hex(Plain(bits)) + ", selector " + std::to_string(s));
            double value;
            SetBits(value, bits);

            Bytes8 out{};
            EncodeParameterValue(value, s, out.data());
            const Bytes8 expected = Stored(bits, s);
            EXPECT_EQ(Hex(expected), Hex(out));

            EXPECT_EQ(bits, Bits(DecodeParameterValue(expected.data(), s)));
            // Decoding the plain form inverts the same byte.
            const Bytes8 plain = Plain(bits);
            EXPECT_EQ(Bits(DecodeParameterValue(plain.data(), s)),
                      bits ^ (s >= 0 ? 0xFFull << (8 * (7 - s)) : 0ull));
        }
    }
}

TEST(ParameterCodecTest, DefaultTableEncodesToAFullSizeFile) {
    const MaterialTable table = DefaultTable();
    const EncodeResult result = EncodeParameterFile(table);

    EXPECT_EQ(ColumnStatus::ok, result.status);
    EXPECT_EQ(size_t{9604}, ParameterFileSize(100));
    EXPECT_EQ(size_t{9604}, kMaxParameterFileSize);
    ASSERT_EQ(size_t{9604}, result.bytes.size());
    EXPECT_EQ("64 00 00 00", Hex(result.bytes.data(), 4));
    const size_t n = 100;
    for (const StoredForm& f : kDefaultForms) {
        SCOPED_TRACE(f.key);
        const size_t k = static_cast<size_t>(f.column) + 1;
        for (size_t m = 1; m <= n; ++m) {
            const size_t offset = 4 + 8 * n * (k - 1) + 8 * (m - 1);
            ASSERT_EQ(Hex(f.stored), Hex(At(result.bytes, offset))) << "material " << m;
        }
    }
}

TEST(ParameterCodecTest, EveryValueSitsAtItsOwnOffset) {
    const int32_t counts[] = {100, 37, 5, 1};
    for (int32_t count : counts) {
        SCOPED_TRACE("count " + std::to_string(count));
        const MaterialTable table = MarkedTable(count);
        const EncodeResult result = EncodeParameterFile(table);

        EXPECT_EQ(ColumnStatus::ok, result.status);
        const size_t n = static_cast<size_t>(count);
        ASSERT_EQ(4 + 96 * n, result.bytes.size());
        ASSERT_EQ(ParameterFileSize(count), result.bytes.size());
        EXPECT_EQ(Hex(Plain(static_cast<uint64_t>(count)).data(), 4), Hex(result.bytes.data(), 4));
        for (size_t k = 1; k <= 12; ++k) {
            SCOPED_TRACE("column " + std::to_string(k));
            for (size_t m = 1; m <= n; ++m) {
                const size_t offset = 4 + 8 * n * (k - 1) + 8 * (m - 1);
                const double v = Marker(static_cast<int>(k - 1), static_cast<int>(m - 1));
                ASSERT_EQ(Hex(Stored(Bits(v), kSelectors[k - 1])), Hex(At(result.bytes, offset)))
                    << "material " << m;
            }
        }
    }
}

TEST(ParameterCodecTest, DecodesAFileBuiltByHand) {
    const int32_t n = 7;
    Bytes file;
    AppendInt32(file, static_cast<uint32_t>(n));
    for (int k = 0; k < kParameterCount; ++k)
        for (int m = 0; m < n; ++m) Append(file, Stored(Bits(Marker(k, m)), kSelectors[k]));
    ASSERT_EQ(size_t{4 + 96 * 7}, file.size());

    MaterialTable table = DefaultTable();
    ASSERT_TRUE(table.SelectMaterial(2));
    const DecodeResult result = DecodeParameterFile(file.data(), file.size(), table);

    EXPECT_EQ(ColumnStatus::ok, result.status);
    EXPECT_EQ(n, table.materialCount);
    for (int k = 0; k < kParameterCount; ++k) {
        SCOPED_TRACE("column " + std::to_string(k));
        EXPECT_EQ(kSelectors[k], table.columns[k].byteSelector);
        for (int m = 0; m < n; ++m)
            EXPECT_EQ(Bits(Marker(k, m)), Bits(table.columns[k].entries[m])) << "entry " << m;
    }
    EXPECT_TRUE(table.IsValidMaterialNumber(7));
    EXPECT_FALSE(table.IsValidMaterialNumber(8));
    ASSERT_TRUE(table.SelectMaterial(7));
    EXPECT_EQ(Marker(10, 6), table.WorkingEntry().eg);
}

TEST(ParameterCodecTest, RoundTripKeepsEveryBitAndLeavesTheTableAlone) {
    MaterialTable table;
    table.Initialise();
    table.FillDefaults();
    const size_t kinds = sizeof kAwkwardBits / sizeof kAwkwardBits[0];
    for (int k = 0; k < kParameterCount; ++k)
        for (int i = 0; i < kMaxMaterials; ++i)
            SetBits(table.columns[k].entries[i], kAwkwardBits[(i + 3 * k) % kinds]);
    ASSERT_TRUE(table.SelectMaterial(8));
    MaterialTable original;
    std::memcpy(&original, &table, sizeof table);

    const EncodeResult encoded = EncodeParameterFile(table);
    ASSERT_EQ(ColumnStatus::ok, encoded.status);
    ASSERT_EQ(size_t{9604}, encoded.bytes.size());
    ExpectSameTable(original, table);

    MaterialTable loaded = DefaultTable();
    const DecodeResult decoded = DecodeParameterFile(encoded.bytes.data(), encoded.bytes.size(), loaded);
    ASSERT_EQ(ColumnStatus::ok, decoded.status);
    EXPECT_EQ(100, loaded.materialCount);
    for (int k = 0; k < kParameterCount; ++k) {
        SCOPED_TRACE("column " + std::to_string(k));
        for (int i = 0; i < kMaxMaterials; ++i) {
            ASSERT_EQ(Hex(Plain(original.columns[k].entries[i])), Hex(Plain(loaded.columns[k].entries[i])))
                << "entry " << i;
        }
    }

    // Saving the loaded table gives the same file again.
    const EncodeResult again = EncodeParameterFile(loaded);
    EXPECT_EQ(ColumnStatus::ok, again.status);
    EXPECT_TRUE(again.bytes == encoded.bytes);
}

TEST(ParameterCodecTest, SmallCountsGiveSmallFilesAndSmallTables) {
    const struct {
        int32_t count;
        size_t size;
    } cases[] = {{5, 484}, {1, 100}, {0, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE("count " + std::to_string(c.count));
        const MaterialTable table = MarkedTable(c.count);
        const EncodeResult encoded = EncodeParameterFile(table);
        ASSERT_EQ(ColumnStatus::ok, encoded.status);
        ASSERT_EQ(c.size, encoded.bytes.size());
        EXPECT_EQ(Hex(Plain(static_cast<uint64_t>(c.count)).data(), 4), Hex(encoded.bytes.data(), 4));

        MaterialTable loaded = DefaultTable();
        const DecodeResult decoded = DecodeParameterFile(encoded.bytes.data(), encoded.bytes.size(), loaded);
        ASSERT_EQ(ColumnStatus::ok, decoded.status);
        EXPECT_EQ(c.count, loaded.materialCount);
        for (int k = 0; k < kParameterCount; ++k)
            for (int m = 0; m < c.count; ++m)
                EXPECT_EQ(Marker(k, m), loaded.columns[k].entries[m]) << "column " << k << ", entry " << m;
        EXPECT_FALSE(loaded.IsValidMaterialNumber(c.count + 1));
        if (c.count > 0) {
            EXPECT_TRUE(loaded.IsValidMaterialNumber(c.count));
        }
        EXPECT_FALSE(loaded.SelectMaterial(c.count + 1));

        // The loaded table is saved with its own count.
        const EncodeResult again = EncodeParameterFile(loaded);
        EXPECT_EQ(c.size, again.bytes.size());
        EXPECT_TRUE(again.bytes == encoded.bytes);
    }
}

TEST(ParameterCodecTest, DamagedFilesLeaveTheTableExactlyAsItWas) {
    const Bytes full = EncodeParameterFile(DefaultTable()).bytes;
    ASSERT_EQ(size_t{9604}, full.size());
    const Bytes five = EncodeParameterFile(MarkedTable(5)).bytes;
    ASSERT_EQ(size_t{484}, five.size());

    auto prefix = [](const Bytes& b, size_t n) { return Bytes(b.begin(), b.begin() + n); };
    auto withCount = [&](uint32_t count, size_t size) {
        Bytes b(full);
        b.resize(size, 0x5A);
        for (int i = 0; i < 4; ++i) b[i] = static_cast<unsigned char>(count >> (8 * i));
        return b;
    };

    const struct {
        const char* name;
        Bytes file;
        int column;
    } cases[] = {
        {"empty", Bytes{}, 0},
        {"one byte", Bytes{0x64}, 0},
        {"two bytes", Bytes{0x64, 0x00}, 0},
        {"three bytes", Bytes{0x64, 0x00, 0x00}, 0},
        {"count only", prefix(full, 4), 0},
        {"count and one byte", prefix(full, 5), 0},
        {"first column only", prefix(full, 4 + 800), 1},
        {"middle of column 6", prefix(full, 4 + 800 * 5 + 8 * 50 + 3), 5},
        {"last value missing", prefix(full, 9596), 11},
        {"one byte short", prefix(full, 9603), 11},
        {"five materials, one byte short", prefix(five, 483), 11},
        {"count 101", withCount(101, 4 + 96 * 101), 0},
        {"count -1", withCount(0xFFFFFFFFu, 9604), 0},
        {"count INT_MIN", withCount(0x80000000u, 9604), 0},
        {"count 0x7FFFFFFF", withCount(0x7FFFFFFFu, 9604), 0},
        {"count 0x01000064", withCount(0x01000064u, 9604), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " (" + std::to_string(c.file.size()) + " bytes)");
        MaterialTable table = MarkedTable(7);
        ASSERT_TRUE(table.SelectMaterial(3));
        MaterialTable before;
        std::memcpy(&before, &table, sizeof table);

        const DecodeResult result = DecodeParameterFile(c.file.data(), c.file.size(), table);

        EXPECT_EQ(ColumnStatus::damaged, result.status);
        EXPECT_EQ(c.column, result.column);
        ExpectSameTable(before, table);
    }
}

TEST(ParameterCodecTest, BytesAfterTheLastColumnAreIgnored) {
    const int32_t counts[] = {100, 5, 0};
    for (int32_t count : counts) {
        SCOPED_TRACE("count " + std::to_string(count));
        const MaterialTable source = MarkedTable(count);
        Bytes file = EncodeParameterFile(source).bytes;
        ASSERT_EQ(ParameterFileSize(count), file.size());
        // Trailing bytes that would look like another material or a larger count.
        for (int i = 0; i < 200; ++i) file.push_back(static_cast<unsigned char>(0x40 + i));

        MaterialTable loaded = DefaultTable();
        const DecodeResult result = DecodeParameterFile(file.data(), file.size(), loaded);
        EXPECT_EQ(ColumnStatus::ok, result.status);
        EXPECT_EQ(count, loaded.materialCount);
        for (int k = 0; k < kParameterCount; ++k)
            for (int m = 0; m < count; ++m)
                ASSERT_EQ(Marker(k, m), loaded.columns[k].entries[m]) << "column " << k << ", entry " << m;
    }
}

TEST(ParameterCodecTest, ReadColumnTakesTheCountFromTheFileOrFromTheCaller) {
    Bytes data;
    AppendInt32(data, 3);
    for (int m = 0; m < 3; ++m) Append(data, Stored(Bits(Marker(0, m)), 1));
    for (int m = 0; m < 3; ++m) Append(data, Stored(Bits(Marker(1, m)), 0));
    data.push_back(0xEE);

    ParameterReader reader(data.data(), data.size());
    int32_t count = 99;
    Column first;
    first.fill(-7.0);
    EXPECT_EQ(ColumnStatus::ok, ReadParameterColumn(reader, &count, first.data(), true, 1));
    EXPECT_EQ(3, count);
    EXPECT_EQ(size_t{1 + 24}, reader.remaining());
    for (int m = 0; m < 3; ++m) EXPECT_EQ(Marker(0, m), first[m]) << "entry " << m;
    for (int i = 3; i <= kMaxMaterials; ++i) ASSERT_EQ(-7.0, first[i]) << "entry " << i;

    Column second;
    second.fill(-7.0);
    EXPECT_EQ(ColumnStatus::ok, ReadParameterColumn(reader, &count, second.data(), false, 0));
    EXPECT_EQ(3, count);
    EXPECT_EQ(size_t{1}, reader.remaining());
    for (int m = 0; m < 3; ++m) EXPECT_EQ(Marker(1, m), second[m]) << "entry " << m;
    for (int i = 3; i <= kMaxMaterials; ++i) ASSERT_EQ(-7.0, second[i]) << "entry " << i;

    // A count of 0 reads nothing more.
    int32_t zero = 0;
    Column empty;
    empty.fill(-7.0);
    EXPECT_EQ(ColumnStatus::ok, ReadParameterColumn(reader, &zero, empty.data(), false, 0));
    EXPECT_EQ(size_t{1}, reader.remaining());
    EXPECT_EQ(-7.0, empty[0]);
}

TEST(ParameterCodecTest, ReadColumnRefusesMissingCountsAndShortColumns) {
    Bytes data;
    for (int m = 0; m < 101; ++m) Append(data, Stored(Bits(Marker(2, m)), 0));

    {
        SCOPED_TRACE("no count to read and none given");
        ParameterReader reader(data.data(), data.size());
        Column column;
        column.fill(-7.0);
        EXPECT_EQ(ColumnStatus::noCount, ReadParameterColumn(reader, nullptr, column.data(), false, 0));
        EXPECT_EQ(data.size(), reader.remaining());
        for (int i = 0; i <= kMaxMaterials; ++i) ASSERT_EQ(-7.0, column[i]) << "entry " << i;
    }

    const struct {
        const char* name;
        int32_t count;
        size_t available;
    } cases[] = {
        {"count 101 with enough bytes", 101, 808}, {"count -1", -1, 808},
        {"count INT_MIN", INT_MIN, 808},           {"count INT_MAX", INT_MAX, 808},
        {"five values, 39 bytes", 5, 39},          {"one value, no bytes", 1, 0},
        {"100 values, 99 there", 100, 792},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ParameterReader reader(data.data(), c.available);
        int32_t count = c.count;
        Column column;
        column.fill(-7.0);
        EXPECT_EQ(ColumnStatus::damaged, ReadParameterColumn(reader, &count, column.data(), false, 0));
        for (int i = 0; i <= kMaxMaterials; ++i) ASSERT_EQ(-7.0, column[i]) << "entry " << i;
    }

    // With the count read first, neither the count nor the values are stored
    // when the column is unusable.
    const struct {
        const char* name;
        uint32_t fileCount;
        size_t valueBytes;
    } counted[] = {
        {"count 101 in the file", 101, 808},
        {"count -1 in the file", 0xFFFFFFFFu, 808},
        {"count 5 in the file, four values there", 5, 32},
        {"count 100 in the file, nothing after it", 100, 0},
    };
    for (const auto& c : counted) {
        SCOPED_TRACE(c.name);
        Bytes file;
        AppendInt32(file, c.fileCount);
        file.insert(file.end(), data.begin(), data.begin() + c.valueBytes);
        ParameterReader reader(file.data(), file.size());
        int32_t count = 4;
        Column column;
        column.fill(-7.0);
        EXPECT_EQ(ColumnStatus::damaged, ReadParameterColumn(reader, &count, column.data(), true, 0));
        EXPECT_EQ(4, count);
        for (int i = 0; i <= kMaxMaterials; ++i) ASSERT_EQ(-7.0, column[i]) << "entry " << i;
    }
}

TEST(ParameterCodecTest, BadSelectorKeepsRawValuesOnReadAndWritesNothing) {
    const int32_t badSelectors[] = {8, 9, 64, INT_MAX};
    for (int32_t s : badSelectors) {
        SCOPED_TRACE("selector " + std::to_string(s));

        // Reading: the values stay exactly as they were in the file.
        Bytes data;
        AppendInt32(data, 2);
        const uint64_t raw[2] = {0x3FF0000000000000ull ^ 0x00FF000000000000ull,
                                 0x4000000000000000ull ^ 0xFF00000000000000ull};
        Append(data, Plain(raw[0]));
        Append(data, Plain(raw[1]));
        ParameterReader reader(data.data(), data.size());
        int32_t count = 0;
        Column column;
        column.fill(-7.0);
        EXPECT_EQ(ColumnStatus::badSelector, ReadParameterColumn(reader, &count, column.data(), true, s));
        EXPECT_EQ(2, count);
        EXPECT_EQ(raw[0], Bits(column[0]));
        EXPECT_EQ(raw[1], Bits(column[1]));
        EXPECT_EQ(-7.0, column[2]);
        EXPECT_EQ(size_t{0}, reader.remaining());

        // Writing: nothing is added for the column.
        Bytes out{0xAA, 0xBB};
        const int32_t three = 3;
        Column values;
        values.fill(1.5);
        EXPECT_EQ(ColumnStatus::badSelector, WriteParameterColumn(out, &three, values.data(), false, s));
        EXPECT_EQ("AA BB", Hex(out.data(), out.size()));
        for (int i = 0; i <= kMaxMaterials; ++i) ASSERT_EQ(1.5, values[i]) << "entry " << i;
    }
}

TEST(ParameterCodecTest, WriteColumnAppendsCountAndEncodedValues) {
    Column column;
    column.fill(-7.0);
    SetBits(column[0], 0x8000000000000000ull);
    column[1] = 1e16;
    SetBits(column[2], 0x7FF8000000012345ull);
    Column original;
    std::memcpy(&original, &column, sizeof column);

    const struct {
        const char* name;
        bool countFirst;
        int32_t selector;
    } cases[] = {
        {"count first, selector 1", true, 1},
        {"count first, selector 0", true, 0},
        {"no count, selector 7", false, 7},
        {"no count, negative selector", false, -1},
        {"count first, negative selector", true, INT_MIN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes out{0xAA, 0xBB};
        const int32_t count = 3;
        EXPECT_EQ(ColumnStatus::ok,
                  WriteParameterColumn(out, &count, column.data(), c.countFirst, c.selector));

        Bytes expected{0xAA, 0xBB};
        if (c.countFirst) AppendInt32(expected, 3);
        for (int m = 0; m < 3; ++m) Append(expected, Stored(Bits(original[m]), c.selector));
        EXPECT_EQ(Hex(expected.data(), expected.size()), Hex(out.data(), out.size()));
        EXPECT_EQ(0, std::memcmp(&original, &column, sizeof column)) << "column changed";
    }

    {
        SCOPED_TRACE("count 0");
        Bytes out;
        const int32_t zero = 0;
        EXPECT_EQ(ColumnStatus::ok, WriteParameterColumn(out, &zero, column.data(), true, 1));
        EXPECT_EQ("00 00 00 00", Hex(out.data(), out.size()));
    }
}

TEST(ParameterCodecTest, TableColumnSelectorsDecideTheStoredForm) {
    // A column with a negative selector is stored plain; one above 7 is left
    // out of the file and the following columns close up.
    MaterialTable table = MarkedTable(4);
    table.columns[2].byteSelector = -1;
    table.columns[3].byteSelector = 8;
    const EncodeResult result = EncodeParameterFile(table);

    EXPECT_EQ(ColumnStatus::badSelector, result.status);
    const size_t n = 4;
    ASSERT_EQ(4 + 88 * n, result.bytes.size());
    EXPECT_EQ("04 00 00 00", Hex(result.bytes.data(), 4));
    for (int k = 0; k < kParameterCount; ++k) {
        if (k == 3) continue;
        SCOPED_TRACE("column " + std::to_string(k));
        const size_t slot = static_cast<size_t>(k < 3 ? k : k - 1);
        const int32_t s = k == 2 ? -1 : kSelectors[k];
        for (size_t m = 0; m < n; ++m) {
            EXPECT_EQ(Hex(Stored(Bits(Marker(k, static_cast<int>(m))), s)),
                      Hex(At(result.bytes, 4 + 8 * n * slot + 8 * m)))
                << "material " << m + 1;
        }
    }
}

TEST(ParameterCodecTest, ReaderNeverGoesPastTheEnd) {
    const unsigned char data[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    ParameterReader reader(data, sizeof data);
    EXPECT_EQ(size_t{10}, reader.remaining());

    EXPECT_EQ(data, reader.Take(4));
    EXPECT_EQ(size_t{6}, reader.remaining());

    // Requests that do not fit, including ones that would wrap around.
    const size_t tooMuch[] = {7, 100, SIZE_MAX, SIZE_MAX - 3, SIZE_MAX - 2, SIZE_MAX / 2 + 1};
    for (size_t n : tooMuch) {
        SCOPED_TRACE("take " + std::to_string(n));
        EXPECT_EQ(nullptr, reader.Take(n));
        EXPECT_EQ(size_t{6}, reader.remaining());
    }

    EXPECT_EQ(data + 4, reader.Take(6));
    EXPECT_EQ(size_t{0}, reader.remaining());
    EXPECT_EQ(nullptr, reader.Take(1));
    EXPECT_EQ(size_t{0}, reader.remaining());

    ParameterReader empty(data, 0);
    EXPECT_EQ(nullptr, empty.Take(1));
    EXPECT_EQ(nullptr, empty.Take(4));
    EXPECT_EQ(size_t{0}, empty.remaining());
}

}  // namespace
