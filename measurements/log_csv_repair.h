#pragma once

#include <cstddef>
#include <vector>

#include "measurements/log_csv_lines.h"

// What the log's reader does with a file that is not as the writer left it: a
// torn tail a write cut short, lines left out, rows out of order. For the
// reader alone (log_codec.cpp), as log_csv_lines.h is.

namespace log_csv {

// Whether the file's last line, which has no line end, is a torn tail: the
// start of a row's line, cut short (fewer fields than a row, the last text's
// quote still open, or a character cut in two), every whole field valid and
// the cut one a possible start of its column.
bool IsTornTail(const Line& line, int previous, bool characterCut);

// The lines left out of a log: how many, the first few, and why the first went.
class LeftOutLines {
public:
    void Add(size_t line, CsvStatus status);
    // Takes in another set, of other lines: the first few of both, in order.
    void Merge(const LeftOutLines& other);
    void Into(CsvDecodeResult& result) const;

private:
    size_t count_ = 0;
    size_t lines_[CsvDecodeResult::kListedLines] = {};
    CsvStatus status_ = CsvStatus::ok;
};

// Which rows make a longest run whose numbers rise strictly (patience
// sorting, n log n): the rows to keep when some are out of order.
std::vector<bool> LongestRisingRun(const std::vector<MeasurementRow>& rows);

}  // namespace log_csv
