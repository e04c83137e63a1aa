// The memory the log's reader takes for a file, whatever the file holds: a
// small factor times the file's size at most. A program of its own, since it
// counts every allocation with its own operator new (allocation_meter.cpp).
//
// Before the reader was bounded, a file of the header and one line of commas
// took 32 to 38 times its size natively (a view of every field), and on
// Windows a 40 MiB one ended the program with std::bad_alloc.
#include <gtest/gtest.h>

#include <string>

#include "measurements/log_codec.h"
#include "tests/core/allocation_meter.h"

namespace {

// The most the reader may allocate for each byte of the file. The densest
// log that is taken, rows of empty texts, holds for each row of 35 bytes a
// MeasurementRow and its time's text: about 14 bytes a byte natively, less on
// Windows, where a wide character takes 2 bytes instead of 4.
constexpr size_t kBytesPerByte = 16;
// What any decode may take besides: a few small buffers.
constexpr size_t kFixed = 64 << 10;

constexpr size_t kMiB = 1 << 20;

const std::string kHeader =
    "\xEF\xBB\xBFNo.,Time,Material,r_H,l (\xC2\xB5m),w (\xC2\xB5m),d (\xC2\xB5m),s (\xC2\xB5m),"
    "\xCE\xB4 (\xC2\xB5m),T (K),I (mA),I_m (A),V_H (mV),V_\xCF\x83 (mV)\r\n";
const std::string kTime = "2026-12-08 22:36:18";
const std::string kReadingTexts =
    "1.1500,100.00,100.00,10.000,0.50000,10.000,300.00,10.000,5.0000,-283.27,1234.5";

// The header, then `unit` as many times as fit in `size` bytes.
std::string Repeated(const std::string& unit, size_t size) {
    std::string bytes = kHeader;
    bytes.reserve(size);
    while (bytes.size() + unit.size() <= size) bytes += unit;
    return bytes;
}

// The header, then rows numbered from 1 with these texts after the time and
// material, `count` of them or as many as fit in `size` bytes.
std::string Rows(const std::string& material, const std::string& texts, size_t count, size_t size) {
    std::string bytes = kHeader;
    for (size_t n = 1; n <= count; ++n) {
        const std::string line = std::to_string(n) + "," + kTime + "," + material + "," + texts + "\r\n";
        if (bytes.size() + line.size() > size) break;
        bytes += line;
    }
    return bytes;
}

// The header, then rows numbered downwards to 1, as many as fit in `size`
// bytes: no two rise, so the reader looks for the longest rising run.
std::string Reversed(const std::string& texts, size_t size) {
    const std::string line = "1234567," + kTime + ",0," + texts + "\r\n";
    size_t count = (size - kHeader.size()) / line.size();
    if (count > 100000) count = 100000;
    std::string bytes = kHeader;
    for (size_t n = count; n >= 1; --n) bytes += std::to_string(n) + "," + kTime + ",0," + texts + "\r\n";
    return bytes;
}

}  // namespace

TEST(LogCsvMemory, NoFileTakesMoreThanAFewTimesItsSize) {
    const std::string emptyTexts = ",,,,,,,,,,";
    std::string longQuoted = kHeader + "1," + kTime + ",1,\"";
    while (longQuoted.size() < 24 * kMiB) longQuoted += "\"\"";
    longQuoted += "\"" + emptyTexts + "\r\n";
    std::string longText = kHeader + "1," + kTime + ",1,";
    longText.append(24 * kMiB - longText.size(), '7');
    longText += emptyTexts + "\r\n";

    // Every file here starts with the header: a log, with lines left out.
    struct Case {
        const char* what;
        std::string bytes;
        CsvStatus leftOutStatus;  // why the first line left out is
        size_t firstLeftOut;      // its line
        size_t rows;
    } cases[] = {
        {"the header and one line of commas, 40 MiB", Repeated(",", 40 * kMiB), CsvStatus::wrongFieldCount, 2,
         0},
        {"the header and one line of commas, 24 MiB", Repeated(",", 24 * kMiB), CsvStatus::wrongFieldCount, 2,
         0},
        {"a line of empty quoted fields", Repeated("\"\",", 24 * kMiB), CsvStatus::wrongFieldCount, 2, 0},
        {"a line of quoted quotes", Repeated("\"\"\"\",", 24 * kMiB), CsvStatus::wrongFieldCount, 2, 0},
        {"one text of quoted quotes", longQuoted, CsvStatus::textTooLong, 2, 0},
        {"one long text", longText, CsvStatus::textTooLong, 2, 0},
        {"line ends, 100 KiB", Repeated("\n", 100 << 10), CsvStatus::ok, 0, 0},
        {"line ends, then a row", Repeated("\n", 100 << 10) + "1," + kTime + ",1," + emptyTexts,
         CsvStatus::wrongFieldCount, 2, 1},
        {"a row, then line ends", Rows("0", emptyTexts, 1, 1 * kMiB) + std::string(100 << 10, '\n') + "x",
         CsvStatus::wrongFieldCount, 3, 1},
        {"line ends inside quotes", Repeated("\"\n\",", 1 * kMiB), CsvStatus::wrongFieldCount, 2, 0},
        {"as many rows of empty texts as a log holds", Rows("0", emptyTexts, 100000, 64 * kMiB),
         CsvStatus::ok, 0, 100000},
        {"rows of empty texts, 24 MiB", Rows("0", emptyTexts, 1000000, 24 * kMiB), CsvStatus::tooManyRows,
         100002, 100000},
        {"as many readings as a log holds", Rows("1", kReadingTexts, 100000, 64 * kMiB), CsvStatus::ok, 0,
         100000},
        {"rows of empty texts, every number out of order", Reversed(emptyTexts, 24 * kMiB),
         CsvStatus::badNumber, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MeasurementLog log;
        const size_t held = AllocatedBytes();
        ResetAllocationPeak();
        const CsvDecodeResult result =
            DecodeLogCsv(reinterpret_cast<const unsigned char*>(c.bytes.data()), c.bytes.size(), log);
        const size_t peak = PeakAllocatedBytes() - held;
        EXPECT_EQ(result.status, CsvStatus::ok) << "at line " << result.line;
        EXPECT_EQ(result.leftOutStatus, c.leftOutStatus);
        EXPECT_EQ(result.leftOutLines[0], c.firstLeftOut);
        EXPECT_EQ(log.size(), c.rows);
        EXPECT_LE(peak, kBytesPerByte * c.bytes.size() + kFixed)
            << "for " << c.bytes.size() << " bytes, " << static_cast<double>(peak) / c.bytes.size()
            << " bytes a byte";
    }
}
