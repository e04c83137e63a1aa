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

// The list's columns: their widths in dialog units.
constexpr int kColumnWidths[kLogColumnCount] = {28, 78, 36, 30, 36, 36, 36, 36, 36, 36, 36, 36, 44, 44};

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
    for (int column = 0; column < kLogColumnCount; ++column) {
        LVCOLUMNW c = {};
        c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        c.fmt = column == kLogTime ? LVCFMT_LEFT : LVCFMT_RIGHT;
        c.cx = DialogUnitsX(self, kColumnWidths[column]);
        c.pszText = const_cast<wchar_t*>(kLogColumnTitles[column]);
        ListView_InsertColumn(list, column, &c);
    }
    FillAxisChoices();

    // The template only holds the plot's place.
    HWND placeholder = Item(IDC_LOG_PLOT);
    const RECT plotPlace = ChildRect(placeholder);
    DestroyWindow(placeholder);
    plot_.Create(self, plotPlace, IDC_LOG_PLOT);

    RECT window;
    GetWindowRect(self, &window);
    minimumSize_ = {(window.right - window.left) * 3 / 5, (window.bottom - window.top) * 3 / 5};

    store_.SetListener(this);
    SetDlgItemTextW(self, IDC_LOG_STATUS, store_.status().c_str());
    RebuildPlot();
    LayOut();
    UpdateRowCount(true);
    SetFocus(list);
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
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (GetWindowPlacement(window(), &placement)) placement_ = placement;
    DestroyWindow(window());
    return 0;
}

LRESULT MeasurementLogWindow::OnDestroy(const Message&, bool& handled) {
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

// The buttons and the axes' choices stay where the template puts them; the
// list takes the upper part of the rest and the plot the lower, above the
// status line.
void MeasurementLogWindow::LayOut() {
    HWND self = window();
    RECT client;
    GetClientRect(self, &client);
    const int margin = DialogUnitsX(self, 7);
    const int gap = DialogUnitsY(self, 4);
    const int width = std::max(0, static_cast<int>(client.right) - 2 * margin);

    const RECT listPlace = ChildRect(list());
    const int statusHeight = DialogUnitsY(self, 10);
    const int statusTop = std::max(static_cast<int>(listPlace.top), static_cast<int>(client.bottom) - margin / 2 - statusHeight);
    const int choiceHeight = DialogUnitsY(self, 14);
    const int free = std::max(0, statusTop - static_cast<int>(listPlace.top) - choiceHeight - 2 * gap);
    const int listHeight = free * 2 / 5;
    const int choiceTop = listPlace.top + listHeight + gap;
    const int plotTop = choiceTop + choiceHeight;
    const int plotHeight = std::max(0, statusTop - gap - plotTop);

    HDWP moves = BeginDeferWindowPos(8);
    auto move = [&](HWND child, int x, int y, int w, int h) {
        if (moves) moves = DeferWindowPos(moves, child, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    auto moveTo = [&](int id, int y) {
        HWND child = Item(id);
        const RECT r = ChildRect(child);
        move(child, r.left, y, r.right - r.left, r.bottom - r.top);
    };
    move(list(), margin, listPlace.top, width, listHeight);
    moveTo(IDC_LOG_X_LABEL, choiceTop + DialogUnitsY(self, 2));
    moveTo(IDC_LOG_X, choiceTop);
    moveTo(IDC_LOG_Y_LABEL, choiceTop + DialogUnitsY(self, 2));
    moveTo(IDC_LOG_Y, choiceTop);
    move(plot_.window(), margin, plotTop, width, plotHeight);
    move(Item(IDC_LOG_STATUS), margin, statusTop, width, statusHeight);
    if (moves) EndDeferWindowPos(moves);
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
    const size_t removed = store_.Remove(rows);
    store_.SetStatus(Count(removed, L"row", L"rows") + L" deleted.");
}

void MeasurementLogWindow::ClearLog() {
    const size_t count = store_.log().size();
    if (count == 0) {
        MessageBeep(MB_ICONWARNING);
        store_.SetStatus(L"The log is empty already.");
        return;
    }
    const std::wstring question =
        L"Delete all " + Count(count, L"reading", L"readings") + L" from the log?\n\nThis cannot be undone.";
    if (MessageBoxW(window(), question.c_str(), caption_.c_str(), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) !=
        IDYES) {
        return;
    }
    store_.Clear();
    store_.SetStatus(L"The log was cleared.");
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
