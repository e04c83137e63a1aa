#include "measurements/log_window_list_win.h"

#include <algorithm>

#include "measurements/log_window_layout_win.h"

namespace {

// For each of the list's columns, a text as wide as the cells it usually
// holds: the column is made wide enough for it and for its title.
const wchar_t* const kColumnSamples[kLogColumnCount] = {
    L"00000",  L"0000-00-00 00:00:00", L"000",    L"0.0000", L"0000.00", L"0000.00", L"000.000",
    L"0.00000", L"000.000",            L"0000.00", L"000.000", L"0.0000", L"-0.00000", L"-0.00000"};

// The focus mark stays on a row: the last one, when the row that had it went.
void KeepFocusMark(HWND list) {
    const int count = ListView_GetItemCount(list);
    if (count > 0 && ListView_GetNextItem(list, -1, LVNI_FOCUSED) < 0) {
        ListView_SetItemState(list, count - 1, LVIS_FOCUSED, LVIS_FOCUSED);
    }
}

}  // namespace

std::wstring CountText(size_t n, const wchar_t* one, const wchar_t* many) {
    return std::to_wstring(n) + L" " + (n == 1 ? one : many);
}

int AddLogColumns(HWND self, HWND list) {
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
    // Each column as wide as its title and its usual cells, with the margins
    // the header and the list keep on both sides of a text, so that neither
    // is cut at any size of the window.
    const int padding = DialogUnitsX(self, 7);
    // A header item keeps three edges' width of margin on either side of its
    // title and draws its divider inside the item: a title given less than
    // that is clipped, its last character cut in half.
    const int titlePadding = std::max(padding, 8 * GetSystemMetrics(SM_CXEDGE));
    int columnsWidth = 0;
    for (int column = 0; column < kLogColumnCount; ++column) {
        LVCOLUMNW c = {};
        c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        c.fmt = column == kLogTime ? LVCFMT_LEFT : LVCFMT_RIGHT;
        c.cx = std::max(ListView_GetStringWidth(list, kLogColumnTitles[column]) + titlePadding,
                        ListView_GetStringWidth(list, kColumnSamples[column]) + padding);
        c.pszText = const_cast<wchar_t*>(kLogColumnTitles[column]);
        ListView_InsertColumn(list, column, &c);
        columnsWidth += c.cx;
    }
    return columnsWidth;
}

void GiveLogCellText(const MeasurementLog& log, NMLVDISPINFOW& info, std::wstring& cellText) {
    const size_t row = static_cast<size_t>(info.item.iItem);
    if ((info.item.mask & LVIF_TEXT) && info.item.cchTextMax > 0 && row < log.size()) {
        cellText = LogCellText(log[row], info.item.iSubItem);
        const size_t length = std::min(cellText.size(), static_cast<size_t>(info.item.cchTextMax - 1));
        std::copy_n(cellText.c_str(), length, info.item.pszText);
        info.item.pszText[length] = L'\0';
    }
}

void ShowLogRowCount(HWND list, int count, bool scrollToEnd) {
    ListView_SetItemCountEx(list, count, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    InvalidateRect(list, nullptr, FALSE);
    KeepFocusMark(list);
    if (!scrollToEnd || count == 0) return;
    // Scrolling costs a repaint of the list: only when the last row is out of sight.
    const int top = ListView_GetTopIndex(list);
    const int page = ListView_GetCountPerPage(list);
    if (count - 1 < top || count - 1 >= top + page) ListView_EnsureVisible(list, count - 1, FALSE);
}

std::vector<size_t> SelectedLogRows(HWND list, size_t count) {
    std::vector<size_t> rows;
    for (int item = ListView_GetNextItem(list, -1, LVNI_SELECTED); item >= 0;
         item = ListView_GetNextItem(list, item, LVNI_SELECTED)) {
        if (static_cast<size_t>(item) < count) rows.push_back(static_cast<size_t>(item));
    }
    return rows;
}

void SelectLogRowsByNumber(HWND list, const MeasurementLog& log, std::vector<int> numbers) {
    std::sort(numbers.begin(), numbers.end());
    int first = -1;
    for (size_t k = 0; k < log.size(); ++k) {
        if (!std::binary_search(numbers.begin(), numbers.end(), log[k].number)) continue;
        if (first < 0) first = static_cast<int>(k);
        ListView_SetItemState(list, static_cast<int>(k), LVIS_SELECTED, LVIS_SELECTED);
    }
    if (first >= 0) {
        ListView_SetItemState(list, -1, 0, LVIS_FOCUSED);
        ListView_SetItemState(list, first, LVIS_FOCUSED, LVIS_FOCUSED);
        ListView_EnsureVisible(list, first, FALSE);
    }
}

void FillAxisChoices(HWND xChoice, HWND yChoice, PlotX x, PlotY y) {
    for (int k = 0; k < kPlotXCount; ++k) {
        SendMessageW(xChoice, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(PlotLabel(static_cast<PlotX>(k))));
    }
    for (int k = 0; k < kPlotYCount; ++k) {
        SendMessageW(yChoice, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(PlotLabel(static_cast<PlotY>(k))));
    }
    SendMessageW(xChoice, CB_SETCURSEL, static_cast<WPARAM>(x), 0);
    SendMessageW(yChoice, CB_SETCURSEL, static_cast<WPARAM>(y), 0);
}
