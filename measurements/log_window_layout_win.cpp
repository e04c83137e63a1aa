#include "measurements/log_window_layout_win.h"

#include <commctrl.h>

#include <algorithm>

#include "res/resource.h"

namespace {

// The buttons along the top, in the order they are laid out.
constexpr int kButtons[] = {IDC_LOG_FIT,      IDC_LOG_COPY,   IDC_LOG_COPY_PLOT, IDC_LOG_SAVE_PNG,
                            IDC_LOG_SAVE_CSV, IDC_LOG_DELETE, IDC_LOG_CLEAR,     IDC_LOG_UNDO};

// A child that moves or changes its size is painted anew where it lands
// (SWP_NOCOPYBITS), never from the pixels it had before: the list view
// changes its first row when it grows at the end of the log without
// repainting the rows it keeps, and a control whose old pixels were copied
// counts as painted while the place it came to may still be the dialog's to
// erase, which then paints over it.
void MoveChild(HDWP& moves, HWND child, int x, int y, int w, int h) {
    const RECT now = ChildRect(child);
    if (now.left == x && now.top == y && now.right - now.left == w && now.bottom - now.top == h) return;
    if (moves) moves = DeferWindowPos(moves, child, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
}

}  // namespace

int DialogUnitsX(HWND dialog, int units) {
    RECT r = {0, 0, units, 0};
    MapDialogRect(dialog, &r);
    return r.right;
}

int DialogUnitsY(HWND dialog, int units) {
    RECT r = {0, 0, 0, units};
    MapDialogRect(dialog, &r);
    return r.bottom;
}

RECT ChildRect(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int WidenLogWindowToColumns(HWND self, HWND list, int columnsWidth) {
    // The first size shows every column without scrolling sideways: the
    // window grows to fit them where the template is narrower, as far as the
    // screen allows.
    RECT window;
    GetWindowRect(self, &window);
    RECT listWindow, listClient;
    GetWindowRect(list, &listWindow);
    GetClientRect(list, &listClient);
    const int listFrame = (listWindow.right - listWindow.left) - listClient.right;
    const int wanted = columnsWidth + GetSystemMetrics(SM_CXVSCROLL) + listFrame + 2 * DialogUnitsX(self, 7);
    RECT client;
    GetClientRect(self, &client);
    const int templateWidth = client.right;
    if (client.right < wanted) {
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(self, MONITOR_DEFAULTTONEAREST), &monitor);
        const int widest = monitor.rcWork.right - monitor.rcWork.left;
        const int width = std::min(widest, static_cast<int>(window.right - window.left) + wanted - static_cast<int>(client.right));
        SetWindowPos(self, nullptr, 0, 0, width, window.bottom - window.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return templateWidth;
}

namespace {

// The buttons keep their sizes and go in rows along the top, as many to a
// row as the width takes (so that none is cut off in a narrow window); the
// axes' choices keep theirs. The list takes the upper part of the rest and
// the plot the lower, above the status line.
int LayOutButtons(HWND self, int width, HDWP* moves) {
    const int margin = DialogUnitsX(self, 7);
    const int gap = DialogUnitsX(self, 4);
    int x = margin;
    int y = DialogUnitsY(self, 7);
    int rowHeight = 0;
    for (int id : kButtons) {
        HWND button = GetDlgItem(self, id);
        const RECT r = ChildRect(button);
        const int w = r.right - r.left;
        const int h = r.bottom - r.top;
        if (x > margin && x + w > width - margin) {
            x = margin;
            y += rowHeight + gap;
            rowHeight = 0;
        }
        if (moves) MoveChild(*moves, button, x, y, w, h);
        x += w + gap;
        rowHeight = std::max(rowHeight, h);
    }
    return y + rowHeight + DialogUnitsY(self, 5);
}

}  // namespace

void LayOutLogWindow(HWND self, HWND list, HWND plot) {
    RECT client;
    GetClientRect(self, &client);
    const int margin = DialogUnitsX(self, 7);
    const int gap = DialogUnitsY(self, 4);
    const int width = std::max(0, static_cast<int>(client.right) - 2 * margin);

    // A list that shows the newest reading goes on showing it at its new size.
    const int count = ListView_GetItemCount(list);
    const bool endInView =
        count > 0 && ListView_GetTopIndex(list) + ListView_GetCountPerPage(list) >= count;

    HDWP moves = BeginDeferWindowPos(16);
    const int listTop = LayOutButtons(self, client.right, &moves);
    const int statusHeight = DialogUnitsY(self, 10);
    const int statusTop = std::max(listTop, static_cast<int>(client.bottom) - margin / 2 - statusHeight);
    const int choiceHeight = DialogUnitsY(self, 14);
    const int free = std::max(0, statusTop - listTop - choiceHeight - 2 * gap);
    const int listHeight = free * 2 / 5;
    const int choiceTop = listTop + listHeight + gap;
    const int plotTop = choiceTop + choiceHeight;
    const int plotHeight = std::max(0, statusTop - gap - plotTop);

    auto moveTo = [&](int id, int y) {
        HWND child = GetDlgItem(self, id);
        const RECT r = ChildRect(child);
        MoveChild(moves, child, r.left, y, r.right - r.left, r.bottom - r.top);
    };
    MoveChild(moves, list, margin, listTop, width, listHeight);
    moveTo(IDC_LOG_X_LABEL, choiceTop + DialogUnitsY(self, 2));
    moveTo(IDC_LOG_X, choiceTop);
    moveTo(IDC_LOG_Y_LABEL, choiceTop + DialogUnitsY(self, 2));
    moveTo(IDC_LOG_Y, choiceTop);
    MoveChild(moves, plot, margin, plotTop, width, plotHeight);
    MoveChild(moves, GetDlgItem(self, IDC_LOG_STATUS), margin, statusTop, width, statusHeight);
    if (moves) EndDeferWindowPos(moves);
    if (endInView) ListView_EnsureVisible(list, count - 1, FALSE);
}

// The smallest window in which every control is whole: three fifths of the
// template's width (the buttons then take two rows), and the height those
// rows, a few rows of the list, the axes' choices, a small plot and the status
// line need.
SIZE LogWindowMinimumSize(HWND self, int templateWidth) {
    RECT client = {0, 0, templateWidth * 3 / 5, 0};
    const int choicesRight = ChildRect(GetDlgItem(self, IDC_LOG_Y)).right;
    client.right = std::max(client.right, static_cast<LONG>(choicesRight + DialogUnitsX(self, 7)));
    const int listTop = LayOutButtons(self, client.right, nullptr);
    // Free height: the list gets two fifths of it (a header and three rows),
    // the plot the rest.
    const int free = DialogUnitsY(self, 120);
    client.bottom = listTop + free + DialogUnitsY(self, 14) + 3 * DialogUnitsY(self, 4) + DialogUnitsY(self, 10) +
                    DialogUnitsX(self, 7) / 2;
    AdjustWindowRectEx(&client, static_cast<DWORD>(GetWindowLongW(self, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(self, GWL_EXSTYLE)));
    return {client.right - client.left, client.bottom - client.top};
}
