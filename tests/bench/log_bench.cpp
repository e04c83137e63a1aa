// Timings of the measurement log's file under Wine (or Windows): a log of
// 10,000 rows encoded and saved whole through LogFile::Save after a deletion
// (a temporary file, flushed, then put in place), a new row appended to it,
// and the file loaded back (read and decoded), each repeated and reported as
// median and maximum.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/module.h"
#include "measurements/log_file_win.h"
#include "numtext/number_format.h"

#include "bench_timing.h"

#include "log_rows.h"

namespace {


}  // namespace

int main() {
    const std::wstring exe = ModulePath();
    const std::wstring path = exe.substr(0, exe.find_last_of(L'\\') + 1) + L"log_bench.csv";
    DeleteFileW(path.c_str());
    MeasurementLog log = BenchLog(10000);
    LogFile file(path);

    const int runs = 30;
    std::vector<double> saves, loads;
    for (int i = 0; i < runs; ++i) {
        // Each save writes a log one row different from the last, as after a change.
        log.Remove({0});
        MeasurementRow row = log[0];
        log.Append(row);
        file.RowsRemoved();
        const double start = Now();
        const LogSave saved = file.Save(log);
        saves.push_back((Now() - start) * 1e3);
        if (saved != LogSave::saved) {
            std::printf("log save: failed\n");
            return 1;
        }
    }
    // A new reading: one line appended to the file as it is.
    std::vector<double> appends;
    for (int i = 0; i < runs; ++i) {
        MeasurementRow row = log[0];
        log.Append(row);
        const double start = Now();
        const LogSave saved = file.Save(log, false);
        appends.push_back((Now() - start) * 1e3);
        if (saved != LogSave::saved) {
            std::printf("log append: failed\n");
            return 1;
        }
    }
    for (int i = 0; i < runs; ++i) {
        MeasurementLog loaded;
        LogFile reader(path);
        const double start = Now();
        const LogLoadResult result = reader.Load(loaded);
        loads.push_back((Now() - start) * 1e3);
        if (result.status != LogLoad::loaded || loaded.rows() != log.rows()) {
            std::printf("log load: the file did not give the log back\n");
            return 1;
        }
    }
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    std::printf("log file of %zu rows, %lu bytes, %d runs each:\n", log.size(),
                static_cast<unsigned long>(data.nFileSizeLow), runs);
    std::printf("  encode and save: median %.1f ms, max %.1f ms\n", Percentile(saves, 0.5),
                Percentile(saves, 1.0));
    std::printf("  one row appended (not flushed): median %.3f ms, max %.3f ms\n", Percentile(appends, 0.5),
                Percentile(appends, 1.0));
    std::printf("  load (read and decode): median %.1f ms, max %.1f ms\n", Percentile(loads, 0.5),
                Percentile(loads, 1.0));
    DeleteFileW(path.c_str());
    return 0;
}
