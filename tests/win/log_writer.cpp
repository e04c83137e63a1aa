// A second process for the log file's tests, which kill it:
//   log_writer FILE COUNT
// loads the log from FILE, then appends COUNT rows one at a time (COUNT 0:
// without end), saving after each and writing the row's number on a line of
// its own to stdout once the save has returned. After the last row it waits
// to be killed. A save that fails ends it with exit code 2.
#include <windows.h>

#include <cstdio>
#include <string>

#include "measurements/log_file_win.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 1;
    const long count = std::wcstol(argv[2], nullptr, 10);
    LogFile file(argv[1]);
    MeasurementLog log;
    if (file.Load(log).status == LogLoad::unusable) return 3;
    for (long i = 0; count == 0 || i < count; ++i) {
        MeasurementRow row;
        row.time = LocalRecordTime();
        row.material = 1 + static_cast<int>(i % 100);
        row.temperature = std::to_wstring(300 + i % 200) + L".00";
        row.hallVoltage = L"-283.27";
        row.sampleVoltage = L"1234.5";
        // A long text makes a save take long enough to be killed in the middle.
        row.contactSpacing = std::wstring(2000, L'\u00B5');
        const int number = log.Append(row);
        if (number == 0) break;
        if (file.Save(log) != LogSave::saved) return 2;
        std::printf("%d\n", number);
        std::fflush(stdout);
    }
    Sleep(INFINITE);
    return 0;
}
