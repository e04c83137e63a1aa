#pragma once

#include <windows.h>

#include "ui/window.h"

// From the cell editor to the list-view's parent (the parameter table
// dialog): wParam kCellEditKept when the edit ends with its text taken,
// kCellEditAbandoned when Escape drops it and the cell keeps what it showed,
// kCellEditNext and kCellEditPrevious when Alt+Right or Alt+Left take its
// text and ask for the next or the previous cell of the row.
inline constexpr UINT WM_ENDCELLEDIT = 952;
inline constexpr WPARAM kCellEditKept = 0;
inline constexpr WPARAM kCellEditAbandoned = 1;
inline constexpr WPARAM kCellEditNext = 2;
inline constexpr WPARAM kCellEditPrevious = 3;

// The edit box laid over a list-view cell while the cell is edited: a class of
// its own derived from the system edit control, which looks and behaves like
// it but ends the edit on Enter, Tab or when it loses the focus, and drops it
// on Escape. The object is reused; each edit gets a new window.
class CellEditor : public Window {
public:
    // Characters of an edit that count (the rest of a longer entry is cut).
    static constexpr int kTextUnits = 31;  // with the terminator

    // Creates the edit box over `cell` (client coordinates of `listView`),
    // shows `text` in it all selected, and gives it the focus. At the end the
    // box's text is put back into `text`.
    bool Begin(HWND listView, const RECT& cell, wchar_t* text, HFONT font);

    // Puts the box's text into the edit's text and tells the list-view's parent
    // with WM_ENDCELLEDIT (`end`: kept, or the next or previous cell wanted),
    // then closes the box.
    void EndEdit(WPARAM end = kCellEditKept);

    // Tells the list-view's parent that the edit is dropped (the cell keeps
    // its text), then closes the box.
    void AbandonEdit();

    // Destroys the box now, if it is open.
    void Close();

protected:
    LRESULT HandleMessage(const Message& message, bool& handled) override;
    LRESULT DefaultProc(const Message& message) override;

private:
    static const wchar_t* RegisterClassOnce();
    void MoveFocusOn(bool backwards);

    HWND listView_ = nullptr;
    wchar_t* text_ = nullptr;
    bool closing_ = false;
};
