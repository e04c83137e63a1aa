#include "editor_script.h"

#include <commctrl.h>

#include <utility>

#include "res/resource.h"

void OpenParameterEditor(HWND panel) {
    SendMessageW(panel, WM_SYSCOMMAND, IDM_PARAMETERS, 0);
}

void EnterPassword(DialogScript& script, std::wstring password) {
    script.Then("type the password", [password] {
        HWND dialog = PasswordWindow();
        if (!dialog) return false;
        SetDlgItemTextW(dialog, IDC_PASSWORD, password.c_str());
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return true;
    });
}

HWND PasswordWindow() {
    return FindDialogWith(IDC_PASSWORD);
}

HWND Table() {
    return FindDialogWith(IDC_PARAMETER_LIST);
}

HWND List() {
    return GetDlgItem(Table(), IDC_PARAMETER_LIST);
}

std::wstring Cell(int row, int column) {
    wchar_t text[64] = {};
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 64;
    SendMessageW(List(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

void DoubleClick(int row, int column) {
    NMITEMACTIVATE click = {};
    click.hdr.hwndFrom = List();
    click.hdr.idFrom = IDC_PARAMETER_LIST;
    click.hdr.code = NM_DBLCLK;
    click.iItem = row;
    click.iSubItem = column;
    SendMessageW(Table(), WM_NOTIFY, IDC_PARAMETER_LIST, reinterpret_cast<LPARAM>(&click));
}

HWND CellEditorWindow() {
    return FindWindowExW(List(), nullptr, L"TesmorCellEditor", nullptr);
}

HWND TypeIntoCell(int row, int column, const std::wstring& text) {
    DoubleClick(row, column);
    HWND editor = CellEditorWindow();
    if (editor) SetWindowTextW(editor, text.c_str());
    return editor;
}

bool EnterCellText(int row, int column, const std::wstring& text) {
    HWND editor = TypeIntoCell(row, column, text);
    if (!editor) return false;
    SendMessageW(editor, WM_KEYDOWN, VK_RETURN, 0);
    return true;
}

void EditCell(DialogScript& script, int row, int column, std::wstring text) {
    script.Then("edit a cell", [row, column, text] { return Table() && EnterCellText(row, column, text); });
}

namespace {

bool ClickOnTable(int row, int column, const std::wstring& text, int command) {
    HWND table = Table();
    if (!table) return false;
    if (!TypeIntoCell(row, column, text)) return false;
    SetFocus(GetDlgItem(table, command));
    SendMessageW(table, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
    return true;
}

}  // namespace

void ClickWhileEditing(DialogScript& script, int row, int column, std::wstring text, int command) {
    script.Then("type into a cell, then click a button",
                [row, column, text, command] { return ClickOnTable(row, column, text, command); });
}

void ClickOkWhileEditing(int row, int column, const std::wstring& text) {
    ClickOnTable(row, column, text, IDOK);
}

void Press(DialogScript& script, HWND (*dialog)(), int command) {
    script.Then("press a button", [dialog, command] {
        HWND window = dialog();
        if (!window) return false;
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
        return true;
    });
}

void HoldModifiers(unsigned modifiers) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    auto hold = [&state](int key, bool down) { state[key] = down ? 0x80 : 0; };
    hold(VK_SHIFT, modifiers & kShift);
    hold(VK_LSHIFT, modifiers & kShift);
    hold(VK_CONTROL, modifiers & kControl);
    hold(VK_LCONTROL, modifiers & kControl);
    hold(VK_MENU, modifiers & kAlt);
    hold(VK_LMENU, modifiers & kAlt);
    SetKeyboardState(state);
}

void PostKey(HWND window, UINT key, unsigned modifiers) {
    HoldModifiers(modifiers);
    const UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    const bool alt = modifiers & kAlt;
    // Repeat count 1, the scan code, the context code (bit 29) with Alt, and
    // on release the previous-state and transition bits.
    const LPARAM down = 1 | (scan << 16) | (alt ? 1 << 29 : 0);
    const LPARAM up = down | (1u << 30) | (1u << 31);
    PostMessageW(window, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, down);
    PostMessageW(window, alt ? WM_SYSKEYUP : WM_KEYUP, key, up);
}

bool ChangeTableCell(HWND panel, int row, int column, const std::wstring& text) {
    DialogScript script;
    EnterPassword(script, kEditorPassword);
    EditCell(script, row, column, text);
    Press(script, Table, IDOK);
    OpenParameterEditor(panel);
    return script.finished() && script.failures().empty();
}
