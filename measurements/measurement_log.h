#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

// The measurement log: one row for each reading the student records, with the
// panel's settings as the panel used them and its readings as the meters
// showed them at that moment.

// The log's columns, in the order of the file, the list and the clipboard.
// What each holds, its unit and its title: kMeasuredQuantities
// (measured_quantities.h), one record per column in this order.
enum LogColumn : int {
    kLogNumber,
    kLogTime,
    kLogMaterial,
    kLogHallFactor,
    kLogSampleLength,
    kLogSampleWidth,
    kLogSampleThickness,
    kLogContactWidth,
    kLogContactSpacing,
    kLogTemperature,
    kLogSampleCurrent,
    kLogMagnetCurrent,
    kLogHallVoltage,
    kLogSampleVoltage,
};
inline constexpr int kLogColumnCount = 14;

// The columns' titles with their units, the file's header: the labels of
// kMeasuredQuantities.
extern const std::array<const wchar_t*, kLogColumnCount> kLogColumnTitles;

struct MeasurementRow {
    int number = 0;     // No., from 1; MeasurementLog::Append gives it
    std::wstring time;  // local time of the reading, "YYYY-MM-DD hh:mm:ss"
    int material = 0;   // the material number, 0..100; 0 while none is chosen

    // The panel's boxes, each as LoggedText keeps it (the number shown, or
    // the value used), and its meters, each text exactly as it was shown (a
    // meter without a reading shows "*****"); in the log's order, from
    // kLogHallFactor on (the member of each column: kMeasuredQuantities).
    std::wstring hallFactor;
    std::wstring sampleLength;
    std::wstring sampleWidth;
    std::wstring sampleThickness;
    std::wstring contactWidth;
    std::wstring contactSpacing;
    std::wstring temperature;
    std::wstring sampleCurrent;
    std::wstring magnetCurrent;
    std::wstring hallVoltage;
    std::wstring sampleVoltage;
};

// The member that holds the shown text of a column from kLogHallFactor on;
// null for the other columns.
const std::wstring* ShownText(const MeasurementRow& row, int column);
std::wstring* ShownText(MeasurementRow& row, int column);

// The text of one cell, as the list, the file and the clipboard show it: the
// number and the material in decimal ("0" for no material), the time and the
// shown texts as they are. An empty text for a column outside the log.
std::wstring LogCellText(const MeasurementRow& row, int column);

// The text a row keeps for a box that shows `shown` while the panel uses the
// value `used`: the shown number, without the white space around it, when the
// whole text is that number, reads as exactly `used` and is at most
// MeasurementLog::kMaxTextLength characters long; otherwise `used` written as
// the panel writes numbers, with the digits it takes to read back as exactly
// that value (ExactRealText). So nothing but a number reaches the log: not
// the rest of "2,5", which a spreadsheet with a decimal comma would read as
// 2.5 although the panel used 2, nor a control character pasted into a box.
std::wstring LoggedText(const std::wstring& shown, double used);

// The number a cell stands for: No. and Material as numbers; a shown text read
// as the panel reads its boxes (ParseShownReal, so "1.#INF" is an infinity),
// and NaN when it holds no number at all ("*****", empty, "abc"). The time
// and a column outside the log give NaN.
double LogCellValue(const MeasurementRow& row, int column);
// The same for one shown text.
double ShownValue(const std::wstring& text);

// "YYYY-MM-DD hh:mm:ss" for a moment given by its parts, which must make a
// valid time (IsRecordTime holds for the result).
std::wstring RecordTimeText(int year, int month, int day, int hour, int minute, int second);
// Whether the text is a time of that form: four digits of year, a month
// 01..12, a day that month has (leap years counted), hours 00..23, minutes
// and seconds 00..59.
bool IsRecordTime(const std::wstring& text);

struct CsvDecodeResult;

// Why MeasurementLog::Append refuses a row (none: it takes it).
enum class LogRefusal {
    none,
    invalidRow,   // the row is not valid (MeasurementLog::IsValidRow)
    rowsFull,     // the log holds MeasurementLog::kMaxRows rows
    numbersUsed,  // the last row's number is MeasurementLog::kMaxNumber
    fileFull,     // the row would make the file larger than MeasurementLog::kMaxFileSize
};

// The rows of a log, oldest first.
//
// Numbering: a number is a reading's name. A row keeps the number it was
// recorded with, and a number once given is never given to another reading,
// so that "No. 7" in a student's notes means that reading and no other.
// Append numbers a new row one above the highest number the log has given
// (HighestNumber: 1 in a new log); removing rows leaves gaps and renumbers
// nothing, and neither removing the last rows nor Clear lowers the highest
// number given. The numbers therefore always rise strictly from the first row
// to the last. The file's rows alone cannot say which numbers a removed last
// row or a cleared log had given: whoever keeps the log across sessions keeps
// HighestNumber with it, and gives it back with RaiseHighestNumber.
//
// Limits: the log's file (EncodeLogCsv) is read back whole into memory, so
// the writer and the reader (DecodeLogCsv) keep to the same limits: at most
// kMaxRows rows, no text longer than kMaxFieldLength, and a file of at most
// kMaxFileSize bytes. The log counts the size its file has as rows come and
// go, and refuses a row that would take the file beyond it.
class MeasurementLog {
public:
    // The most rows a log holds, and the highest number a row can have.
    static constexpr size_t kMaxRows = 100000;
    static constexpr int kMaxNumber = 999999999;
    // The longest shown text a row keeps (a box's text is kept only when it is
    // a number this short; otherwise the value the panel used is kept).
    static constexpr size_t kMaxTextLength = 40;
    // The longest text any field of a row may hold, in UTF-16 units: far more
    // than the panel keeps, short enough that no single text can make the
    // file large.
    static constexpr size_t kMaxFieldLength = 1024;
    // The largest file the log makes, and the largest one it reads, in bytes.
    static constexpr size_t kMaxFileSize = size_t{64} << 20;

    MeasurementLog();

    // Whether a row may be appended as it is: its time is a record time, its
    // material lies in 0..100 and none of its shown texts is longer than
    // kMaxFieldLength UTF-16 units. Its number does not matter.
    static bool IsValidRow(const MeasurementRow& row);

    // Appends the row under the next number, which it returns. Refused, with 0
    // returned and nothing changed, when the row is not valid or the log is
    // full (kMaxRows rows, the last number is kMaxNumber, or the row would
    // take the file beyond kMaxFileSize): Refusal tells which.
    int Append(MeasurementRow row);
    // Why Append would refuse this row now (LogRefusal::none when it would not).
    LogRefusal Refusal(const MeasurementRow& row) const;

    // Removes the rows at these indices (0-based, any order; repeated and
    // out-of-range indices are ignored). The other rows keep their order and
    // numbers. Returns how many rows went.
    size_t Remove(const std::vector<size_t>& indices);

    // Removes every row. The numbers they had stay given.
    void Clear();

    // Puts rows that were removed back among the others, each in its place by
    // its number, with its number: the undoing of Remove and Clear. Refused,
    // with false returned and nothing changed, when a row is not valid, its
    // number is outside 1..kMaxNumber or held by a row of the log (or by
    // another of `rows`), or the log would go beyond kMaxRows rows or
    // kMaxFileSize bytes.
    bool PutBack(std::vector<MeasurementRow> rows);

    // Replaces every row with these, numbers as they are. Refused, with false
    // returned and nothing changed, unless every row is valid, the numbers
    // rise strictly within 1..kMaxNumber, there are at most kMaxRows rows and
    // their file is at most kMaxFileSize bytes. The numbers given stay given:
    // HighestNumber is the higher of what it was and the last row's number.
    bool Assign(std::vector<MeasurementRow> rows);

    size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    // The row at a 0-based index below size().
    const MeasurementRow& operator[](size_t index) const { return rows_[index]; }
    const std::vector<MeasurementRow>& rows() const { return rows_; }

    // The number the next appended row gets (0 when the log is full by its
    // rows or numbers; a row may still be refused for the file's size).
    int NextNumber() const;

    // The highest number this log has given or holds, 0 when none: never
    // lower than the last row's number, and lowered by nothing but a new log.
    int HighestNumber() const { return highestNumber_; }
    // Raises HighestNumber to `number` (at most kMaxNumber) when that is
    // higher: numbers given elsewhere, as a file beside the log remembers
    // them. A lower number changes nothing.
    void RaiseHighestNumber(int number);

    // The size of the log's file in bytes: EncodeLogCsv(log).size().
    size_t fileSize() const { return fileSize_; }

private:
    // The file's reader checks each row as it reads it, as Assign would, and
    // counts the file's size as it goes: it hands its rows over directly.
    friend CsvDecodeResult DecodeLogCsv(const unsigned char* data, size_t size, MeasurementLog& log);

    // Refusal, and the size of the line the row makes when it is none.
    LogRefusal Check(const MeasurementRow& row, size_t& lineSize) const;

    std::vector<MeasurementRow> rows_;
    size_t fileSize_;
    int highestNumber_ = 0;
};

bool operator==(const MeasurementRow& a, const MeasurementRow& b);
inline bool operator!=(const MeasurementRow& a, const MeasurementRow& b) {
    return !(a == b);
}
