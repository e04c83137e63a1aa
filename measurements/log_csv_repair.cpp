// A damaged log file's repair: which of its lines and rows the reader keeps.
#include "measurements/log_csv_repair.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace log_csv {
namespace {

// Whether a field cut short by the end of the file can be the beginning of
// what this program writes in its column. The writer quotes only shown texts,
// and No., Time and Material are ASCII.
bool IsCutFieldStart(const Field& field, int column, bool characterCut) {
    if (column >= kLogHallFactor) return !IsTooLong(field);
    if (field.quoted || characterCut) return false;
    const std::string_view text = field.bytes;
    const bool digits = std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    // No. starts at 1, and only Material may be a lone 0.
    if (column == kLogNumber) return digits && text.size() <= 9 && (text.empty() || text[0] != '0');
    if (column == kLogMaterial) return digits && text.size() <= 3 && (text.size() < 2 || text[0] != '0');
    // Time: "YYYY-MM-DD hh:mm:ss" as far as it goes.
    static const char kPattern[] = "0000-00-00 00:00:00";
    if (text.size() > 19) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kPattern[i] == '0' ? !digit : text[i] != kPattern[i]) return false;
    }
    return true;
}

}  // namespace

bool IsTornTail(const Line& line, int previous, bool characterCut) {
    if (line.ended || line.blank || line.count == 0) return false;
    const Field& last = line.fields[line.count - 1];
    if (line.count == static_cast<size_t>(kLogColumnCount) && !last.open && !characterCut) return false;
    MeasurementRow row;
    for (size_t column = 0; column + 1 < line.count; ++column) {
        if (ReadField(line.fields[column], static_cast<int>(column), previous, row) != CsvStatus::ok)
            return false;
    }
    return IsCutFieldStart(last, static_cast<int>(line.count - 1), characterCut);
}

void LeftOutLines::Add(size_t line, CsvStatus status) {
    if (count_ == 0) status_ = status;
    if (count_ < CsvDecodeResult::kListedLines) lines_[count_] = line;
    ++count_;
}

void LeftOutLines::Merge(const LeftOutLines& other) {
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

void LeftOutLines::Into(CsvDecodeResult& result) const {
    result.leftOut = count_;
    result.leftOutStatus = status_;
    std::copy(lines_, lines_ + std::min(count_, CsvDecodeResult::kListedLines), result.leftOutLines);
}

std::vector<bool> LongestRisingRun(const std::vector<MeasurementRow>& rows) {
    constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    std::vector<std::uint32_t> tails;  // for each length, the row ending the run with the lowest last number
    std::vector<std::uint32_t> before(rows.size(), kNone);
    for (std::uint32_t i = 0; i < rows.size(); ++i) {
        const int number = rows[i].number;
        const auto at = std::lower_bound(tails.begin(), tails.end(), number,
                                         [&](std::uint32_t row, int n) { return rows[row].number < n; });
        // Of rows with one number, the first stays.
        if (at != tails.end() && rows[*at].number == number) continue;
        if (at != tails.begin()) before[i] = *(at - 1);
        if (at == tails.end()) {
            tails.push_back(i);
        } else {
            *at = i;
        }
    }
    std::vector<bool> kept(rows.size(), false);
    for (std::uint32_t i = tails.empty() ? kNone : tails.back(); i != kNone; i = before[i]) kept[i] = true;
    return kept;
}

}  // namespace log_csv
