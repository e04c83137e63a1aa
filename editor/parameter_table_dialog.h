#pragma once

#include <array>
#include <string>
#include <vector>

#include "editor/editable_list_view.h"
#include "model/material_table.h"
#include "ui/dialog.h"

// The working copy that the parameter editor shows and edits: the number of
// materials and one array per parameter column (element i is material i + 1).
struct ParameterArrays {
    int32_t count = 0;
    std::array<std::vector<double>, kParameterCount> params;
};

// The material table as a grid, one row per material and one column per
// parameter, with cells edited in place. It works on a copy: the arrays are
// read when the dialog opens and written back from the cells when it closes,
// whether with OK (1) or Cancel (2); the caller keeps them only after OK. A
// dialog whose cells could not all be read back ends as cancelled.
class ParameterTableDialog : public ModalDialog {
public:
    ParameterTableDialog(const std::wstring& caption, ParameterArrays& arrays)
        : caption_(caption), arrays_(arrays) {}

    INT_PTR Run(HWND owner);

    // Whether a cell, or the cell being edited, shows another number than the
    // dialog was opened with.
    bool HasChangedCells() const;

    // Takes every cell into the arrays now, an open edit included, as OK does,
    // and ends the dialog with OK; for the end of the session, after which the
    // program may not run long enough to see the dialog close. False, with
    // nothing taken, when the cells cannot be read back.
    bool ConfirmNow();

protected:
    LRESULT HandleMessage(const Message& message, bool& handled) override;

private:
    LRESULT OnInitDialog();
    void OnDoubleClick(const NMITEMACTIVATE& click);
    bool OnListKey(const NMLVKEYDOWN& key);
    void OnEndCellEdit(WPARAM end);
    bool OnDestroy();
    bool HoldsItsRows() const;
    bool ReadBackCells();
    std::wstring CellText(int row, int k) const;

    const std::wstring& caption_;
    ParameterArrays& arrays_;
    EditableListView list_;
    bool cellsLost_ = false;
};
