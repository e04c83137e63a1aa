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

// The file's bytes for the whole log: EncodeLogHeader() followed by
// EncodeLogLines(log, 0), log.fileSize() bytes. A UTF-16 surrogate without its
// other half, which only a malformed text holds, is written as U+FFFD.
std::vector<unsigned char> EncodeLogCsv(const MeasurementLog& log);

// The file's start: the byte-order mark and the header line.
std::vector<unsigned char> EncodeLogHeader();
// The lines of the rows from index `first` on, in the file's form: what a
// file that holds the rows before them needs appended to hold the whole log.
std::vector<unsigned char> EncodeLogLines(const MeasurementLog& log, size_t first);

// The sizes in bytes of the file's start (the mark and the header line), and
// of the line a row makes (its line end included), under its own number or
// under another. MeasurementLog keeps its file's size with these.
size_t LogHeaderSize();
size_t LogLineSize(const MeasurementRow& row);
size_t LogLineSize(const MeasurementRow& row, int number);

// Why a file is not a log, or why a line of it holds no row. A file larger
// than MeasurementLog::kMaxFileSize is refused before anything else, and so is
// one whose first line is not the header (invalid UTF-8 in it included); every
// other status is about one line, which is left out while the rest is read.
enum class CsvStatus {
    ok,
    invalidUtf8,        // bytes that are not UTF-8 (overlong forms and surrogates included)
    unterminatedQuote,  // a quoted field that never ends (and is not a torn tail, see below)
    misplacedQuote,     // a quote inside an unquoted field, or anything but a comma or a
                        // line end after a quoted field
    wrongHeader,        // the first line is not the header exactly
    wrongFieldCount,    // a line with other than 14 fields (a blank line that is not at
                        // the end of the file included)
    badNumber,          // No. is not a decimal number (no sign, no leading zero) within
                        // 1..MeasurementLog::kMaxNumber, or does not rise (see below)
    badTime,            // Time is not "YYYY-MM-DD hh:mm:ss" (IsRecordTime)
    badMaterial,        // Material is not a decimal number 0..100 (no sign, no leading zero)
    textTooLong,        // a shown text longer than MeasurementLog::kMaxFieldLength UTF-16 units
    tooManyRows,        // a row beyond MeasurementLog::kMaxRows rows
    fileTooLarge,       // more than MeasurementLog::kMaxFileSize bytes, or a row that would
                        // take the rows' file (EncodeLogCsv) beyond that
};

struct CsvDecodeResult {
    // ok when the file is a log (its rows taken, perhaps with lines left
    // out); otherwise why it is not.
    CsvStatus status = CsvStatus::ok;
    // The line the status is about, counted from 1 (the header is line 1), as
    // a spreadsheet numbers its rows; 0 for a file too large to be read, for
    // invalid UTF-8 in the header and when all is well. For a torn tail, its
    // line.
    size_t line = 0;
    // The file ended in a torn tail: the start of a row's line that a write
    // cut short, which is not taken. The rows before it are the log.
    bool tornTail = false;
    // Whether the lines of new rows (EncodeLogLines) may be appended to the
    // file as it is: it holds the header and ends with the line end of its
    // last row or of the header, and no line was left out. Not so for a file
    // ending in a torn tail, in blank lines, or in a line without its line
    // end, nor for one with lines left out: such a file should be written
    // again whole (EncodeLogCsv) before rows are appended to it.
    bool appendable = false;

    // The lines of a log that hold no row that can be read (a field missing,
    // a time that is none, a number that does not rise, a character that is
    // not UTF-8...), left out while every other row was taken: how many, the
    // first few of them in the file's order, and why the first was left out.
    static constexpr size_t kListedLines = 5;
    size_t leftOut = 0;
    size_t leftOutLines[kListedLines] = {};
    CsvStatus leftOutStatus = CsvStatus::ok;
    // How many of leftOutLines hold a line.
    size_t listedLines() const { return leftOut < kListedLines ? leftOut : kListedLines; }
};

// Reads a whole file into the log, in place of its rows. A file that is not a
// log at all (too large, or without the header as its first line) is not
// taken: the log is left as it was. In a log, every line that can be read as
// a row is taken, and one that cannot is left out (leftOut); a damaged line
// hides no other. Lenient only where nothing can be misread:
//   - the byte-order mark may be missing, and a file of no bytes (or the mark
//     alone) is an empty log;
//   - a line may end in CR LF, LF or CR alone, and any field may be quoted;
//   - the last line may lack its line end;
//   - blank lines at the end of the file are no rows;
//   - a torn tail, the beginning of a row's line cut short where the file
//     ends (fewer than 14 fields, a quoted text still open, or a character
//     cut in its middle; every field before the cut valid for its column, the
//     one cut a possible beginning of it), is left out without being counted
//     as damaged, and the result says so. A last line without its line end
//     that reads as a whole row is a row.
// The numbers of the rows taken rise strictly: where lines out of order
// would break the rise, as few rows as can be are left out (the rows kept
// are a longest rising run of the numbers), so that one number spoilt into a
// large one does not hide every row after it. A damaged line is left out up
// to its own line end: a quote opened in it and never closed takes no line
// after it along. Beyond kMaxRows rows, and beyond a file of kMaxFileSize
// bytes, rows are left out too.
// Every file that EncodeLogCsv makes decodes to the same rows, and encodes
// again to the same bytes.
//
// Whatever the bytes, the memory it takes is bounded by the size of the file
// times a small factor: a line stops being read at its 15th field, a text is
// measured before it is widened, and room for rows is set aside only as far
// as the file's size can hold them.
CsvDecodeResult DecodeLogCsv(const unsigned char* data, size_t size, MeasurementLog& log);

// The mark of the highest number a log has given, a small file beside it:
// the number in decimal, no sign, no leading zero, then CR LF. Read back as
// that number; white space around it is allowed. -1 for anything else (a
// damaged or foreign file, a number beyond MeasurementLog::kMaxNumber), which
// is then no mark.
std::vector<unsigned char> EncodeNumberMark(int highest);
int DecodeNumberMark(const unsigned char* data, size_t size);

// The rows at these indices (any order, repeated and out-of-range indices
// ignored), in the log's order, under the header line, as tab-separated text
// for the clipboard: the same columns and texts as the file, each line ending
// in CR LF, no byte-order mark. Tab, CR, LF and NUL inside a text would break
// the table (or end the clipboard's text) and become spaces; a text that
// starts with a quote is quoted as in the file, since spreadsheets read such a
// field as quoted when it is pasted.
std::wstring LogTabSeparatedText(const MeasurementLog& log, const std::vector<size_t>& indices);
