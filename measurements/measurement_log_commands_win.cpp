// The commands of the log's window on the log's rows: copy them, delete the
// selected ones, clear the log, and undo a Delete or Clear while the window
// that made it is open. Each tells the status line what came of it.
#include "measurements/measurement_log_window_win.h"

#include <utility>

#include "measurements/log_codec.h"
#include "measurements/log_window_list_win.h"
#include "ui/clipboard.h"

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
    store_.SetStatus(CountText(rows.size(), L"row", L"rows") + L" copied, with the column titles.");
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
    undo_.push_back(std::move(removedRows));
    EnableItem(IDC_LOG_UNDO, true);
    store_.SetStatus(CountText(removed, L"row", L"rows") + L" deleted; Undo (Ctrl+Z) brings them back.");
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
        SelectLogRowsByNumber(list(), store_.log(), std::move(numbers));
        store_.SetStatus(CountText(count, L"row", L"rows") + L" put back.");
    }
    if (undo_.empty()) {
        if (GetFocus() == Item(IDC_LOG_UNDO)) SetFocus(list());
        EnableItem(IDC_LOG_UNDO, false);
    }
}

void MeasurementLogWindow::ClearLog() {
    const size_t count = store_.log().size();
    if (count == 0) {
        MessageBeep(MB_ICONWARNING);
        store_.SetStatus(L"The log is empty already.");
        return;
    }
    const std::wstring question = L"Delete all " + CountText(count, L"reading", L"readings") +
                                  L" from the log?\n\nUndo (Ctrl+Z) brings them back until this window is closed.";
    if (MessageBoxW(window(), question.c_str(), caption_.c_str(), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) !=
        IDYES) {
        return;
    }
    std::vector<MeasurementRow> rows = store_.log().rows();
    store_.Clear();
    undo_.push_back(std::move(rows));
    EnableItem(IDC_LOG_UNDO, true);
    store_.SetStatus(L"The log was cleared; Undo (Ctrl+Z) brings the rows back.");
}
