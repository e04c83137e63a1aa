#include "ui/system_colours.h"

#include <commctrl.h>

namespace {

constexpr UINT_PTR kSubclassId = 0x5359;  // "SY"

BOOL CALLBACK TellChild(HWND child, LPARAM) {
    SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
    // The list-view keeps the background it was created with unless it is
    // given another (Wine's does even when told of the change).
    wchar_t name[32] = {};
    if (GetClassNameW(child, name, 32) > 0 && lstrcmpiW(name, WC_LISTVIEWW) == 0) {
        ListView_SetBkColor(child, GetSysColor(COLOR_WINDOW));
    }
    return TRUE;
}

LRESULT CALLBACK FollowingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR) noexcept {
    switch (message) {
    case WM_SYSCOLORCHANGE:
        EnumChildWindows(window, TellChild, 0);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        break;
    case WM_SETTINGCHANGE:
        if (wParam == SPI_SETHIGHCONTRAST) {
            RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, FollowingProc, kSubclassId);
        break;
    default:
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace

void FollowSystemColours(HWND window) noexcept {
    if (window) SetWindowSubclass(window, FollowingProc, kSubclassId, 0);
}
