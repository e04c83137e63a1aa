#pragma once

// Steps of a DialogScript that work the parameter editor as a teacher does:
// the password dialog, then the table, whose cells are edited in place.
#include <windows.h>

#include <string>

#include "dialog_script.h"

inline const wchar_t kEditorPassword[] = L"479 zkp";

// The panel's system command that opens the password dialog, then the table.
// Returns once both are closed.
void OpenParameterEditor(HWND panel);

// Types `password` into the password dialog and presses OK.
void EnterPassword(DialogScript& script, std::wstring password);

// The open password dialog, the open table dialog and its list-view.
HWND PasswordWindow();
HWND Table();
HWND List();

// The text a cell of the table shows.
std::wstring Cell(int row, int column);

// A double click on a cell, as the list-view reports it.
void DoubleClick(int row, int column);

// The in-place editor of a cell, while one is open.
HWND CellEditorWindow();

// Double-clicks the cell and replaces the text of the editor that opens with
// `text`; returns that editor, or null when none opened.
HWND TypeIntoCell(int row, int column, const std::wstring& text);

// Double-clicks the cell, types `text` into the editor that opens and presses
// Enter; false when no editor opened.
bool EnterCellText(int row, int column, const std::wstring& text);

// Edits one cell: double click, type, Enter.
void EditCell(DialogScript& script, int row, int column, std::wstring text);

// Types into a cell, then clicks the table's button `command` while the cell
// is still open: the click takes the focus first, which ends the edit.
void ClickWhileEditing(DialogScript& script, int row, int column, std::wstring text, int command);

// The modifier keys that PressKey holds down.
enum KeyModifiers : unsigned { kNoModifiers = 0, kShift = 1, kControl = 2, kAlt = 4 };

// A key as a teacher presses it.
struct CellKey {
    const char* name;
    UINT key;
    unsigned modifiers;
};

// The keys that leave an open cell open: they move in its text, cut, copy,
// paste, undo or ask for help.
inline const CellKey kKeysInACell[] = {
    {"Left", VK_LEFT, kNoModifiers},    {"Right", VK_RIGHT, kNoModifiers},  {"Home", VK_HOME, kNoModifiers},
    {"End", VK_END, kNoModifiers},      {"Up", VK_UP, kNoModifiers},        {"Down", VK_DOWN, kNoModifiers},
    {"Delete", VK_DELETE, kNoModifiers}, {"Backspace", VK_BACK, kNoModifiers}, {"F1", VK_F1, kNoModifiers},
    {"Ctrl+A", 'A', kControl},          {"Ctrl+C", 'C', kControl},          {"Ctrl+V", 'V', kControl},
    {"Ctrl+X", 'X', kControl},          {"Ctrl+Z", 'Z', kControl},          {"Shift+End", VK_END, kShift},
};

// Holds the modifiers down (or lets them go) in the thread's keyboard state,
// which is what the controls and TranslateMessage consult.
void HoldModifiers(unsigned modifiers);

// Posts a key press to `window` as the keyboard sends it: key down and key up
// through the queue, so that the modal loop's dialog manager, TranslateMessage
// and the window all take their part. With kAlt the key goes as a system key.
// The modifiers stay held until HoldModifiers(kNoModifiers).
void PostKey(HWND window, UINT key, unsigned modifiers = kNoModifiers);

// The same, done at once: types into a cell, then clicks the table's OK.
void ClickOkWhileEditing(int row, int column, const std::wstring& text);

// Presses a button of whichever dialog `dialog` finds.
void Press(DialogScript& script, HWND (*dialog)(), int command);

// A teacher's change of the table: the password, one cell typed and ended
// with Enter, then OK. True when every step was taken.
bool ChangeTableCell(HWND panel, int row, int column, const std::wstring& text);
