#include "measurements/log_csv_lines.h"

#include <string>
#include <vector>

#include "measurements/log_utf8.h"
#include "model/material_table.h"

namespace log_csv {

using Bytes = std::vector<unsigned char>;

// The length in UTF-16 units of a field's text (its bytes are valid UTF-8):
// one for each character, two for one beyond U+FFFF, one for a doubled quote.
namespace {

size_t Utf16Length(const Field& field) {
    size_t length = 0;
    for (char c : field.bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        if ((b & 0xC0) != 0x80) ++length;  // not a continuation byte
        if (b >= 0xF0) ++length;
    }
    return length - field.doubledQuotes;
}

}  // namespace

bool IsTooLong(const Field& field) {
    // No more UTF-16 units than bytes: most texts need no counting.
    return field.bytes.size() - field.doubledQuotes > MeasurementLog::kMaxFieldLength &&
           Utf16Length(field) > MeasurementLog::kMaxFieldLength;
}

namespace {

// A field's text, each doubled quote read as one.
std::wstring FieldText(const Field& field) {
    if (field.doubledQuotes == 0) return WideFromUtf8(field.bytes);
    std::string bytes;
    bytes.reserve(field.bytes.size() - field.doubledQuotes);
    for (size_t i = 0; i < field.bytes.size(); ++i) {
        bytes += field.bytes[i];
        if (field.bytes[i] == '"') ++i;
    }
    return WideFromUtf8(bytes);
}

// A decimal number without sign or leading zero, of at most `maxDigits`
// digits; -1 otherwise.
int CanonicalNumber(const Field& field, size_t maxDigits) {
    const std::string_view text = field.bytes;
    if (field.doubledQuotes > 0 || text.empty() || text.size() > maxDigits ||
        (text[0] == '0' && text.size() > 1))
        return -1;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

bool IsHeader(const Line& line) {
    if (line.blank || line.count != static_cast<size_t>(kLogColumnCount)) return false;
    for (int column = 0; column < kLogColumnCount; ++column) {
        Bytes title;
        AppendUtf8(title, kLogColumnTitles[column]);
        const Field& field = line.fields[column];
        if (field.doubledQuotes > 0 ||
            field.bytes != std::string_view(reinterpret_cast<const char*>(title.data()), title.size())) {
            return false;
        }
    }
    return true;
}

CsvStatus ReadField(const Field& field, int column, int previous, MeasurementRow& row) {
    switch (column) {
    case kLogNumber:
        row.number = CanonicalNumber(field, 9);
        return row.number <= previous || row.number > MeasurementLog::kMaxNumber ? CsvStatus::badNumber
                                                                                 : CsvStatus::ok;
    case kLogTime:
        // A record time is 19 ASCII characters: nothing longer is widened.
        if (field.bytes.size() != 19 || field.doubledQuotes > 0) return CsvStatus::badTime;
        row.time = WideFromUtf8(field.bytes);
        return IsRecordTime(row.time) ? CsvStatus::ok : CsvStatus::badTime;
    case kLogMaterial:
        row.material = CanonicalNumber(field, 3);
        return row.material < 0 || row.material > kMaxMaterials ? CsvStatus::badMaterial : CsvStatus::ok;
    default:
        if (IsTooLong(field)) return CsvStatus::textTooLong;
        *ShownText(row, column) = FieldText(field);
        return CsvStatus::ok;
    }
}

CsvStatus ReadRow(const Line& line, int previous, MeasurementRow& row) {
    if (line.blank || line.count != static_cast<size_t>(kLogColumnCount)) return CsvStatus::wrongFieldCount;
    for (int column = 0; column < kLogColumnCount; ++column) {
        const CsvStatus status = ReadField(line.fields[column], column, previous, row);
        if (status != CsvStatus::ok) return status;
    }
    return CsvStatus::ok;
}

}  // namespace log_csv
