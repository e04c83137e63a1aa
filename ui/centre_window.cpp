#include "ui/centre_window.h"

void CentreWindow(HWND window, HWND reference) {
    const bool child = (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) != 0;
    if (!reference) reference = child ? GetParent(window) : GetWindow(window, GW_OWNER);

    RECT area;
    RECT centre;
    if (child) {
        HWND parent = GetParent(window);
        GetClientRect(parent, &area);
        if (reference) {
            GetClientRect(reference, &centre);
            MapWindowPoints(reference, parent, reinterpret_cast<POINT*>(&centre), 2);
        } else {
            centre = area;
        }
    } else {
        if (reference && (!IsWindowVisible(reference) || IsIconic(reference))) reference = nullptr;
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
        if (reference) {
            GetWindowRect(reference, &centre);
        } else {
            centre = area;
        }
    }

    RECT own;
    GetWindowRect(window, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    // Integer halves round toward zero, as C division does.
    int left = (centre.left + centre.right) / 2 - width / 2;
    int top = (centre.top + centre.bottom) / 2 - height / 2;
    if (left < area.left) {
        left = area.left;
    } else if (left + width > area.right) {
        left = area.right - width;
    }
    if (top < area.top) {
        top = area.top;
    } else if (top + height > area.bottom) {
        top = area.bottom - height;
    }
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
