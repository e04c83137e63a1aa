#include "measurements/measurement_log_window_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "measurements/log_codec.h"
#include "measurements/log_fit.h"
#include "ui/centre_window.h"
#include "ui/clipboard.h"
#include "ui/file_dialog.h"

namespace {

// For each of the list's columns, a text as wide as the cells it usually
// holds: the column is made wide enough for it and for its title.
const wchar_t* const kColumnSamples[kLogColumnCount] = {
    L"00000",  L"0000-00-00 00:00:00", L"000",    L"0.0000", L"0000.00", L"0000.00", L"000.000",
    L"0.00000", L"000.000",            L"0000.00", L"000.000", L"0.0000", L"-0.00000", L"-0.00000"};

// The buttons along the top, in the order they are laid out.
constexpr int kButtons[] = {IDC_LOG_FIT,      IDC_LOG_COPY,   IDC_LOG_COPY_PLOT, IDC_LOG_SAVE_PNG,
                            IDC_LOG_SAVE_CSV, IDC_LOG_DELETE, IDC_LOG_CLEAR,     IDC_LOG_UNDO};

std::wstring Count(size_t n, const wchar_t* one, const wchar_t* many) {
    return std::to_wstring(n) + L" " + (n == 1 ? one : many);
}

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

}  // namespace

MeasurementLogWindow::MeasurementLogWindow(LogStore& store, HACCEL accelerators, HWND commandTarget,
                                           std::wstring caption)
    : store_(store), accelerators_(accelerators), commandTarget_(commandTarget), caption_(std::move(caption)) {}

// Destroyed here, while the message map is whole.
MeasurementLogWindow::~MeasurementLogWindow() {
    if (window()) DestroyWindow(window());
    if (filteringLoop_) filteringLoop_->UnregisterFilter(this);
}

bool MeasurementLogWindow::Open(HWND owner) {
    if (HWND open = window()) {
        if (IsIconic(open)) ShowWindow(open, SW_RESTORE);
        SetActiveWindow(open);
        return true;
    }
    if (!Create(IDD_MEASUREMENT_LOG, owner)) return false;
    if (placement_) {
        WINDOWPLACEMENT placement = *placement_;
        placement.showCmd = placement.showCmd == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
        SetWindowPlacement(window(), &placement);
    } else {
        CentreWindow(window(), owner);
        ShowWindow(window(), SW_SHOWNORMAL);
    }
    return true;
}

LRESULT MeasurementLogWindow::HandleMessage(const Message& message, bool& handled) {
    using W = MeasurementLogWindow;
    static const MessageMapEntry<W> kMessageMap[] = {
        {WM_INITDIALOG, kAnyId, kAnyCode, &W::OnInitDialog},
        {WM_COMMAND, IDCANCEL, kAnyCode, &W::OnClose},
        {WM_COMMAND, kAnyId, kAnyCode, &W::OnCommand},
        {WM_NOTIFY, IDC_LOG_LIST, kAnyCode, &W::OnListNotify},
        {WM_SIZE, kAnyId, kAnyCode, &W::OnSize},
        {WM_GETMINMAXINFO, kAnyId, kAnyCode, &W::OnGetMinMaxInfo},
        {WM_TIMER, kAnyId, kAnyCode, &W::OnTimer},
        {WM_DESTROY, kAnyId, kAnyCode, &W::OnDestroy},
    };
    return DispatchMessageMap(*this, kMessageMap, message, handled);
}

LRESULT MeasurementLogWindow::OnInitDialog(const Message&, bool&) {
    HWND self = window();
    filteringLoop_ = CurrentMessageLoop();
    if (filteringLoop_) filteringLoop_->RegisterFilter(this);

    HWND list = this->list();
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
    FillAxisChoices();

    // The template only holds the plot's place.
    HWND placeholder = Item(IDC_LOG_PLOT);
    const RECT plotPlace = ChildRect(placeholder);
    DestroyWindow(placeholder);
    plot_.Create(self, plotPlace, IDC_LOG_PLOT);

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
        GetWindowRect(self, &window);
    }
    minimumSize_ = MinimumSize(templateWidth);

    store_.SetListener(this);
    SetDlgItemTextW(self, IDC_LOG_STATUS, store_.status().c_str());
    RebuildPlot();
    LayOut();
    UpdateRowCount(true);
    SetFocus(list);
    // A dialog opened with the mouse hides focus marks until a key is
    // pressed; the list shows its focused row from the start, so that the
    // arrow keys are seen to work on it.
    SendMessageW(self, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    return FALSE;  // the focus is set
}

void MeasurementLogWindow::FillAxisChoices() {
    HWND x = Item(IDC_LOG_X);
    HWND y = Item(IDC_LOG_Y);
    for (int k = 0; k < kPlotXCount; ++k) {
        SendMessageW(x, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(PlotLabel(static_cast<PlotX>(k))));
    }
    for (int k = 0; k < kPlotYCount; ++k) {
        SendMessageW(y, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(PlotLabel(static_cast<PlotY>(k))));
    }
    SendMessageW(x, CB_SETCURSEL, static_cast<WPARAM>(x_), 0);
    SendMessageW(y, CB_SETCURSEL, static_cast<WPARAM>(y_), 0);
}

// Escape, the close box and Alt+F4 end here; the place is kept for the next
// opening in this session.
LRESULT MeasurementLogWindow::OnClose(const Message&, bool&) {
    undo_.clear();
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (GetWindowPlacement(window(), &placement)) placement_ = placement;
    DestroyWindow(window());
    return 0;
}

LRESULT MeasurementLogWindow::OnDestroy(const Message&, bool& handled) {
    // What was deleted can be brought back only while the window that
    // deleted it is open.
    undo_.clear();
    store_.SetListener(nullptr);
    if (filteringLoop_) filteringLoop_->UnregisterFilter(this);
    filteringLoop_ = nullptr;
    handled = false;
    return 0;
}

LRESULT MeasurementLogWindow::OnCommand(const Message& m, bool& handled) {
    switch (m.CommandId()) {
    case IDC_LOG_FIT:
        FitLine();
        return 0;
    case IDC_LOG_COPY:
        CopyRows();
        return 0;
    case IDC_LOG_COPY_PLOT:
        CopyPlot();
        return 0;
    case IDC_LOG_SAVE_PNG: {
        std::wstring path = AskFileName(L"PNG pictures (*.png)\0*.png\0All files (*.*)\0*.*\0", L"png", L"plot.png");
        if (!path.empty()) SavePngAs(path);
        return 0;
    }
    case IDC_LOG_SAVE_CSV: {
        std::wstring path =
            AskFileName(L"CSV files (*.csv)\0*.csv\0All files (*.*)\0*.*\0", L"csv", L"measurements.csv");
        if (!path.empty()) SaveCsvAs(path);
        return 0;
    }
    case IDC_LOG_DELETE:
        DeleteSelectedRows();
        return 0;
    case IDC_LOG_CLEAR:
        ClearLog();
        return 0;
    case IDC_LOG_UNDO:
        Undo();
        return 0;
    case IDC_LOG_X:
    case IDC_LOG_Y:
        if (m.NotifyCode() != CBN_SELCHANGE) break;
        ChooseAxes(static_cast<PlotX>(SendMessageW(Item(IDC_LOG_X), CB_GETCURSEL, 0, 0)),
                   static_cast<PlotY>(SendMessageW(Item(IDC_LOG_Y), CB_GETCURSEL, 0, 0)));
        return 0;
    case IDOK:  // Enter: nothing to confirm
        return 0;
    }
    handled = false;
    return 0;
}

LRESULT MeasurementLogWindow::OnListNotify(const Message& m, bool& handled) {
    switch (m.Notification()->code) {
    case LVN_GETDISPINFOW: {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(m.lParam);
        const size_t row = static_cast<size_t>(info->item.iItem);
        if ((info->item.mask & LVIF_TEXT) && info->item.cchTextMax > 0 && row < store_.log().size()) {
            cellText_ = LogCellText(store_.log()[row], info->item.iSubItem);
            const size_t length = std::min(cellText_.size(), static_cast<size_t>(info->item.cchTextMax - 1));
            std::copy_n(cellText_.c_str(), length, info->item.pszText);
            info->item.pszText[length] = L'\0';
        }
        return 0;
    }
    case LVN_ITEMCHANGED: {
        auto* change = reinterpret_cast<const NMLISTVIEW*>(m.lParam);
        if ((change->uChanged & LVIF_STATE) && ((change->uOldState ^ change->uNewState) & LVIS_SELECTED)) {
            OnSelectionChanged();
        }
        return 0;
    }
    case LVN_ODSTATECHANGED:
        OnSelectionChanged();
        return 0;
    }
    handled = false;
    return 0;
}

bool MeasurementLogWindow::FilterMessage(MSG& message) {
    HWND self = window();
    if (!self || (message.hwnd != self && !IsChild(self, message.hwnd))) return false;
    if (accelerators_ && TranslateAcceleratorW(commandTarget_, accelerators_, &message)) return true;
    if (message.message == WM_KEYDOWN) {
        const bool control = GetKeyState(VK_CONTROL) < 0;
        const bool inList = message.hwnd == list();
        if (control && message.wParam == 'C') {
            CopyRows();
            return true;
        }
        if (control && message.wParam == 'Z') {
            Undo();
            return true;
        }
        if (control && message.wParam == 'A' && inList) {
            ListView_SetItemState(list(), -1, LVIS_SELECTED, LVIS_SELECTED);
            return true;
        }
        if (message.wParam == VK_DELETE && inList) {
            DeleteSelectedRows();
            return true;
        }
    }
    return IsDialogMessageW(self, &message) != FALSE;
}

// The buttons keep their sizes and go in rows along the top, as many to a
// row as the width takes (so that none is cut off in a narrow window); the
// axes' choices keep theirs. The list takes the upper part of the rest and
// the plot the lower, above the status line.
int MeasurementLogWindow::LayOutButtons(int width, HDWP* moves) {
    HWND self = window();
    const int margin = DialogUnitsX(self, 7);
    const int gap = DialogUnitsX(self, 4);
    int x = margin;
    int y = DialogUnitsY(self, 7);
    int rowHeight = 0;
    for (int id : kButtons) {
        HWND button = Item(id);
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

// A child that moves or changes its size is painted anew where it lands
// (SWP_NOCOPYBITS), never from the pixels it had before: the list view
// changes its first row when it grows at the end of the log without
// repainting the rows it keeps, and a control whose old pixels were copied
// counts as painted while the place it came to may still be the dialog's to
// erase, which then paints over it.
void MeasurementLogWindow::MoveChild(HDWP& moves, HWND child, int x, int y, int w, int h) {
    const RECT now = ChildRect(child);
    if (now.left == x && now.top == y && now.right - now.left == w && now.bottom - now.top == h) return;
    if (moves) moves = DeferWindowPos(moves, child, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
}

void MeasurementLogWindow::LayOut() {
    HWND self = window();
    RECT client;
    GetClientRect(self, &client);
    const int margin = DialogUnitsX(self, 7);
    const int gap = DialogUnitsY(self, 4);
    const int width = std::max(0, static_cast<int>(client.right) - 2 * margin);

    // A list that shows the newest reading goes on showing it at its new size.
    const int count = ListView_GetItemCount(list());
    const bool endInView =
        count > 0 && ListView_GetTopIndex(list()) + ListView_GetCountPerPage(list()) >= count;

    HDWP moves = BeginDeferWindowPos(16);
    const int listTop = LayOutButtons(client.right, &moves);
    const int statusHeight = DialogUnitsY(self, 10);
    const int statusTop = std::max(listTop, static_cast<int>(client.bottom) - margin / 2 - statusHeight);
    const int choiceHeight = DialogUnitsY(self, 14);
    const int free = std::max(0, statusTop - listTop - choiceHeight - 2 * gap);
    const int listHeight = free * 2 / 5;
    const int choiceTop = listTop + listHeight + gap;
    const int plotTop = choiceTop + choiceHeight;
    const int plotHeight = std::max(0, statusTop - gap - plotTop);

    auto moveTo = [&](int id, int y) {
        HWND child = Item(id);
        const RECT r = ChildRect(child);
        MoveChild(moves, child, r.left, y, r.right - r.left, r.bottom - r.top);
    };
    MoveChild(moves, list(), margin, listTop, width, listHeight);
    moveTo(IDC_LOG_X_LABEL, choiceTop + DialogUnitsY(self, 2));
    moveTo(IDC_LOG_X, choiceTop);
    moveTo(IDC_LOG_Y_LABEL, choiceTop + DialogUnitsY(self, 2));
    moveTo(IDC_LOG_Y, choiceTop);
    MoveChild(moves, plot_.window(), margin, plotTop, width, plotHeight);
    MoveChild(moves, Item(IDC_LOG_STATUS), margin, statusTop, width, statusHeight);
    if (moves) EndDeferWindowPos(moves);
    if (endInView) ListView_EnsureVisible(list(), count - 1, FALSE);
}

// The smallest window in which every control is whole: three fifths of the
// template's width (the buttons then take two rows), and the height those
// rows, a few rows of the list, the axes' choices, a small plot and the status
// line need.
SIZE MeasurementLogWindow::MinimumSize(int templateWidth) {
    HWND self = window();
    RECT client = {0, 0, templateWidth * 3 / 5, 0};
    const int choicesRight = ChildRect(Item(IDC_LOG_Y)).right;
    client.right = std::max(client.right, static_cast<LONG>(choicesRight + DialogUnitsX(self, 7)));
    const int listTop = LayOutButtons(client.right, nullptr);
    // Free height: the list gets two fifths of it (a header and three rows),
    // the plot the rest.
    const int free = DialogUnitsY(self, 120);
    client.bottom = listTop + free + DialogUnitsY(self, 14) + 3 * DialogUnitsY(self, 4) + DialogUnitsY(self, 10) +
                    DialogUnitsX(self, 7) / 2;
    AdjustWindowRectEx(&client, static_cast<DWORD>(GetWindowLongW(self, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(self, GWL_EXSTYLE)));
    return {client.right - client.left, client.bottom - client.top};
}

LRESULT MeasurementLogWindow::OnSize(const Message& m, bool&) {
    if (m.wParam != SIZE_MINIMIZED && plot_.window()) {
        LayOut();
        ShowPlot();  // the ticks follow the plot's size
    }
    return 0;
}

LRESULT MeasurementLogWindow::OnGetMinMaxInfo(const Message& m, bool&) {
    auto* info = reinterpret_cast<MINMAXINFO*>(m.lParam);
    if (minimumSize_.cx > 0) {
        info->ptMinTrackSize.x = minimumSize_.cx;
        info->ptMinTrackSize.y = minimumSize_.cy;
    }
    return 0;
}

// A new row's point is added at once; the list and the plot are brought up to
// date a moment later, once for any number of rows recorded meanwhile (a
// series), so that recording stays quick however long the log is.
void MeasurementLogWindow::OnRowAppended() {
    if (!window()) return;
    const MeasurementRow& row = store_.log()[store_.log().size() - 1];
    const double x = PlotValue(row, x_);
    const double y = PlotValue(row, y_);
    if (std::isfinite(x) && std::isfinite(y)) {
        points_.xs.push_back(x);
        points_.ys.push_back(y);
        points_.rows.push_back(store_.log().size() - 1);
    }
    if (!refreshPending_) refreshPending_ = SetTimer(window(), kRefreshTimer, kRefreshDelay, nullptr) != 0;
    if (!refreshPending_) ShowNewRows();
}

LRESULT MeasurementLogWindow::OnTimer(const Message& m, bool& handled) {
    if (m.wParam != kRefreshTimer) {
        handled = false;
        return 0;
    }
    ShowNewRows();
    return 0;
}

void MeasurementLogWindow::ShowNewRows() {
    if (refreshPending_) KillTimer(window(), kRefreshTimer);
    refreshPending_ = false;
    if (static_cast<size_t>(ListView_GetItemCount(list())) != store_.log().size()) {
        UpdateRowCount(true);
        ShowPlot();
    }
    SetDlgItemTextW(window(), IDC_LOG_STATUS, store_.status().c_str());
}

void MeasurementLogWindow::OnRowsReplaced() {
    if (!window()) return;
    if (refreshPending_) KillTimer(window(), kRefreshTimer);
    refreshPending_ = false;
    // Indices change: the selection and a fitted line no longer mean the same rows.
    ListView_SetItemState(list(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    fit_.reset();
    fitRows_.clear();
    UpdateRowCount(false);
    RebuildPlot();
}

// The focus mark stays on a row: the last one, when the row that had it went.
void MeasurementLogWindow::KeepFocusMark() {
    const int count = ListView_GetItemCount(list());
    if (count > 0 && ListView_GetNextItem(list(), -1, LVNI_FOCUSED) < 0) {
        ListView_SetItemState(list(), count - 1, LVIS_FOCUSED, LVIS_FOCUSED);
    }
}

// Shown with the next update of the list, as a static paints itself at once.
void MeasurementLogWindow::OnStatusChanged() {
    if (!window()) return;
    if (!refreshPending_) refreshPending_ = SetTimer(window(), kRefreshTimer, kRefreshDelay, nullptr) != 0;
    if (!refreshPending_) SetDlgItemTextW(window(), IDC_LOG_STATUS, store_.status().c_str());
}

void MeasurementLogWindow::UpdateRowCount(bool scrollToEnd) {
    const int count = static_cast<int>(store_.log().size());
    ListView_SetItemCountEx(list(), count, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    InvalidateRect(list(), nullptr, FALSE);
    KeepFocusMark();
    if (!scrollToEnd || count == 0) return;
    // Scrolling costs a repaint of the list: only when the last row is out of sight.
    const int top = ListView_GetTopIndex(list());
    const int page = ListView_GetCountPerPage(list());
    if (count - 1 < top || count - 1 >= top + page) ListView_EnsureVisible(list(), count - 1, FALSE);
}

void MeasurementLogWindow::ChooseAxes(PlotX x, PlotY y) {
    if (x == x_ && y == y_) return;
    x_ = x;
    y_ = y;
    if (window()) {
        SendMessageW(Item(IDC_LOG_X), CB_SETCURSEL, static_cast<WPARAM>(x_), 0);
        SendMessageW(Item(IDC_LOG_Y), CB_SETCURSEL, static_cast<WPARAM>(y_), 0);
    }
    fit_.reset();
    fitRows_.clear();
    RebuildPlot();
}

void MeasurementLogWindow::RebuildPlot() {
    points_ = CollectPlotPoints(store_.log(), x_, y_);
    ShowPlot();
}

namespace {

// The ticks of one axis over the points' values, about one per `spacing`
// pixels of its `length`.
PlotAxis MakeAxis(const std::vector<double>& values, const wchar_t* title, int length, int spacing) {
    PlotAxis axis;
    axis.title = title;
    double low = 0, high = 1;
    if (!values.empty()) {
        const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
        low = *lowest;
        high = *highest;
    }
    AxisTicks ticks = NiceTicks(low, high, std::max(2, length / spacing));
    for (size_t k = 0; k < ticks.values.size(); ++k) axis.ticks.push_back({ticks.values[k], ticks.labels[k]});
    if (!ticks.values.empty()) {
        axis.min = ticks.values.front();
        axis.max = ticks.values.back();
    }
    return axis;
}

}  // namespace

void MeasurementLogWindow::ShowPlot() {
    if (!plot_.window()) return;
    RECT client;
    GetClientRect(plot_.window(), &client);
    PlotData data;
    // Each material its own colour and marker, so that two samples can be
    // compared on one plot.
    const PlotMaterials materials = MaterialsOfPoints(store_.log(), points_);
    for (int material : materials.materials) data.series.push_back({MaterialLegendName(material)});
    data.points.reserve(points_.xs.size());
    for (size_t k = 0; k < points_.xs.size(); ++k) {
        data.points.push_back({points_.xs[k], points_.ys[k], materials.ofPoint[k]});
    }
    data.x = MakeAxis(points_.xs, PlotLabel(x_), client.right, 90);
    data.y = MakeAxis(points_.ys, PlotLabel(y_), client.bottom, 50);

    // The selected rows that have a point: both lists rise.
    const std::vector<size_t> selected = SelectedRows();
    for (size_t row : selected) {
        auto at = std::lower_bound(points_.rows.begin(), points_.rows.end(), row);
        if (at != points_.rows.end() && *at == row) data.selected.push_back(static_cast<size_t>(at - points_.rows.begin()));
    }

    if (fit_ && fit_->defined) {
        PlotFit line;
        line.slope = fit_->slope;
        line.intercept = fit_->intercept;
        line.text = FitTextLines(*fit_, x_, y_);
        data.fit = std::move(line);
    }
    plot_.SetData(std::move(data));
}

std::vector<size_t> MeasurementLogWindow::SelectedRows() const {
    std::vector<size_t> rows;
    if (!window()) return rows;
    const size_t count = store_.log().size();
    for (int item = ListView_GetNextItem(list(), -1, LVNI_SELECTED); item >= 0;
         item = ListView_GetNextItem(list(), item, LVNI_SELECTED)) {
        if (static_cast<size_t>(item) < count) rows.push_back(static_cast<size_t>(item));
    }
    return rows;
}

void MeasurementLogWindow::OnSelectionChanged() {
    ShowPlot();
}

void MeasurementLogWindow::FitLine() {
    std::vector<size_t> rows = SelectedRows();
    const bool all = rows.empty();
    LineFit fit = FitPlotPoints(points_, rows);
    if (!fit.defined) {
        fit_.reset();
        MessageBeep(MB_ICONWARNING);
        store_.SetStatus(L"No line: a fit needs at least two points at different " + std::wstring(PlotLabel(x_)) +
                         L".");
        ShowPlot();
        return;
    }
    fit_ = fit;
    fitRows_ = std::move(rows);
    store_.SetStatus(L"Line fitted to " + Count(fit.n, L"point", L"points") +
                     (all ? L" (all readings)." : L" (the selected readings)."));
    ShowPlot();
}

bool MeasurementLogWindow::CopyRows() {
    const MeasurementLog& log = store_.log();
    if (log.empty()) {
        MessageBeep(MB_ICONWARNING);
        store_.SetStatus(L"Nothing to copy: the log is empty.");
        return false;
    }
    std::vector<size_t> rows = SelectedRows();
    if (rows.empty()) {
        rows.resize(log.size());
        for (size_t k = 0; k < rows.size(); ++k) rows[k] = k;
    }
    if (!PutTextOnClipboard(window(), LogTabSeparatedText(log, rows))) {
        store_.SetStatus(L"The clipboard could not be opened; another program may be holding it.");
        return false;
    }
    store_.SetStatus(Count(rows.size(), L"row", L"rows") + L" copied, with the column titles.");
    return true;
}

bool MeasurementLogWindow::CopyPlot() {
    if (!plot_.CopyToClipboard()) {
        store_.SetStatus(L"The plot could not be copied; another program may be holding the clipboard.");
        return false;
    }
    store_.SetStatus(L"The plot was copied as a picture.");
    return true;
}

void MeasurementLogWindow::DeleteSelectedRows() {
    const std::vector<size_t> rows = SelectedRows();
    if (rows.empty()) {
        MessageBeep(MB_ICONWARNING);
        store_.SetStatus(L"Select the rows to delete first.");
        return;
    }
    std::vector<MeasurementRow> removedRows;
    removedRows.reserve(rows.size());
    for (size_t row : rows) removedRows.push_back(store_.log()[row]);
    const size_t removed = store_.Remove(rows);
    if (removed == 0) return;
    Deleted(std::move(removedRows));
    store_.SetStatus(Count(removed, L"row", L"rows") + L" deleted; Undo (Ctrl+Z) brings them back.");
}

void MeasurementLogWindow::Deleted(std::vector<MeasurementRow> rows) {
    undo_.push_back(std::move(rows));
    EnableWindow(Item(IDC_LOG_UNDO), TRUE);
}

// Puts back the rows of the last Delete or Clear not undone yet, in their
// places and with their numbers, and selects them.
void MeasurementLogWindow::Undo() {
    if (undo_.empty()) {
        MessageBeep(MB_ICONWARNING);
        store_.SetStatus(L"Nothing to undo.");
        return;
    }
    std::vector<MeasurementRow> rows = std::move(undo_.back());
    undo_.pop_back();
    std::vector<int> numbers;
    numbers.reserve(rows.size());
    for (const MeasurementRow& row : rows) numbers.push_back(row.number);
    const size_t count = rows.size();
    if (!store_.PutBack(std::move(rows))) {
        // Only another copy of the program can have taken their numbers
        // meanwhile, or filled the log.
        MessageBeep(MB_ICONWARNING);
        store_.SetStatus(L"The deleted rows cannot be put back: the log has rows with their numbers now, or no "
                         L"room for them.");
    } else {
        std::sort(numbers.begin(), numbers.end());
        const MeasurementLog& log = store_.log();
        int first = -1;
        for (size_t k = 0; k < log.size(); ++k) {
            if (!std::binary_search(numbers.begin(), numbers.end(), log[k].number)) continue;
            if (first < 0) first = static_cast<int>(k);
            ListView_SetItemState(list(), static_cast<int>(k), LVIS_SELECTED, LVIS_SELECTED);
        }
        if (first >= 0) {
            ListView_SetItemState(list(), -1, 0, LVIS_FOCUSED);
            ListView_SetItemState(list(), first, LVIS_FOCUSED, LVIS_FOCUSED);
            ListView_EnsureVisible(list(), first, FALSE);
        }
        store_.SetStatus(Count(count, L"row", L"rows") + L" put back.");
    }
    if (undo_.empty()) {
        if (GetFocus() == Item(IDC_LOG_UNDO)) SetFocus(list());
        EnableWindow(Item(IDC_LOG_UNDO), FALSE);
    }
}

void MeasurementLogWindow::ClearLog() {
    const size_t count = store_.log().size();
    if (count == 0) {
        MessageBeep(MB_ICONWARNING);
        store_.SetStatus(L"The log is empty already.");
        return;
    }
    const std::wstring question = L"Delete all " + Count(count, L"reading", L"readings") +
                                  L" from the log?\n\nUndo (Ctrl+Z) brings them back until this window is closed.";
    if (MessageBoxW(window(), question.c_str(), caption_.c_str(), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) !=
        IDYES) {
        return;
    }
    std::vector<MeasurementRow> rows = store_.log().rows();
    store_.Clear();
    Deleted(std::move(rows));
    store_.SetStatus(L"The log was cleared; Undo (Ctrl+Z) brings the rows back.");
}

void MeasurementLogWindow::SaveCsvAs(const std::wstring& path) {
    if (!WriteLogFile(path, store_.log())) {
        MessageBoxW(window(), LogNotSavedToText(path).c_str(), caption_.c_str(), MB_OK | MB_ICONWARNING);
        return;
    }
    store_.SetStatus(Count(store_.log().size(), L"row", L"rows") + L" saved to " + path + L".");
}

void MeasurementLogWindow::SavePngAs(const std::wstring& path) {
    if (!plot_.SavePng(path)) {
        const std::wstring text = L"The plot could not be saved to\n" + path + L".";
        MessageBoxW(window(), text.c_str(), caption_.c_str(), MB_OK | MB_ICONWARNING);
        return;
    }
    store_.SetStatus(L"The plot was saved to " + path + L".");
}

std::wstring MeasurementLogWindow::AskFileName(const wchar_t* filter, const wchar_t* extension,
                                               const wchar_t* suggested) {
    return AskSaveFileName(window(), filter, extension, suggested);
}
