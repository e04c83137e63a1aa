#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "measurements/measurement_log.h"

// The log as a CSV file (RFC 4180) that spreadsheets open as it is:
//
//   - UTF-8, starting with a byte-order mark (EF BB BF) so that spreadsheets
//     take µ, δ and σ for what they are;
//   - one header line, the column titles exactly (kLogColumnTitles);
//   - one line for each row, oldest first: No., Time, Material and the eleven
//     shown texts, separated by commas;
//   - every line, the last one too, ending in CR LF;
//   - a field quoted ("...") when it holds a comma, a quote, a CR or an LF,
//     its quotes doubled; no other field quoted.
//
// The texts are stored as the panel showed them, so numbers keep their "."
// whatever the system's locale says.

// The file's bytes for the whole log. A UTF-16 surrogate without its other
// half, which only a malformed text holds, is written as U+FFFD.
std::vector<unsigned char> EncodeLogCsv(const MeasurementLog& log);

// Why a file is not a log. Invalid UTF-8 anywhere is found first; then the
// lines are read in order and the first problem is reported.
enum class CsvStatus {
    ok,
    invalidUtf8,          // bytes that are not UTF-8 (overlong forms and surrogates included)
    unterminatedQuote,    // a quoted field that never ends
    misplacedQuote,       // a quote inside an unquoted field, or anything but a comma or a
                          // line end after a quoted field
    strayCarriageReturn,  // a CR outside quotes that does not end a line with its LF
    wrongHeader,          // the first line is not the header exactly
    wrongFieldCount,      // a line with other than 14 fields (an empty line included)
    badNumber,            // No. is not a decimal number (no sign, no leading zero) rising
                          // strictly from line to line within 1..MeasurementLog::kMaxNumber
    badTime,              // Time is not "YYYY-MM-DD hh:mm:ss" (IsRecordTime)
    badMaterial,          // Material is not a decimal number 0..100 (no sign, no leading zero)
    tooManyRows,          // more than MeasurementLog::kMaxRows rows
};

struct CsvDecodeResult {
    CsvStatus status = CsvStatus::ok;
    // The line the status is about, counted from 1 (the header is line 1), as
    // a spreadsheet numbers its rows; 0 for invalid UTF-8 and when all is well.
    size_t line = 0;
};

// Reads a whole file into the log. Only a file that is wholly understood is
// taken: on any failure the log is left as it was. Lenient only where nothing
// can be misread: the byte-order mark may be missing, a line may end in LF
// alone, the last line may lack its line end, any field may be quoted, and a
// file of no bytes (or the mark alone) is an empty log. Every file that
// EncodeLogCsv makes decodes to the same rows, and encodes again to the same
// bytes.
CsvDecodeResult DecodeLogCsv(const unsigned char* data, size_t size, MeasurementLog& log);

// The rows at these indices (any order, repeated and out-of-range indices
// ignored), in the log's order, under the header line, as tab-separated text
// for the clipboard: the same columns and texts as the file, each line ending
// in CR LF, no byte-order mark. Tab, CR, LF and NUL inside a text would break
// the table (or end the clipboard's text) and become spaces; a text that
// starts with a quote is quoted as in the file, since spreadsheets read such a
// field as quoted when it is pasted.
std::wstring LogTabSeparatedText(const MeasurementLog& log, const std::vector<size_t>& indices);
