// The log's CSV decoder on any bytes: never reads or writes out of bounds (the
// sanitizers watch), allocates no more than a small factor times the input
// (its own operator new counts), changes nothing unless the file is a log,
// takes only rows a log may hold, names the lines it leaves out in order
// (each a line the file has, no row's), and a file it takes writes back as a
// file that reads to the same rows, with nothing left out, and writes back to
// the same bytes; a file it says new lines may be appended to reads back with
// them. The rows also make a clipboard table of one line a row and fourteen
// cells a line.
#include <cstdlib>
#include <string>
#include <vector>

#include "measurements/log_codec.h"
#include "tests/core/allocation_meter.h"

namespace {

// As tests/core/log_codec_memory_test.cpp allows.
constexpr size_t kBytesPerByte = 16;
constexpr size_t kFixed = 64 << 10;

void Check(bool condition) {
    if (!condition) std::abort();
}

void CheckTable(const MeasurementLog& log) {
    std::vector<size_t> all(log.size());
    for (size_t i = 0; i < all.size(); ++i) all[i] = i;
    const std::wstring text = LogTabSeparatedText(log, all);
    size_t lines = 0, tabs = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        Check(text[i] != L'\0');
        if (text[i] == L'\t') ++tabs;
        if (text[i] == L'\r') Check(i + 1 < text.size() && text[i + 1] == L'\n');
        if (text[i] == L'\n') {
            Check(i > 0 && text[i - 1] == L'\r');
            Check(tabs == kLogColumnCount - 1);
            tabs = 0;
            ++lines;
        }
    }
    Check(lines == log.size() + 1 && tabs == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MeasurementLog log;
    MeasurementRow row;
    row.time = L"2026-12-08 22:36:18";
    row.hallVoltage = L"*****";
    log.Append(row);
    const MeasurementLog before = log;

    const size_t held = AllocatedBytes();
    ResetAllocationPeak();
    const CsvDecodeResult result = DecodeLogCsv(data, size, log);
    Check(PeakAllocatedBytes() - held <= kBytesPerByte * size + kFixed);
    if (result.status != CsvStatus::ok) {
        Check(log.rows() == before.rows());
        const bool wholeFile =
            result.status == CsvStatus::invalidUtf8 ||
            (result.status == CsvStatus::fileTooLarge && size > MeasurementLog::kMaxFileSize);
        Check(wholeFile ? result.line == 0 : result.line >= 1);
        return 0;
    }
    Check(!result.tornTail || (result.line >= 2 && !result.appendable));
    Check(result.leftOut == 0 || !result.appendable);
    Check((result.leftOut == 0) == (result.leftOutStatus == CsvStatus::ok));
    for (size_t i = 0; i < result.listedLines(); ++i) {
        Check(result.leftOutLines[i] >= 2 && (i == 0 || result.leftOutLines[i] > result.leftOutLines[i - 1]));
        Check(!result.tornTail || result.leftOutLines[i] < result.line);
    }
    // No more lines left out and rows taken than the file has lines.
    size_t lineEnds = 0;
    for (size_t i = 0; i < size; ++i)
        lineEnds += data[i] == '\n' || (data[i] == '\r' && (i + 1 == size || data[i + 1] != '\n'));
    Check(result.leftOut + log.size() <= lineEnds + 1);
    // Only rows the log itself would take, and it knows their file's size.
    MeasurementLog assigned;
    Check(assigned.Assign(log.rows()));
    Check(assigned.fileSize() == log.fileSize());

    const std::vector<unsigned char> bytes = EncodeLogCsv(log);
    Check(bytes.size() == log.fileSize());
    MeasurementLog again;
    const CsvDecodeResult reread = DecodeLogCsv(bytes.data(), bytes.size(), again);
    Check(reread.status == CsvStatus::ok && reread.leftOut == 0 && !reread.tornTail);
    Check(again.rows() == log.rows());
    Check(EncodeLogCsv(again) == bytes);
    CheckTable(log);

    if (result.appendable) {
        MeasurementLog longer = log;
        row.sampleVoltage = L"1,\"5\"";
        if (longer.Append(row) != 0) {
            std::vector<unsigned char> appended(data, data + size);
            const std::vector<unsigned char> line = EncodeLogLines(longer, log.size());
            appended.insert(appended.end(), line.begin(), line.end());
            MeasurementLog read;
            const CsvDecodeResult withLine = DecodeLogCsv(appended.data(), appended.size(), read);
            Check(withLine.status == CsvStatus::ok && withLine.leftOut == 0);
            Check(read.rows() == longer.rows());
        }
    }
    return 0;
}
