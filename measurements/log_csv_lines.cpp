// The log's file split into lines of fields, and a line's fields read as a row.
#include "measurements/log_csv_lines.h"

#include <algorithm>
#include <string>

#include "measurements/log_utf8.h"
#include "model/material_table.h"

namespace log_csv {
namespace {

std::string_view View(const unsigned char* begin, const unsigned char* end) {
    return std::string_view(reinterpret_cast<const char*>(begin), static_cast<size_t>(end - begin));
}

// The length in UTF-16 units of a field's text (its bytes are valid UTF-8):
// one for each character, two for one beyond U+FFFF, one for a doubled quote.
size_t Utf16Length(const Field& field) {
    size_t length = 0;
    for (char c : field.bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        if ((b & 0xC0) != 0x80) ++length;  // not a continuation byte
        if (b >= 0xF0) ++length;
    }
    return length - field.doubledQuotes;
}

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

bool CsvReader::OnlyLineEndsLeft() {
    if (p_ < nextContent_) return false;
    nextContent_ = std::find_if(p_, end_, [](unsigned char b) { return b != '\r' && b != '\n'; });
    return nextContent_ == end_;
}

size_t CsvReader::CountLineEnds() const {
    if (p_ == end_) return 0;
    // Each LF, and each CR not followed by one; without branches, so that
    // the compiler may take many bytes at a time.
    size_t count = end_[-1] == '\r';
    for (const unsigned char* b = p_; b + 1 < end_; ++b)
        count += (b[0] == '\n') | ((b[0] == '\r') & (b[1] != '\n'));
    return count + (end_[-1] == '\n');
}

void CsvReader::SkipLineFrom(const unsigned char* lineStart) {
    p_ = lineStart;
    while (p_ < end_ && *p_ != '\r' && *p_ != '\n') ++p_;
    if (p_ < end_) {
        Line line;
        SkipLineEnd(line);
    }
}

CsvStatus CsvReader::ReadLine(Line& line) {
    line.count = 0;
    line.blank = false;
    line.ended = false;
    if (p_ < end_ && (*p_ == '\r' || *p_ == '\n')) {
        line.blank = true;
        SkipLineEnd(line);
        return CsvStatus::ok;
    }
    for (;;) {
        if (line.count == static_cast<size_t>(kLogColumnCount)) return CsvStatus::wrongFieldCount;
        Field& field = line.fields[line.count++];
        field = Field();
        if (p_ < end_ && *p_ == '"') {
            field.quoted = true;
            const unsigned char* begin = ++p_;
            for (;;) {
                const unsigned char* quote = std::find(p_, end_, '"');
                if (quote == end_) {
                    field.bytes = View(begin, end_);
                    field.open = true;
                    p_ = end_;
                    return CsvStatus::unterminatedQuote;
                }
                if (quote + 1 < end_ && quote[1] == '"') {
                    ++field.doubledQuotes;
                    p_ = quote + 2;
                    continue;
                }
                field.bytes = View(begin, quote);
                p_ = quote + 1;
                break;
            }
        } else {
            const unsigned char* stop = p_;
            while (stop < end_ && *stop != ',' && *stop != '\r' && *stop != '\n') {
                if (*stop == '"') return CsvStatus::misplacedQuote;
                ++stop;
            }
            field.bytes = View(p_, stop);
            p_ = stop;
        }
        // What follows a field: a comma, a line end or the end of the file.
        if (p_ == end_) return CsvStatus::ok;
        if (*p_ == ',') {
            ++p_;
            continue;
        }
        if (*p_ == '\r' || *p_ == '\n') {
            SkipLineEnd(line);
            return CsvStatus::ok;
        }
        return CsvStatus::misplacedQuote;  // text after a closing quote
    }
}

void CsvReader::SkipLineEnd(Line& line) {
    if (*p_++ == '\r' && p_ < end_ && *p_ == '\n') ++p_;
    line.ended = true;
}

bool IsTooLong(const Field& field) {
    // No more UTF-16 units than bytes: most texts need no counting.
    return field.bytes.size() - field.doubledQuotes > MeasurementLog::kMaxFieldLength &&
           Utf16Length(field) > MeasurementLog::kMaxFieldLength;
}

bool IsHeader(const Line& line) {
    if (line.blank || line.count != static_cast<size_t>(kLogColumnCount)) return false;
    // The line is valid UTF-8, which reads back as the titles exactly when its
    // bytes are theirs.
    for (int column = 0; column < kLogColumnCount; ++column) {
        const Field& field = line.fields[column];
        if (field.doubledQuotes > 0 || WideFromUtf8(field.bytes) != kLogColumnTitles[column]) return false;
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
