// A second process for the log file's tests, which kill it or run two at once:
//   log_writer FILE COUNT [TAG]
// loads the log from FILE, then appends COUNT rows one at a time (COUNT 0:
// without end), saving after each and writing the row's number on a line of
// its own to stdout once the save has returned. TAG, when given, is the
// rows' V_sigma text, so that two writers' rows can be told apart. A save that
// fails (another writer holds the file a moment too long) is tried again; one
// that fails for ten seconds ends it with exit code 2. After the last row it
// waits to be killed.
#include <windows.h>

#include <cstdio>
#include <string>

#include "measurements/log_file_win.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3 && argc != 4) return 1;
    const long count = std::wcstol(argv[2], nullptr, 10);
    const std::wstring tag = argc == 4 ? argv[3] : L"1234.5";
    LogFile file(argv[1]);
    MeasurementLog log;
    if (file.Load(log).status == LogLoad::unusable) return 3;
    for (long i = 0; count == 0 || i < count; ++i) {
        MeasurementRow row;
        row.time = LocalRecordTime();
        row.material = 1 + static_cast<int>(i % 100);
        row.temperature = std::to_wstring(300 + i % 200) + L".00";
        row.hallVoltage = L"-283.27";
        row.sampleVoltage = tag;
        // A long text makes a save take long enough to be killed in the middle.
        row.contactSpacing = std::wstring(1000, L'\u00B5');
        if (log.Append(row) == 0) break;
        const DWORD start = GetTickCount();
        while (file.Save(log) != LogSave::saved) {
            if (GetTickCount() - start > 10000) return 2;
            Sleep(5);
        }
        // The row's number in the file, which another writer may have moved on.
        std::printf("%d\n", log.rows().back().number);
        std::fflush(stdout);
    }
    Sleep(INFINITE);
    return 0;
}
