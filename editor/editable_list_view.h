#pragma once

#include <windows.h>

#include <string>

#include "editor/cell_editor.h"

// A list-view cell's text as far as a cell is edited: its first
// CellEditor::kTextUnits - 1 units.
std::wstring ListCellText(HWND listView, int row, int column);
void SetListCellText(HWND listView, int row, int column, std::wstring text);

// A report-view list over which single cells can be edited in place: a double
// click on an editable cell opens a CellEditor over it; the end of the edit
// (Enter, or the focus going elsewhere) writes the typed number back into the
// cell, formatted. The list-view itself is only attached, never subclassed.
class EditableListView {
public:
    void Attach(HWND listView) { listView_ = listView; }
    HWND window() const { return listView_; }

    // For a double click on a cell at or right of `firstEditableColumn`: opens
    // the editor over it with the cell's text.
    void BeginCellEdit(const NMITEMACTIVATE& click, int firstEditableColumn);
    // For F2: opens the editor over the focused row's cell in the column
    // edited last (at first `firstEditableColumn`).
    void BeginFocusedRowEdit(int firstEditableColumn);
    // Ends the open edit as Enter does, then opens the cell `step` columns
    // along its row, if there is one at or right of `firstEditableColumn`.
    void MoveCellEdit(int step, int firstEditableColumn, const wchar_t* format);

    // Ends an open edit: the edit's text is read as a number (ParseReal) and
    // the cell shows it in `format`, trimmed. Does nothing when no edit is open.
    void CommitCellEdit(const wchar_t* format);

    // Ends an open edit without touching its cell.
    void CancelCellEdit();

    // Whether the open edit, ended now, would change the text of its cell
    // (shown in `format`); false when no edit is open.
    bool EditChangesCell(const wchar_t* format) const;

    bool editing() const { return editRow_ >= 0 && editColumn_ >= 0; }
    CellEditor& editor() { return editor_; }

private:
    void BeginCellEditAt(int row, int column);

    HWND listView_ = nullptr;
    int lastColumn_ = -1;
    int editRow_ = -1;
    int editColumn_ = -1;
    wchar_t editText_[CellEditor::kTextUnits] = {};
    CellEditor editor_;
};
