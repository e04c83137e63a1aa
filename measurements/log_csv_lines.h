#pragma once

#include <cstddef>
#include <string_view>

#include "measurements/log_codec.h"

// The log's file read as lines of fields, and a line's fields read as a row:
// the reader's first steps, before it decides what to keep (log_csv_repair.h).
// For the reader alone (log_codec.cpp and its helpers).

namespace log_csv {

// A field as the file holds it: the bytes between its quotes, if it has
// them, with its doubled quotes still doubled. Its text is read only once the
// line is known to be a row and the text short enough.
struct Field {
    std::string_view bytes;
    size_t doubledQuotes = 0;  // quote pairs, each standing for one quote
    bool quoted = false;
    bool open = false;  // quoted, and the file ended before its closing quote
};

// One line of the file, as far as it was read: no more fields than a row has.
struct Line {
    Field fields[kLogColumnCount];
    size_t count = 0;
    bool blank = false;  // nothing before its line end
    bool ended = false;  // it has a line end (it is not the file's last bytes)
};

// Splits the file into lines of fields, one line at a time. Nothing is copied:
// a field is a view of the file's bytes.
class CsvReader {
public:
    CsvReader(const unsigned char* p, const unsigned char* end) : p_(p), end_(end), nextContent_(p) {}

    bool AtEnd() const { return p_ == end_; }
    const unsigned char* position() const { return p_; }

    // Whether nothing but line ends is left. The first byte that is none is
    // remembered, so that a run of blank lines is looked through once.
    bool OnlyLineEndsLeft();

    // The number of line ends left (a line end inside quotes counted too): at
    // least the number of lines left less one.
    size_t CountLineEnds() const;

    // Goes on at the line after the one that starts at `lineStart`: its first
    // line end, whatever quotes before it opened, ends it.
    void SkipLineFrom(const unsigned char* lineStart);

    // Reads the next line's fields. wrongFieldCount as soon as it has a field
    // more than a row; unterminatedQuote with the open field as the last one.
    CsvStatus ReadLine(Line& line);

private:
    // CR LF, LF or CR alone.
    void SkipLineEnd(Line& line);

    const unsigned char* p_;
    const unsigned char* end_;
    const unsigned char* nextContent_;  // see OnlyLineEndsLeft
};

// The length of a field's text is beyond MeasurementLog::kMaxFieldLength.
bool IsTooLong(const Field& field);

// Whether the line is the header, exactly.
bool IsHeader(const Line& line);

// One field of a row into the row; `previous` is the number of the row before.
CsvStatus ReadField(const Field& field, int column, int previous, MeasurementRow& row);

// One line of the file as a row.
CsvStatus ReadRow(const Line& line, int previous, MeasurementRow& row);

}  // namespace log_csv
