#include "gui_objects.h"

#include <windows.h>
#include <winternl.h>

#include <cstdint>

namespace {

// An entry of the GDI handle table that the process environment block points
// to, as Wine lays it out; a free entry has type 0.
struct GdiHandleEntry {
    uint64_t object;
    uint32_t owner;
    uint16_t unique;
    uint8_t type;
    uint8_t flags;
    uint64_t userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "Wine's GDI handle entry is 24 bytes");

constexpr unsigned kGdiHandleCount = 0x10000;
// Where the process environment block keeps the table's address: in a 32-bit
// process, and in the 64-bit test build (tools/wine-arch.sh).
constexpr size_t kGdiTableOffsetInPeb = sizeof(void*) == 4 ? 0x94 : 0xF8;

bool UnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

unsigned CountGdiHandlesInTable() {
    const char* peb = reinterpret_cast<const char*>(NtCurrentTeb()->ProcessEnvironmentBlock);
    const GdiHandleEntry* table =
        *reinterpret_cast<const GdiHandleEntry* const*>(peb + kGdiTableOffsetInPeb);
    if (!table) return 0;
    unsigned count = 0;
    for (unsigned index = 0; index < kGdiHandleCount; ++index) {
        if (table[index].type == 0) continue;
        // Counted only when GDI itself takes the handle made from the entry.
        HGDIOBJ handle =
            reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(index | (table[index].unique << 16)));
        if (GetObjectType(handle) != 0) ++count;
    }
    return count;
}

BOOL CALLBACK CountChild(HWND, LPARAM count) {
    ++*reinterpret_cast<unsigned*>(count);
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM count) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) {
        ++*reinterpret_cast<unsigned*>(count);
        EnumChildWindows(window, CountChild, count);  // every descendant
    }
    return TRUE;
}

unsigned CountWindows() {
    unsigned count = 0;
    EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&count));
    for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
         window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) {
        CountTopLevel(window, reinterpret_cast<LPARAM>(&count));
    }
    return count;
}

}  // namespace

GuiObjects CountGuiObjects() {
    GuiObjects objects;
    if (!UnderWine()) {
        objects.user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
        objects.gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    } else {
        objects.user = CountWindows();
        objects.gdi = CountGdiHandlesInTable();
    }
    return objects;
}
