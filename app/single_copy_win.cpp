#include "app/single_copy_win.h"

#include <utility>

#include "base/module.h"
#include "storage/module_file_names.h"

namespace {

constexpr DWORD kPollInterval = 50;  // ms

std::wstring Hex(unsigned long long value, int digits) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text(static_cast<size_t>(digits), L'0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4) text[static_cast<size_t>(i)] = kDigits[value & 0xF];
    return text;
}

// The long form of an existing path; the path itself otherwise.
std::wstring LongPath(const std::wstring& path) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = GetLongPathNameW(path.c_str(), &buffer[0], size);
        if (length == 0) return path;
        if (length < size) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(length);
    }
}

// A file's or folder's volume serial number and index on that volume, which
// no other file shares, in text; empty when it cannot be opened.
std::wstring Identity(const std::wstring& path, DWORD flags) {
    // No access asked: a file held open by another program, sharing nothing,
    // still answers.
    UniqueHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, flags, nullptr));
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!file || !GetFileInformationByHandle(file.get(), &info)) return std::wstring();
    const unsigned long long index =
        (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return Hex(info.dwVolumeSerialNumber, 8) + L"-" + Hex(index, 16);
}

// FNV-1a over the name's UTF-16 units: a name can be longer than an object
// name may be.
unsigned long long NameHash(const std::wstring& name) {
    unsigned long long hash = 14695981039346656037ull;
    for (wchar_t unit : name) {
        hash ^= static_cast<unsigned long long>(unit);
        hash *= 1099511628211ull;
    }
    return hash;
}

HWND WindowOf(LONG value) {
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(value));
}

struct VisibleWindow {
    DWORD processId;
    HWND window;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM context) {
    VisibleWindow* wanted = reinterpret_cast<VisibleWindow*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != wanted->processId || !IsWindowVisible(window)) return TRUE;
    wanted->window = window;
    return FALSE;
}

// The user started the program again to see it: the running copy comes to
// the front, restored if it was minimised, with whichever of its dialogs is
// open over the panel (the parameter table, a message).
void BringForward(HWND window, DWORD processId) {
    // That copy may then take the foreground for its own windows too.
    AllowSetForegroundWindow(processId);
    // Not waited for: a copy that does not answer must not hold this one.
    if (IsIconic(window)) ShowWindowAsync(window, SW_RESTORE);
    HWND popup = GetLastActivePopup(window);
    SetForegroundWindow(popup ? popup : window);
}

}  // namespace

std::wstring TableFilePath() {
    const std::wstring base = ModuleFileBase(LongPath(ModulePath()));
    return base.empty() ? std::wstring() : base + kParameterFileExtension;
}

std::vector<std::wstring> TableFileNames(const std::wstring& path) {
    std::vector<std::wstring> names;
    if (path.empty()) return names;
    const std::wstring file = Identity(path, FILE_ATTRIBUTE_NORMAL);
    if (!file.empty()) names.push_back(L"Local\\Tesmor table file " + file);

    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos || slash + 1 >= path.size()) return names;
    // "C:\" is the root; "C:" alone would be the drive's current folder.
    const bool root = slash == 2 && path[1] == L':';
    const std::wstring folder =
        Identity(path.substr(0, root ? slash + 1 : slash), FILE_FLAG_BACKUP_SEMANTICS);
    if (folder.empty()) return names;
    // Names differ only in case on Windows' file systems; an existing file
    // gives its long name, one still to be made the name it will have.
    std::wstring name = LongPath(path);
    name = name.substr(name.find_last_of(L"\\/") + 1);
    if (!name.empty()) CharUpperBuffW(&name[0], static_cast<DWORD>(name.size()));
    names.push_back(L"Local\\Tesmor table place " + folder + L"-" + Hex(NameHash(name), 16));
    return names;
}

SingleCopy::SingleCopy(std::vector<std::wstring> names) {
    for (std::wstring& name : names) {
        Slot slot;
        slot.name = std::move(name);
        slots_.push_back(std::move(slot));
    }
}

SingleCopy::~SingleCopy() {
    ReleaseAll();
    for (Slot& slot : slots_) {
        if (slot.shared) UnmapViewOfFile(slot.shared);
    }
}

bool SingleCopy::Claim() {
    // A name that cannot be made (taken by an object of another kind) keeps
    // nobody out.
    for (Slot& slot : slots_) {
        slot.mutex = UniqueHandle(CreateMutexW(nullptr, FALSE, slot.name.c_str()));
        slot.mapping = UniqueHandle(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                       sizeof(Shared), (slot.name + L" window").c_str()));
        if (slot.mapping) {
            slot.shared = static_cast<Shared*>(MapViewOfFile(slot.mapping.get(), FILE_MAP_WRITE, 0, 0, 0));
        }
    }

    // The other copy may be still starting (its window comes after the table
    // is read, and after any message about the file) or ending (its window is
    // gone, the table being saved); this one waits for either.
    const DWORD start = GetTickCount();
    for (;;) {
        if (HoldAll()) return true;
        if (ShowOtherCopy(false)) return false;
        if (GetTickCount() - start >= kPatience) break;
        Sleep(kPollInterval);
    }
    ShowOtherCopy(true);
    return false;
}

// Every copy takes the names in the same order and stops at the first one it
// cannot have, so two copies starting together never each hold a name the
// other needs and wait on each other.
bool SingleCopy::HoldAll() {
    for (Slot& slot : slots_) {
        if (!slot.mutex || !slot.shared) continue;
        // A copy that ended without letting go (killed) leaves it abandoned,
        // which is as good as free.
        const DWORD waited = WaitForSingleObject(slot.mutex.get(), 0);
        slot.held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
        if (!slot.held) {
            ReleaseAll();
            return false;
        }
    }
    for (Slot& slot : slots_) {
        if (!slot.held) continue;
        InterlockedExchange(&slot.shared->window, 0);
        InterlockedExchange(&slot.shared->processId, static_cast<LONG>(GetCurrentProcessId()));
    }
    return true;
}

void SingleCopy::ReleaseAll() {
    for (Slot& slot : slots_) {
        if (slot.held) ReleaseMutex(slot.mutex.get());
        slot.held = false;
    }
}

void SingleCopy::Publish(HWND window) {
    for (Slot& slot : slots_) {
        if (slot.held)
            InterlockedExchange(&slot.shared->window, static_cast<LONG>(reinterpret_cast<LONG_PTR>(window)));
    }
}

bool SingleCopy::ShowOtherCopy(bool anyWindow) {
    for (const Slot& slot : slots_) {
        if (!slot.shared) continue;
        const DWORD processId = static_cast<DWORD>(slot.shared->processId);
        if (processId == 0 || processId == GetCurrentProcessId()) continue;
        // The window must still be that copy's: a handle is reused once its
        // window is gone.
        HWND window = WindowOf(slot.shared->window);
        DWORD owner = 0;
        if (window && IsWindow(window) && GetWindowThreadProcessId(window, &owner) && owner == processId) {
            BringForward(window, processId);
            return true;
        }
        if (anyWindow) {
            // No panel in time: a message it shows before the panel, if any.
            VisibleWindow found = {processId, nullptr};
            EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&found));
            if (found.window) BringForward(found.window, processId);
            return true;
        }
    }
    return false;
}
