#include "measurements/measurement_log.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "measurements/log_codec.h"
#include "measurements/measured_quantities.h"
#include "model/material_table.h"
#include "numtext/number_format.h"
#include "numtext/number_parse.h"

namespace {

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// The value of `count` ASCII digits at `text[at]`, or -1.
int Digits(const std::wstring& text, size_t at, size_t count) {
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < L'0' || text[i] > L'9') return -1;
        value = value * 10 + (text[i] - L'0');
    }
    return value;
}

// The text's length in UTF-16 units, whatever wchar_t holds: on Windows that
// is its size, elsewhere a character beyond U+FFFF counts twice. (A template,
// so that Windows does not compile a comparison that is always false there.)
template <size_t kCharSize = sizeof(wchar_t)>
size_t Utf16Length(const std::wstring& text) {
    if constexpr (kCharSize == 2) {
        return text.size();
    } else {
        size_t length = text.size();
        for (wchar_t c : text) {
            if (static_cast<unsigned long>(c) > 0xFFFF) ++length;
        }
        return length;
    }
}

void AppendDigits(std::wstring& text, int value, int count) {
    std::wstring digits = std::to_wstring(value);
    if (static_cast<int>(digits.size()) < count) text.append(count - digits.size(), L'0');
    text += digits;
}

}  // namespace

const std::wstring* ShownText(const MeasurementRow& row, int column) {
    if (column < 0 || column >= kLogColumnCount) return nullptr;
    const auto shown = QuantityOfColumn(column).shown;
    return shown ? &(row.*shown) : nullptr;
}

std::wstring* ShownText(MeasurementRow& row, int column) {
    return const_cast<std::wstring*>(ShownText(static_cast<const MeasurementRow&>(row), column));
}

std::wstring LogCellText(const MeasurementRow& row, int column) {
    switch (column) {
    case kLogNumber:
        return std::to_wstring(row.number);
    case kLogTime:
        return row.time;
    case kLogMaterial:
        return std::to_wstring(row.material);
    default:
        const std::wstring* text = ShownText(row, column);
        return text ? *text : std::wstring();
    }
}

std::wstring LoggedText(const std::wstring& shown, double used) {
    const NumberSpan span = FindReal(shown);
    if (ReadsWhole(shown, span) && span.end - span.begin <= MeasurementLog::kMaxTextLength) {
        std::wstring number = shown.substr(span.begin, span.end - span.begin);
        if (ParseReal(number) == used) return number;
    }
    return ExactRealText(used);
}

double ShownValue(const std::wstring& text) {
    return HoldsNumber(text) ? ParseShownReal(text) : std::numeric_limits<double>::quiet_NaN();
}

double LogCellValue(const MeasurementRow& row, int column) {
    switch (column) {
    case kLogNumber:
        return row.number;
    case kLogMaterial:
        return row.material;
    default:
        const std::wstring* text = ShownText(row, column);
        return text ? ShownValue(*text) : std::numeric_limits<double>::quiet_NaN();
    }
}

std::wstring RecordTimeText(int year, int month, int day, int hour, int minute, int second) {
    std::wstring text;
    text.reserve(19);
    AppendDigits(text, year, 4);
    text += L'-';
    AppendDigits(text, month, 2);
    text += L'-';
    AppendDigits(text, day, 2);
    text += L' ';
    AppendDigits(text, hour, 2);
    text += L':';
    AppendDigits(text, minute, 2);
    text += L':';
    AppendDigits(text, second, 2);
    return text;
}

bool IsRecordTime(const std::wstring& text) {
    // YYYY-MM-DD hh:mm:ss
    if (text.size() != 19 || text[4] != L'-' || text[7] != L'-' || text[10] != L' ' || text[13] != L':' ||
        text[16] != L':') {
        return false;
    }
    const int year = Digits(text, 0, 4);
    const int month = Digits(text, 5, 2);
    const int day = Digits(text, 8, 2);
    const int hour = Digits(text, 11, 2);
    const int minute = Digits(text, 14, 2);
    const int second = Digits(text, 17, 2);
    if (year < 0 || month < 1 || month > 12 || day < 1) return false;
    return day <= DaysInMonth(year, month) && hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 &&
           second >= 0 && second <= 59;
}

MeasurementLog::MeasurementLog() : fileSize_(LogHeaderSize()) {}

bool MeasurementLog::IsValidRow(const MeasurementRow& row) {
    if (!IsRecordTime(row.time) || row.material < 0 || row.material > kMaxMaterials) return false;
    for (int column = kLogHallFactor; column < kLogColumnCount; ++column) {
        if (Utf16Length(*ShownText(row, column)) > kMaxFieldLength) return false;
    }
    return true;
}

int MeasurementLog::NextNumber() const {
    if (rows_.size() >= kMaxRows) return 0;
    return highestNumber_ < kMaxNumber ? highestNumber_ + 1 : 0;
}

void MeasurementLog::RaiseHighestNumber(int number) {
    if (number > highestNumber_) highestNumber_ = number < kMaxNumber ? number : kMaxNumber;
}

LogRefusal MeasurementLog::Refusal(const MeasurementRow& row) const {
    size_t lineSize = 0;
    return Check(row, lineSize);
}

LogRefusal MeasurementLog::Check(const MeasurementRow& row, size_t& lineSize) const {
    if (!IsValidRow(row)) return LogRefusal::invalidRow;
    if (rows_.size() >= kMaxRows) return LogRefusal::rowsFull;
    const int number = NextNumber();
    if (number == 0) return LogRefusal::numbersUsed;
    // The line holds the number the row will get, not the one it holds now.
    lineSize = LogLineSize(row, number);
    if (lineSize > kMaxFileSize - fileSize_) return LogRefusal::fileFull;
    return LogRefusal::none;
}

int MeasurementLog::Append(MeasurementRow row) {
    size_t lineSize = 0;
    if (Check(row, lineSize) != LogRefusal::none) return 0;
    row.number = NextNumber();
    fileSize_ += lineSize;
    highestNumber_ = row.number;
    rows_.push_back(std::move(row));
    return rows_.back().number;
}

size_t MeasurementLog::Remove(const std::vector<size_t>& indices) {
    std::vector<bool> doomed(rows_.size(), false);
    for (size_t index : indices) {
        if (index < rows_.size()) doomed[index] = true;
    }
    size_t kept = 0;
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (doomed[i]) {
            fileSize_ -= LogLineSize(rows_[i]);
            continue;
        }
        if (kept != i) rows_[kept] = std::move(rows_[i]);
        ++kept;
    }
    const size_t removed = rows_.size() - kept;
    rows_.resize(kept);
    return removed;
}

void MeasurementLog::Clear() {
    rows_.clear();
    fileSize_ = LogHeaderSize();
}

bool MeasurementLog::PutBack(std::vector<MeasurementRow> rows) {
    if (rows.size() > kMaxRows - rows_.size()) return false;
    std::sort(rows.begin(), rows.end(),
              [](const MeasurementRow& a, const MeasurementRow& b) { return a.number < b.number; });
    size_t added = 0;
    for (const MeasurementRow& row : rows) {
        if (!IsValidRow(row) || row.number < 1 || row.number > kMaxNumber) return false;
        added += LogLineSize(row);
    }
    if (added > kMaxFileSize - fileSize_) return false;
    // Both rise by number: merged, and refused where two meet on one number.
    std::vector<MeasurementRow> merged;
    merged.reserve(rows_.size() + rows.size());
    size_t kept = 0, back = 0;
    while (kept < rows_.size() || back < rows.size()) {
        const bool takeBack = kept == rows_.size() || (back < rows.size() && rows[back].number < rows_[kept].number);
        const MeasurementRow& next = takeBack ? rows[back] : rows_[kept];
        if (!merged.empty() && merged.back().number >= next.number) return false;
        merged.push_back(takeBack ? std::move(rows[back++]) : rows_[kept++]);
    }
    rows_ = std::move(merged);
    fileSize_ += added;
    return true;
}

bool MeasurementLog::Assign(std::vector<MeasurementRow> rows) {
    if (rows.size() > kMaxRows) return false;
    int previous = 0;
    size_t fileSize = LogHeaderSize();
    for (const MeasurementRow& row : rows) {
        if (!IsValidRow(row) || row.number <= previous || row.number > kMaxNumber) return false;
        previous = row.number;
        fileSize += LogLineSize(row);
        if (fileSize > kMaxFileSize) return false;
    }
    rows_ = std::move(rows);
    fileSize_ = fileSize;
    if (!rows_.empty()) RaiseHighestNumber(rows_.back().number);
    return true;
}

bool operator==(const MeasurementRow& a, const MeasurementRow& b) {
    if (a.number != b.number || a.time != b.time || a.material != b.material) return false;
    for (int column = kLogHallFactor; column < kLogColumnCount; ++column) {
        if (*ShownText(a, column) != *ShownText(b, column)) return false;
    }
    return true;
}
