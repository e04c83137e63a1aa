#include "storage/parameter_codec.h"

#include <cstring>

namespace {

void StoreLittleEndian(uint64_t bits, unsigned char* out) {
    for (size_t i = 0; i < kValueSize; ++i) out[i] = static_cast<unsigned char>(bits >> (8 * i));
}

uint64_t LoadLittleEndian(const unsigned char* in) {
    uint64_t bits = 0;
    for (size_t i = 0; i < kValueSize; ++i) bits |= static_cast<uint64_t>(in[i]) << (8 * i);
    return bits;
}

void AppendCount(std::vector<unsigned char>& out, int32_t count) {
    uint32_t bits = static_cast<uint32_t>(count);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(bits >> (8 * i)));
}

int32_t LoadCount(const unsigned char* in) {
    uint32_t bits = uint32_t{in[0]} | uint32_t{in[1]} << 8 | uint32_t{in[2]} << 16 | uint32_t{in[3]} << 24;
    return bits <= 0x7FFFFFFFu ? static_cast<int32_t>(bits) : -static_cast<int32_t>(~bits) - 1;
}

// The byte of a stored value that the selector inverts: byte 7 - S.
uint64_t InversionMask(int32_t selector) {
    return selector < 0 ? 0 : uint64_t{0xFF} << (8 * (7 - selector));
}

}  // namespace

bool IsValidSelector(int32_t selector) {
    return selector <= 7;
}

namespace {

// Values move as bit patterns: on 32-bit x86 a double returned from a function
// passes through the x87 stack, which would quieten a signalling NaN read from a
// file and so change a value that the program only stores and gives back.
uint64_t BitsOf(const double* value) {
    uint64_t bits;
    std::memcpy(&bits, value, sizeof bits);
    return bits;
}

void EncodeBits(uint64_t bits, int32_t selector, unsigned char* out) {
    if (IsValidSelector(selector)) bits ^= InversionMask(selector);
    StoreLittleEndian(bits, out);
}

uint64_t DecodeBits(const unsigned char* in, int32_t selector) {
    uint64_t bits = LoadLittleEndian(in);
    if (IsValidSelector(selector)) bits ^= InversionMask(selector);
    return bits;
}

}  // namespace

void EncodeParameterValue(double value, int32_t selector, unsigned char out[kValueSize]) {
    EncodeBits(BitsOf(&value), selector, out);
}

double DecodeParameterValue(const unsigned char in[kValueSize], int32_t selector) {
    uint64_t bits = DecodeBits(in, selector);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

const unsigned char* ParameterReader::Take(size_t n) {
    if (n > remaining()) return nullptr;
    const unsigned char* p = data_ + offset_;
    offset_ += n;
    return p;
}

ColumnStatus ReadParameterColumn(ParameterReader& reader, int32_t* count, double* column, bool countFirst,
                                 int32_t selector) {
    int32_t n;
    if (countFirst) {
        const unsigned char* bytes = reader.Take(kCountSize);
        if (!bytes) return ColumnStatus::damaged;
        n = LoadCount(bytes);
    } else {
        if (!count) return ColumnStatus::noCount;
        n = *count;
    }
    // The table holds at most kMaxMaterials values a column, and a column that
    // the file does not hold in full is not taken at all.
    if (n < 0 || n > kMaxMaterials) return ColumnStatus::damaged;
    const unsigned char* values = reader.Take(kValueSize * static_cast<size_t>(n));
    if (!values) return ColumnStatus::damaged;

    if (countFirst && count) *count = n;
    // An internal error leaves the values as read.
    int32_t decodeSelector = IsValidSelector(selector) ? selector : -1;
    for (int32_t i = 0; i < n; ++i) {
        uint64_t bits = DecodeBits(values + kValueSize * i, decodeSelector);
        std::memcpy(&column[i], &bits, sizeof bits);
    }
    return IsValidSelector(selector) ? ColumnStatus::ok : ColumnStatus::badSelector;
}

ColumnStatus WriteParameterColumn(std::vector<unsigned char>& out, const int32_t* count, const double* column,
                                  bool countFirst, int32_t selector) {
    if (!count) return ColumnStatus::noCount;
    const int32_t n = *count;
    if (n < 0 || n > kMaxMaterials) return ColumnStatus::damaged;
    if (countFirst) AppendCount(out, n);
    if (!IsValidSelector(selector)) return ColumnStatus::badSelector;
    size_t start = out.size();
    out.resize(start + kValueSize * static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        EncodeBits(BitsOf(&column[i]), selector, out.data() + start + kValueSize * i);
    }
    return ColumnStatus::ok;
}

DecodeResult DecodeParameterFile(const unsigned char* data, size_t size, MaterialTable& table) {
    // Decoded into a copy first: a damaged file changes nothing.
    MaterialTable decoded = table;
    ParameterReader reader(data, size);
    DecodeResult result;
    for (int k = 0; k < kParameterCount; ++k) {
        ParameterColumn& column = decoded.columns[k];
        ColumnStatus status = ReadParameterColumn(reader, &decoded.materialCount, column.entries.data(),
                                                  k == 0, column.byteSelector);
        if (status != ColumnStatus::ok) {
            result.status = status;
            result.column = k;
            if (status == ColumnStatus::damaged) return result;
        }
    }
    table = decoded;
    return result;
}

EncodeResult EncodeParameterFile(const MaterialTable& table) {
    EncodeResult result;
    if (table.materialCount >= 0 && table.materialCount <= kMaxMaterials) {
        result.bytes.reserve(ParameterFileSize(table.materialCount));
    }
    for (int k = 0; k < kParameterCount; ++k) {
        const ParameterColumn& column = table.columns[k];
        ColumnStatus status = WriteParameterColumn(result.bytes, &table.materialCount, column.entries.data(),
                                                   k == 0, column.byteSelector);
        if (status != ColumnStatus::ok) result.status = status;
    }
    return result;
}
