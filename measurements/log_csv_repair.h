#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "measurements/log_csv_lines.h"

// What the log's reader does with a file that is not as the writer left it: a
// torn tail a write cut short, lines left out, rows out of order.

namespace log_csv {

// Whether the file's last line, which has no line end, is a torn tail: the
// start of a row's line, cut short (fewer fields than a row, the last text's
// quote still open, or a character cut in two), every whole field valid and
// the cut one a possible start of its column.
bool IsTornTail(const Line& line, int previous, bool characterCut);

// The lines left out of a log: how many, the first few, and why the first went.
class LeftOutLines {
public:
    void Add(size_t line, CsvStatus status) {
        if (count_ == 0) status_ = status;
        if (count_ < CsvDecodeResult::kListedLines) lines_[count_] = line;
        ++count_;
    }
    // Takes in another set, of other lines: the first few of both, in order.
    void Merge(const LeftOutLines& other) {
        if (other.count_ == 0) return;
        if (count_ == 0 || other.lines_[0] < lines_[0]) status_ = other.status_;
        size_t merged[CsvDecodeResult::kListedLines];
        const size_t listed = std::min(count_, CsvDecodeResult::kListedLines);
        const size_t otherListed = std::min(other.count_, CsvDecodeResult::kListedLines);
        size_t a = 0, b = 0, n = 0;
        while (n < CsvDecodeResult::kListedLines && (a < listed || b < otherListed)) {
            const bool fromOther = a == listed || (b < otherListed && other.lines_[b] < lines_[a]);
            merged[n++] = fromOther ? other.lines_[b++] : lines_[a++];
        }
        std::copy(merged, merged + n, lines_);
        count_ += other.count_;
    }
    void Into(CsvDecodeResult& result) const {
        result.leftOut = count_;
        result.leftOutStatus = status_;
        std::copy(lines_, lines_ + std::min(count_, CsvDecodeResult::kListedLines), result.leftOutLines);
    }

private:
    size_t count_ = 0;
    size_t lines_[CsvDecodeResult::kListedLines] = {};
    CsvStatus status_ = CsvStatus::ok;
};

// Which rows make a longest run whose numbers rise strictly (patience
// sorting, n log n): the rows to keep when some are out of order.
std::vector<bool> LongestRisingRun(const std::vector<MeasurementRow>& rows);

}  // namespace log_csv
