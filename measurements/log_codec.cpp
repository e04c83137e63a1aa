// The log's reading: a CSV file's bytes into the log's rows, as far as they
// can be read (log_csv_lines.cpp splits and reads the lines, log_csv_repair.cpp
// decides what a damaged file keeps), and the mark of the highest number.
#include "measurements/log_codec.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

#include "measurements/log_csv_repair.h"
#include "measurements/log_utf8.h"

using namespace log_csv;

namespace {

// The shortest line a row can make without its line end: a one-digit No.,
// the time, a one-digit material and eleven empty texts.
constexpr size_t kShortestRowLine = 1 + 1 + 19 + 1 + 1 + 11;

}  // namespace

CsvDecodeResult DecodeLogCsv(const unsigned char* data, size_t size, MeasurementLog& log) {
    CsvDecodeResult result;
    if (size > MeasurementLog::kMaxFileSize) {
        result.status = CsvStatus::fileTooLarge;
        return result;
    }
    const unsigned char* p = data;
    const unsigned char* end = data + size;
    if (size >= 3 && std::equal(std::begin(kByteOrderMark), std::end(kByteOrderMark), p)) p += 3;

    CsvReader reader(p, end);
    Line line;
    bool lastEnded = false;  // the last line read has its line end
    if (!reader.AtEnd()) {
        // Only a file that starts with the header is a log.
        const unsigned char* headerStart = reader.position();
        CsvStatus status = reader.ReadLine(line);
        bool cut = false;
        if (FirstInvalidUtf8(headerStart, reader.position(), cut) != reader.position()) {
            result.status = CsvStatus::invalidUtf8;
            return result;
        }
        if (status == CsvStatus::wrongFieldCount || (status == CsvStatus::ok && !IsHeader(line)))
            status = CsvStatus::wrongHeader;
        if (status != CsvStatus::ok) {
            result.status = status;
            result.line = 1;
            return result;
        }
        lastEnded = line.ended;
    }

    LeftOutLines damaged;  // lines that hold no row
    std::vector<MeasurementRow> rows;
    std::vector<std::uint32_t> rowLines;  // the line of each row
    int previous = 0;                     // the number of the last row read
    bool rising = true;
    for (size_t number = 2; !reader.AtEnd(); ++number) {
        const unsigned char* lineStart = reader.position();
        CsvStatus status = reader.ReadLine(line);
        // Where the line's quotes and commas do not make a line of fields,
        // where it ends is not known either: the next line is taken to start
        // after its first line end.
        const bool unsplit = status != CsvStatus::ok;
        if (status == CsvStatus::ok && line.blank) {
            if (reader.OnlyLineEndsLeft()) {
                lastEnded = false;  // blank lines after the last row
                break;
            }
            status = CsvStatus::wrongFieldCount;
        }
        // A character cut in two by the end of the file may be a torn tail's.
        bool cut = false;
        const unsigned char* invalid = FirstInvalidUtf8(lineStart, reader.position(), cut);
        const bool characterCut = invalid != reader.position() && cut && reader.AtEnd();
        // Bytes that are not UTF-8 spoil the line; a character cut by the end
        // of the file leaves it to be seen whether the line is a torn tail.
        if (invalid != reader.position() && (!characterCut || status == CsvStatus::ok))
            status = CsvStatus::invalidUtf8;
        MeasurementRow row;
        // Whether the numbers rise is seen once every row is read.
        if (status == CsvStatus::ok) status = ReadRow(line, 0, row);
        if (status != CsvStatus::ok) {
            const bool wholeCharacters = invalid == reader.position() || characterCut;
            if (status != CsvStatus::misplacedQuote && wholeCharacters && reader.AtEnd() &&
                IsTornTail(line, previous, characterCut)) {
                result.tornTail = true;
                result.line = number;
                break;
            }
            damaged.Add(number, status);
            if (unsplit) reader.SkipLineFrom(lineStart);
            continue;
        }
        lastEnded = line.ended;
        if (rows.size() == MeasurementLog::kMaxRows) {
            damaged.Add(number, CsvStatus::tooManyRows);
            continue;
        }
        if (rows.empty()) {
            // Room for the rows the file holds from this one on: no more than
            // it has lines, nor than its size has room for, whatever its bytes.
            const size_t room = std::min({reader.CountLineEnds() + 2,
                                          static_cast<size_t>(end - lineStart) / kShortestRowLine + 1,
                                          MeasurementLog::kMaxRows});
            rows.reserve(room);
            rowLines.reserve(room);
        }
        if (row.number <= previous) rising = false;
        previous = row.number;
        rows.push_back(std::move(row));
        rowLines.push_back(static_cast<std::uint32_t>(number));
    }

    // The rows kept: a longest run of them whose numbers rise, then only as
    // many as the file's size allows, as Append would take them.
    std::vector<bool> kept;
    if (!rising) kept = LongestRisingRun(rows);
    LeftOutLines dropped;
    size_t fileSize = LogHeaderSize();
    size_t count = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!rising && !kept[i]) {
            dropped.Add(rowLines[i], CsvStatus::badNumber);
            continue;
        }
        const size_t lineSize = LogLineSize(rows[i]);
        if (lineSize > MeasurementLog::kMaxFileSize - fileSize) {
            dropped.Add(rowLines[i], CsvStatus::fileTooLarge);
            continue;
        }
        fileSize += lineSize;
        if (count != i) rows[count] = std::move(rows[i]);
        ++count;
    }
    rows.resize(count);
    damaged.Merge(dropped);
    damaged.Into(result);

    log.rows_ = std::move(rows);
    log.fileSize_ = fileSize;
    log.highestNumber_ = log.rows_.empty() ? 0 : log.rows_.back().number;
    result.appendable = size > 0 && p < end && lastEnded && !result.tornTail && result.leftOut == 0;
    return result;
}

int DecodeNumberMark(const unsigned char* data, size_t size) {
    auto space = [](unsigned char b) { return b == ' ' || b == '\t' || b == '\r' || b == '\n'; };
    const unsigned char* p = data;
    const unsigned char* end = data + size;
    while (p < end && space(*p)) ++p;
    while (end > p && space(end[-1])) --end;
    const size_t digits = static_cast<size_t>(end - p);
    if (digits == 0 || digits > 9 || (*p == '0' && digits > 1)) return -1;
    int number = 0;
    for (; p < end; ++p) {
        if (*p < '0' || *p > '9') return -1;
        number = number * 10 + (*p - '0');
    }
    return number <= MeasurementLog::kMaxNumber ? number : -1;
}
