#include "editor/parameter_table_dialog.h"

#include <commctrl.h>

#include "numtext/number_format.h"
#include "numtext/number_parse.h"
#include "res/resource.h"
#include "ui/accessible_win.h"
#include "ui/centre_window.h"
#include "ui/window_dpi.h"

namespace {

struct Column {
    const wchar_t* header;
    int format;  // LVCFMT_LEFT, LVCFMT_CENTER or LVCFMT_RIGHT
    int width;   // pixels at 96 DPI; as many more as the display is scaled
};

// "N", then the parameter columns in the table's order.
const Column kColumns[] = {
    {L"N", LVCFMT_LEFT, 50},          {L"Nd", LVCFMT_CENTER, 100},      {L"Na", LVCFMT_CENTER, 100},
    {L"\u03BCnL0", LVCFMT_RIGHT, 80}, {L"\u03BCnI0", LVCFMT_RIGHT, 80}, {L"TL0", LVCFMT_RIGHT, 70},
    {L"TI0", LVCFMT_RIGHT, 70},       {L"\u03B1", LVCFMT_RIGHT, 60},    {L"\u03B2", LVCFMT_RIGHT, 60},
    {L"b", LVCFMT_RIGHT, 60},         {L"ni0", LVCFMT_CENTER, 100},     {L"Eg", LVCFMT_RIGHT, 60},
    {L"ARand", LVCFMT_RIGHT, 60},
};

constexpr int kFirstParameterColumn = 1;

}  // namespace

INT_PTR ParameterTableDialog::Run(HWND owner) {
    const INT_PTR result = ModalDialog::Run(IDD_PARAMETER_TABLE, owner);
    return cellsLost_ ? kDialogCancel : result;
}

// OK and Cancel (Enter and Escape with no cell open, the close box) end it
// as any modal dialog; the cells are read back as it is destroyed.
LRESULT ParameterTableDialog::HandleMessage(const Message& message, bool& handled) {
    using D = ParameterTableDialog;
    static const MessageMapEntry<D> kMessageMap[] = {
        {WM_INITDIALOG, kAnyId, kAnyCode, Handler<&D::OnInitDialog>},
        {WM_NOTIFY, kAnyId, static_cast<int>(NM_DBLCLK), Handler<&D::OnDoubleClick>},
        {WM_NOTIFY, IDC_PARAMETER_LIST, static_cast<int>(LVN_KEYDOWN), Handler<&D::OnListKey>},
        {WM_ENDCELLEDIT, kAnyId, kAnyCode, Handler<&D::OnEndCellEdit>},
        {WM_DESTROY, kAnyId, kAnyCode, Handler<&D::OnDestroy>},
    };
    return DispatchMessageMap(*this, kMessageMap, message, handled);
}

LRESULT ParameterTableDialog::OnInitDialog() {
    CentreWindow(window());
    SetWindowTextW(window(), (caption_ + L":  Semiconductor Parameters").c_str());

    list_.Attach(Item(IDC_PARAMETER_LIST));
    SetAccessibleName(list_.window(), L"Semiconductor Parameters");
    HWND list = list_.window();
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT,
                 LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);

    const int dpi = WindowDpi(window());
    int index = 0;
    for (const Column& column : kColumns) {
        LVCOLUMNW lvColumn = {};
        lvColumn.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        lvColumn.fmt = column.format;
        lvColumn.cx = PixelsAtDpi(column.width, dpi);
        lvColumn.pszText = const_cast<wchar_t*>(column.header);
        lvColumn.iSubItem = index;
        SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&lvColumn));
        ++index;
    }

    // Filled with drawing off: the rows appear at once, not one by one.
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_SETITEMCOUNT, arrays_.count, 0);
    for (int row = 0; row < arrays_.count; ++row) {
        std::wstring number = FormatInteger(row + 1);
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = &number[0];
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        for (int k = 0; k < kParameterCount; ++k) {
            SetListCellText(list, row, k + kFirstParameterColumn,
                            FormatReal(arrays_.params[k][row], kTableFormat, true));
        }
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    return TRUE;  // the dialog manager sets the focus: the OK button
}

void ParameterTableDialog::OnDoubleClick(const NMITEMACTIVATE& click) {
    list_.BeginCellEdit(click, kFirstParameterColumn);
}

// F2, as in other programs' lists, edits the focused material's cell: the
// keyboard's way to what a double click does. Every other key is the list's.
bool ParameterTableDialog::OnListKey(const NMLVKEYDOWN& key) {
    if (key.wVKey != VK_F2) return false;
    list_.BeginFocusedRowEdit(kFirstParameterColumn);
    return true;
}

void ParameterTableDialog::OnEndCellEdit(WPARAM end) {
    switch (end) {
    case kCellEditAbandoned:
        list_.CancelCellEdit();
        break;
    case kCellEditNext:
    case kCellEditPrevious:
        list_.MoveCellEdit(end == kCellEditNext ? 1 : -1, kFirstParameterColumn, kTableFormat);
        break;
    default:
        list_.CommitCellEdit(kTableFormat);
    }
}

// Passed on in every case: the dialog manager's own clean-up goes on.
bool ParameterTableDialog::OnDestroy() {
    list_.CommitCellEdit(kTableFormat);
    if (!ReadBackCells()) return false;
    HWND list = list_.window();
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    for (int column = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) - 1; column >= 0;
         --column) {
        SendMessageW(list, LVM_DELETECOLUMN, column, 0);
    }
    return false;
}

bool ParameterTableDialog::HoldsItsRows() const {
    HWND list = list_.window();
    return IsWindow(list) && SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == arrays_.count;
}

// The cells are the table while the dialog is open. A list that is gone, or
// holds other rows than it was given, has nothing to read back: the arrays
// keep what they had, and the caller is told that nothing may be taken.
bool ParameterTableDialog::ReadBackCells() {
    if (!HoldsItsRows()) {
        cellsLost_ = true;
        return false;
    }
    for (int row = 0; row < arrays_.count; ++row) {
        for (int k = 0; k < kParameterCount; ++k) arrays_.params[k][row] = ParseShownReal(CellText(row, k));
    }
    return true;
}

// The text of parameter k's cell in a row, as far as a cell's text is read.
std::wstring ParameterTableDialog::CellText(int row, int k) const {
    return ListCellText(list_.window(), row, k + kFirstParameterColumn);
}

bool ParameterTableDialog::HasChangedCells() const {
    if (list_.EditChangesCell(kTableFormat)) return true;
    if (!HoldsItsRows()) return false;
    // The arrays keep what the dialog was opened with until it closes, and
    // each cell showed its value formatted so.
    for (int row = 0; row < arrays_.count; ++row) {
        for (int k = 0; k < kParameterCount; ++k) {
            if (FormatReal(arrays_.params[k][row], kTableFormat, true) != CellText(row, k)) return true;
        }
    }
    return false;
}

bool ParameterTableDialog::ConfirmNow() {
    // An open edit ends as Enter ends it: its text goes into its cell.
    if (list_.editing()) list_.editor().EndEdit();
    list_.CommitCellEdit(kTableFormat);
    if (!ReadBackCells()) return false;
    End(kDialogOk);
    return true;
}
