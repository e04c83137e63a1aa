#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/material_table.h"

// The parameters file, as bytes. Little-endian throughout:
//
//   offset 0       int32   N, the number of materials (0..100)
//   offset 4       N encoded doubles of column 1 (Nd), materials 1..N
//   offset 4 + 8N  N encoded doubles of column 2 (Na)
//   ...            and so on to column 12 (ARand); 4 + 96N bytes in all.
//
// A stored value is the IEEE binary64 double with byte 7 - S inverted, S being
// the column's byte selector: 1 inverts byte 6, 0 inverts byte 7 (the sign and
// the high exponent bits). A negative selector stores the value as it is;
// a selector above 7 is an internal error.

inline constexpr size_t kCountSize = 4;
inline constexpr size_t kValueSize = 8;

constexpr size_t ParameterFileSize(int32_t count) {
    return kCountSize + kValueSize * kParameterCount * static_cast<size_t>(count);
}
inline constexpr size_t kMaxParameterFileSize = ParameterFileSize(kMaxMaterials);

enum class ColumnStatus {
    ok,
    noCount,      // neither a count to read nor one to use
    badSelector,  // a selector above 7
    damaged,      // a count outside 0..100, or fewer bytes than it requires
};

bool IsValidSelector(int32_t selector);  // -infinity..7
void EncodeParameterValue(double value, int32_t selector, unsigned char out[kValueSize]);
double DecodeParameterValue(const unsigned char in[kValueSize], int32_t selector);

// Reads from a block of bytes without ever going past its end.
class ParameterReader {
public:
    ParameterReader(const unsigned char* data, size_t size) : data_(data), size_(size) {}
    size_t remaining() const { return size_ - offset_; }
    const unsigned char* Take(size_t n);  // null when fewer than n bytes remain

private:
    const unsigned char* data_;
    size_t size_;
    size_t offset_ = 0;
};

// One column of the file. With countFirst the count is read first and stored
// through `count`; otherwise the count is taken from `count`, which must then be
// given. Entries 0..count-1 of `column` receive the values; nothing is stored
// unless the whole column is there and the count lies in 0..100. With a bad
// selector the values stay as read (the status says so).
ColumnStatus ReadParameterColumn(ParameterReader& reader, int32_t* count, double* column, bool countFirst,
                                 int32_t selector);

// Appends one column: the count first when countFirst, then entries
// 0..count-1 encoded with the selector (the column is not changed). With a bad
// selector the column's values are left out (the count is still written).
ColumnStatus WriteParameterColumn(std::vector<unsigned char>& out, const int32_t* count, const double* column,
                                  bool countFirst, int32_t selector);

// The whole table. A damaged file changes nothing in the table; otherwise the
// table takes the file's count and columns (a column with a bad selector as
// read, the status telling which). Bytes after the last column are ignored.
struct DecodeResult {
    ColumnStatus status = ColumnStatus::ok;
    int column = 0;  // the column (0..11) the status is about
};
DecodeResult DecodeParameterFile(const unsigned char* data, size_t size, MaterialTable& table);

struct EncodeResult {
    std::vector<unsigned char> bytes;
    ColumnStatus status = ColumnStatus::ok;  // badSelector: a column was left out
};
EncodeResult EncodeParameterFile(const MaterialTable& table);
