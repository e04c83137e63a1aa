#include "editor/editable_list_view.h"

#include <commctrl.h>

#include "numtext/number_format.h"
#include "numtext/number_parse.h"

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

void EditableListView::BeginCellEdit(const NMITEMACTIVATE& click, int firstEditableColumn) {
    if (click.iItem < 0 || click.iSubItem < 0 || click.iSubItem < firstEditableColumn) return;
    editRow_ = click.iItem;
    editColumn_ = click.iSubItem;

    RECT cell = {};
    cell.top = editColumn_;
    cell.left = LVIR_BOUNDS;
    SendMessageW(listView_, LVM_GETSUBITEMRECT, editRow_, reinterpret_cast<LPARAM>(&cell));

    const std::wstring shown = ListCellText(listView_, editRow_, editColumn_);
    editText_[shown.copy(editText_, CellEditor::kTextUnits - 1)] = L'\0';

    HFONT font = reinterpret_cast<HFONT>(SendMessageW(listView_, WM_GETFONT, 0, 0));
    editor_.Begin(listView_, cell, editText_, font);
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
