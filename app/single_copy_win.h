#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/unique_handle.h"

// The table file's path as the panel builds it beside the program, from the
// long form of the program's path, so that a start through a short 8.3 name
// names the same file.
std::wstring TableFilePath();

// The names that stand for the table file at `path` among the running copies
// of the program, the same however the path is spelled (another drive letter
// for the same folder, a junction, a short name, a link to the file): one for
// the file itself, from its volume's serial number and its index there, while
// it exists; one for its place, from its folder's identity and its name in
// capitals, always, so that a copy started before the file was made and one
// started after it still meet.
std::vector<std::wstring> TableFileNames(const std::wstring& path);

// One running copy per table file. Two copies on one table each read it at
// start and write it at close, so the one that closed last undid the other's
// edits. Each name is a mutex held by the copy that runs, beside a small
// shared memory where that copy tells its process and its window.
class SingleCopy {
public:
    explicit SingleCopy(std::vector<std::wstring> names);
    ~SingleCopy();
    SingleCopy(const SingleCopy&) = delete;
    SingleCopy& operator=(const SingleCopy&) = delete;

    // How long a second start waits for the first copy's window to appear.
    static constexpr DWORD kPatience = 10000;  // ms

    // True when this copy is the one to run: no other copy holds the names,
    // or the one that did has ended meanwhile. Otherwise the other copy's
    // window (or the dialog open over it) is brought to the front, restored
    // if minimised, and false returned: this copy then ends, showing nothing.
    bool Claim();

    // Tells later starts which window to bring forward.
    void Publish(HWND window);

private:
    struct Shared {
        volatile LONG processId;
        volatile LONG window;
    };
    struct Slot {
        std::wstring name;
        UniqueHandle mutex;
        UniqueHandle mapping;
        Shared* shared = nullptr;
        bool held = false;
    };

    bool HoldAll();
    void ReleaseAll();
    bool ShowOtherCopy(bool anyWindow);

    std::vector<Slot> slots_;
};
