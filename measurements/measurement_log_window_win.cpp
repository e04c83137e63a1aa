#include "measurements/measurement_log_window_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

#include "measurements/log_window_layout_win.h"
#include "measurements/log_window_list_win.h"
#include "ui/centre_window.h"
#include "ui/file_dialog.h"
#include "ui/item_names_win.h"
#include "ui/system_colours.h"

namespace {

// What the plot shows, in words, for a screen reader: the axes, the number of
// points and of those selected, and the fitted line as its box gives it.
std::wstring DescribePlot(HWND, void* plot) {
    const PlotData& data = static_cast<const PlotView*>(plot)->data();
    std::wstring text = data.y.title + L" against " + data.x.title + L": " +
                        CountText(data.points.size(), L"point", L"points") + L".";
    if (!data.selected.empty()) text += L" " + CountText(data.selected.size(), L"point", L"points") + L" selected.";
    if (data.fit) {
        text += L" Fitted line:";
        for (const std::wstring& line : data.fit->text) text += L" " + line + L";";
        text.back() = L'.';
    }
    return text;
}

}  // namespace

MeasurementLogWindow::MeasurementLogWindow(LogStore& store, HACCEL accelerators, HWND commandTarget,
                                           std::wstring caption)
    : store_(store),
      accelerators_(accelerators),
      commandTarget_(commandTarget),
      caption_(std::move(caption)) {}

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
        {WM_INITDIALOG, kAnyId, kAnyCode, Handler<&W::OnInitDialog>},
        {WM_COMMAND, kAnyId, kAnyCode, Handler<&W::OnCommand>},
        {WM_NOTIFY, IDC_LOG_LIST, kAnyCode, Handler<&W::OnListNotify>},
        {WM_SIZE, kAnyId, kAnyCode, Handler<&W::OnSize>},
        {WM_GETMINMAXINFO, kAnyId, kAnyCode, Handler<&W::OnGetMinMaxInfo>},
        {WM_TIMER, kAnyId, kAnyCode, Handler<&W::OnTimer>},
        {WM_DESTROY, kAnyId, kAnyCode, Handler<&W::OnDestroy>},
    };
    return DispatchMessageMap(*this, kMessageMap, message, handled);
}

LRESULT MeasurementLogWindow::OnInitDialog() {
    HWND self = window();
    filteringLoop_ = CurrentMessageLoop();
    if (filteringLoop_) filteringLoop_->RegisterFilter(this);

    HWND list = this->list();
    const int columnsWidth = AddLogColumns(self, list);
    FillAxisChoices(Item(IDC_LOG_X), Item(IDC_LOG_Y), x_, y_);

    // The template only holds the plot's place.
    HWND placeholder = Item(IDC_LOG_PLOT);
    const RECT plotPlace = ChildRect(placeholder);
    DestroyWindow(placeholder);
    // A tab stop, after the axes' lists: the keyboard reaches the plot, and a
    // screen reader then reads what it shows.
    plot_.Create(self, plotPlace, IDC_LOG_PLOT, WS_TABSTOP);
    // The buttons are read by their own texts; the rest is named here.
    static const ItemName kNames[] = {
        {IDC_LOG_LIST, L"Readings"}, {IDC_LOG_X, L"X"}, {IDC_LOG_Y, L"Y"}, {IDC_LOG_PLOT, L"Plot"}};
    NameItems(self, kNames, std::size(kNames));
    // What the plot shows changes with every reading and fit: asked afresh.
    SetAccessibleDescriber(plot_.window(), &DescribePlot, &plot_);
    FollowSystemColours(self);

    const int templateWidth = WidenLogWindowToColumns(self, list, columnsWidth);
    minimumSize_ = LogWindowMinimumSize(self, templateWidth);

    store_.SetListener(this);
    SetItemText(IDC_LOG_STATUS, store_.status());
    ShowPlot(true);
    LayOutLogWindow(self, list, plot_.window());
    ShowLogRowCount(list, static_cast<int>(store_.log().size()), true);
    SetFocus(list);
    // A dialog opened with the mouse hides focus marks until a key is
    // pressed; the list shows its focused row from the start, so that the
    // arrow keys are seen to work on it.
    SendMessageW(self, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    return FALSE;  // the focus is set
}

bool MeasurementLogWindow::OnDestroy() {
    // What was deleted can be brought back only while the window that
    // deleted it is open.
    undo_.clear();
    store_.SetListener(nullptr);
    if (filteringLoop_) filteringLoop_->UnregisterFilter(this);
    filteringLoop_ = nullptr;
    return false;  // the dialog's own handling goes on
}

bool MeasurementLogWindow::OnCommand(int id, int code) {
    switch (id) {
    case IDCANCEL: {
        // Escape, the close box and Alt+F4 end here; the place is kept for
        // the next opening in this session.
        undo_.clear();
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof placement;
        if (GetWindowPlacement(window(), &placement)) placement_ = placement;
        DestroyWindow(window());
        return true;
    }
    case IDC_LOG_FIT:
        FitLine();
        return true;
    case IDC_LOG_COPY:
        CopyRows();
        return true;
    case IDC_LOG_COPY_PLOT:
        CopyPlot();
        return true;
    case IDC_LOG_SAVE_PNG: {
        std::wstring path = AskSaveFileName(window(), L"PNG pictures (*.png)\0*.png\0All files (*.*)\0*.*\0", L"png", L"plot.png");
        if (!path.empty()) SavePngAs(path);
        return true;
    }
    case IDC_LOG_SAVE_CSV: {
        std::wstring path =
            AskSaveFileName(window(), L"CSV files (*.csv)\0*.csv\0All files (*.*)\0*.*\0", L"csv", L"measurements.csv");
        if (!path.empty()) SaveCsvAs(path);
        return true;
    }
    case IDC_LOG_DELETE:
        DeleteSelectedRows();
        return true;
    case IDC_LOG_CLEAR:
        ClearLog();
        return true;
    case IDC_LOG_UNDO:
        Undo();
        return true;
    case IDC_LOG_X:
    case IDC_LOG_Y:
        if (code != CBN_SELCHANGE) break;
        ChooseAxes(static_cast<PlotX>(ComboChoice(IDC_LOG_X)), static_cast<PlotY>(ComboChoice(IDC_LOG_Y)));
        return true;
    case IDOK:  // Enter: nothing to confirm
        return true;
    }
    return false;
}

bool MeasurementLogWindow::OnListNotify(NMHDR& header) {
    switch (header.code) {
    case LVN_GETDISPINFOW:
        GiveLogCellText(store_.log(), reinterpret_cast<NMLVDISPINFOW&>(header), cellText_);
        return true;
    case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) && ((change.uOldState ^ change.uNewState) & LVIS_SELECTED)) ShowPlot();
        return true;
    }
    case LVN_ODSTATECHANGED:
        ShowPlot();
        return true;
    }
    return false;
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

void MeasurementLogWindow::OnSize(UINT kind, int, int) {
    if (kind != SIZE_MINIMIZED && plot_.window()) {
        LayOutLogWindow(window(), list(), plot_.window());
        ShowPlot();  // the ticks follow the plot's size
    }
}

void MeasurementLogWindow::OnGetMinMaxInfo(MINMAXINFO& info) {
    if (minimumSize_.cx > 0) {
        info.ptMinTrackSize.x = minimumSize_.cx;
        info.ptMinTrackSize.y = minimumSize_.cy;
    }
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
    // Without a timer, the refresh it would have made, now.
    if (!refreshPending_) OnTimer(kRefreshTimer);
}

bool MeasurementLogWindow::OnTimer(WPARAM id) {
    if (id != kRefreshTimer) return false;
    if (refreshPending_) KillTimer(window(), kRefreshTimer);
    refreshPending_ = false;
    if (static_cast<size_t>(ListView_GetItemCount(list())) != store_.log().size()) {
        ShowLogRowCount(list(), static_cast<int>(store_.log().size()), true);
        ShowPlot();
    }
    SetItemText(IDC_LOG_STATUS, store_.status());
    return true;
}

void MeasurementLogWindow::OnRowsReplaced() {
    if (!window()) return;
    if (refreshPending_) KillTimer(window(), kRefreshTimer);
    refreshPending_ = false;
    // Indices change: the selection and a fitted line no longer mean the same rows.
    ListView_SetItemState(list(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    fit_.reset();
    fitRows_.clear();
    ShowLogRowCount(list(), static_cast<int>(store_.log().size()), false);
    ShowPlot(true);
}

// Shown with the next update of the list, as a static paints itself at once.
void MeasurementLogWindow::OnStatusChanged() {
    if (!window()) return;
    if (!refreshPending_) refreshPending_ = SetTimer(window(), kRefreshTimer, kRefreshDelay, nullptr) != 0;
    if (!refreshPending_) SetItemText(IDC_LOG_STATUS, store_.status());
}

std::vector<size_t> MeasurementLogWindow::SelectedRows() const {
    if (!window()) return {};
    return SelectedLogRows(list(), store_.log().size());
}

void MeasurementLogWindow::SaveCsvAs(const std::wstring& path) {
    if (!WriteLogFile(path, store_.log())) {
        MessageBoxW(window(), LogNotSavedToText(path).c_str(), caption_.c_str(), MB_OK | MB_ICONWARNING);
        return;
    }
    store_.SetStatus(CountText(store_.log().size(), L"row", L"rows") + L" saved to " + path + L".");
}
