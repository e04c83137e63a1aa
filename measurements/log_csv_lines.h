#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "measurements/log_codec.h"

// The log's file read as lines of fields, and a line's fields read as a row:
// the reader's first steps, before it decides what to keep (log_csv_repair.h).

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
    bool OnlyLineEndsLeft() {
        if (p_ < nextContent_) return false;
        nextContent_ = std::find_if(p_, end_, [](unsigned char b) { return b != '\r' && b != '\n'; });
        return nextContent_ == end_;
    }

    // The number of line ends left (a line end inside quotes counted too): at
    // least the number of lines left less one.
    size_t CountLineEnds() const {
        if (p_ == end_) return 0;
        // Each LF, and each CR not followed by one; without branches, so that
        // the compiler may take many bytes at a time.
        size_t count = end_[-1] == '\r';
        for (const unsigned char* b = p_; b + 1 < end_; ++b)
            count += (b[0] == '\n') | ((b[0] == '\r') & (b[1] != '\n'));
        return count + (end_[-1] == '\n');
    }

    // Goes on at the line after the one that starts at `lineStart`: its first
    // line end, whatever quotes before it opened, ends it.
    void SkipLineFrom(const unsigned char* lineStart) {
        p_ = lineStart;
        while (p_ < end_ && *p_ != '\r' && *p_ != '\n') ++p_;
        if (p_ < end_) {
            Line line;
            SkipLineEnd(line);
        }
    }

    // Reads the next line's fields. wrongFieldCount as soon as it has a field
    // more than a row; unterminatedQuote with the open field as the last one.
    CsvStatus ReadLine(Line& line) {
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

private:
    static std::string_view View(const unsigned char* begin, const unsigned char* end) {
        return std::string_view(reinterpret_cast<const char*>(begin), static_cast<size_t>(end - begin));
    }

    // CR LF, LF or CR alone.
    void SkipLineEnd(Line& line) {
        if (*p_++ == '\r' && p_ < end_ && *p_ == '\n') ++p_;
        line.ended = true;
    }

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
