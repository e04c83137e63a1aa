#include "editor/editable_list_view.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

#include "numtext/number_format.h"
#include "numtext/number_parse.h"
#include "ui/accessible_win.h"

std::wstring ListCellText(HWND listView, int row, int column) {
    wchar_t text[CellEditor::kTextUnits] = {};
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = CellEditor::kTextUnits;
    SendMessageW(listView, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    text[CellEditor::kTextUnits - 1] = L'\0';
    return text;
}

void SetListCellText(HWND listView, int row, int column, std::wstring text) {
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = &text[0];
    SendMessageW(listView, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

namespace {

RECT CellRect(HWND listView, int row, int column) {
    RECT cell = {};
    cell.top = column;
    cell.left = LVIR_BOUNDS;
    SendMessageW(listView, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
    return cell;
}

}  // namespace

void EditableListView::BeginCellEdit(const NMITEMACTIVATE& click, int firstEditableColumn) {
    if (click.iItem < 0 || click.iSubItem < 0 || click.iSubItem < firstEditableColumn) return;
    BeginCellEditAt(click.iItem, click.iSubItem);
}

void EditableListView::BeginFocusedRowEdit(int firstEditableColumn) {
    int row = static_cast<int>(SendMessageW(listView_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (row < 0 && SendMessageW(listView_, LVM_GETITEMCOUNT, 0, 0) > 0) row = 0;
    if (row < 0 || editing()) return;
    BeginCellEditAt(row, lastColumn_ >= firstEditableColumn ? lastColumn_ : firstEditableColumn);
}

void EditableListView::MoveCellEdit(int step, int firstEditableColumn, const wchar_t* format) {
    if (!editing()) return;
    const int row = editRow_;
    const int column = editColumn_ + step;
    CommitCellEdit(format);
    HWND header = reinterpret_cast<HWND>(SendMessageW(listView_, LVM_GETHEADER, 0, 0));
    const int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    // At either end of the row the edit just ends, and the list has the keyboard.
    if (column >= firstEditableColumn && column < columns) BeginCellEditAt(row, column);
}

void EditableListView::BeginCellEditAt(int row, int column) {
    editRow_ = row;
    editColumn_ = column;
    lastColumn_ = column;
    // The row the edit is in is the list's focused one, so that the arrow
    // keys go on from there once the edit ends.
    ListView_SetItemState(listView_, row, LVIS_FOCUSED, LVIS_FOCUSED);

    // A cell reached from the keyboard may lie out of view: the list scrolls
    // to it first, so that the box over it is seen.
    SendMessageW(listView_, LVM_ENSUREVISIBLE, row, FALSE);
    RECT cell = CellRect(listView_, row, column);
    RECT client = {};
    GetClientRect(listView_, &client);
    const int dx = cell.right > client.right ? std::min<int>(cell.right - client.right, cell.left)
                                             : std::min<int>(cell.left, 0);
    if (dx != 0) {
        SendMessageW(listView_, LVM_SCROLL, dx, 0);
        cell = CellRect(listView_, row, column);
    }

    const std::wstring shown = ListCellText(listView_, editRow_, editColumn_);
    editText_[shown.copy(editText_, CellEditor::kTextUnits - 1)] = L'\0';

    HFONT font = reinterpret_cast<HFONT>(SendMessageW(listView_, WM_GETFONT, 0, 0));
    if (!editor_.Begin(listView_, cell, editText_, font)) return;
    // A screen reader says which cell is being edited: its column and row.
    wchar_t header[32] = {};
    LVCOLUMNW about = {};
    about.mask = LVCF_TEXT;
    about.pszText = header;
    about.cchTextMax = static_cast<int>(std::size(header));
    SendMessageW(listView_, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&about));
    const std::wstring name = std::wstring(header) + L", material " + FormatInteger(row + 1);
    SetAccessibleName(editor_.window(), name.c_str());
}

void EditableListView::CommitCellEdit(const wchar_t* format) {
    if (!editing()) return;
    const int row = editRow_;
    const int column = editColumn_;
    // Closed first: destroying the box ends the edit once more (it loses the
    // focus), and that nested end must find no edit open.
    editRow_ = -1;
    editColumn_ = -1;

    // Read as the dialog reads its cells: a cell showing "1.#INF", confirmed
    // unchanged, stays an infinity.
    SetListCellText(listView_, row, column, FormatReal(ParseShownReal(editText_), format, true));
    editor_.Close();
}

void EditableListView::CancelCellEdit() {
    if (!editing()) return;
    editRow_ = -1;
    editColumn_ = -1;
    editor_.Close();
}

bool EditableListView::EditChangesCell(const wchar_t* format) const {
    if (!editing() || !editor_.window()) return false;
    // Read as the end of the edit will read it.
    wchar_t typed[CellEditor::kTextUnits] = {};
    GetWindowTextW(editor_.window(), typed, CellEditor::kTextUnits);
    return FormatReal(ParseShownReal(typed), format, true) != ListCellText(listView_, editRow_, editColumn_);
}
