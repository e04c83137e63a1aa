// The log's CSV decoder on any bytes: never reads or writes out of bounds (the
// sanitizers watch), changes nothing unless it takes the whole file, takes only
// rows a log may hold, and a file it takes writes back as a file that reads
// to the same rows and writes back to the same bytes. The rows also make a
// clipboard table of one line a row and fourteen cells a line.
#include <cstdlib>
#include <string>
#include <vector>

#include "measurements/log_codec.h"

namespace {

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

    const CsvDecodeResult result = DecodeLogCsv(data, size, log);
    if (result.status != CsvStatus::ok) {
        Check(log.rows() == before.rows());
        Check(result.status == CsvStatus::invalidUtf8 ? result.line == 0 : result.line >= 1);
        return 0;
    }
    Check(log.size() <= MeasurementLog::kMaxRows);
    int previous = 0;
    for (const MeasurementRow& r : log.rows()) {
        Check(MeasurementLog::IsValidRow(r));
        Check(r.number > previous && r.number <= MeasurementLog::kMaxNumber);
        previous = r.number;
    }

    const std::vector<unsigned char> bytes = EncodeLogCsv(log);
    MeasurementLog again;
    Check(DecodeLogCsv(bytes.data(), bytes.size(), again).status == CsvStatus::ok);
    Check(again.rows() == log.rows());
    Check(EncodeLogCsv(again) == bytes);
    CheckTable(log);
    return 0;
}
