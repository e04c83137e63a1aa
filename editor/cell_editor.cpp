#include "editor/cell_editor.h"

#include "ui/window_class.h"

namespace {

const wchar_t kClassName[] = L"TesmorCellEditor";
WNDPROC standardEditProc = nullptr;

}  // namespace

const wchar_t* CellEditor::RegisterClassOnce() {
    // A superclass: the edit control's class with our procedure in front.
    // The edit control keeps its own data in the window's extra bytes; our
    // object goes in GWLP_USERDATA, which the edit control does not use.
    WindowClassFields edit;
    edit.superclassOf = L"EDIT";
    edit.baseProcedure = &standardEditProc;
    return RegisterWindowClassOnce(kClassName, WindowProc, edit);
}

bool CellEditor::Begin(HWND listView, const RECT& cell, wchar_t* text, HFONT font) {
    const wchar_t* className = RegisterClassOnce();
    if (!className) return false;
    listView_ = listView;
    text_ = text;
    closing_ = false;
    // Multi-line with want-return: Enter reaches the box instead of pressing
    // the dialog's default button.
    HWND box = CreateOwnWindow(
        0, className, WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_AUTOHSCROLL | ES_WANTRETURN, cell,
        listView, 0);
    if (!box) return false;
    SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SetWindowTextW(box, text);
    SetFocus(box);
    SendMessageW(box, EM_SETSEL, 0, -1);
    SendMessageW(box, EM_SCROLLCARET, 0, 0);
    return true;
}

// A multi-line edit in a dialog wants every key, so the dialog manager hands
// it Escape and Tab too. Left to the standard procedure, Escape would post
// WM_CLOSE to the box's parent, the list-view, and destroy the table, and Tab
// would type a tab character: both are taken here, before the box sees them.
LRESULT CellEditor::HandleMessage(const Message& m, bool& handled) {
    switch (m.message) {
    case WM_KILLFOCUS:
        EndEdit();
        return 0;
    case WM_KEYDOWN:
        switch (m.wParam) {
        case VK_RETURN:
            EndEdit();
            return 0;
        case VK_ESCAPE:
            AbandonEdit();
            return 0;
        case VK_TAB:
            MoveFocusOn(GetKeyState(VK_SHIFT) < 0);
            return 0;
        }
        break;
    case WM_SYSKEYDOWN:
        // Alt+Right and Alt+Left go along the row, so that every cell can be
        // reached from the keyboard; the plain arrows stay in the text.
        if (m.wParam == VK_RIGHT || m.wParam == VK_LEFT) {
            EndEdit(m.wParam == VK_RIGHT ? kCellEditNext : kCellEditPrevious);
            return 0;
        }
        break;
    case WM_CHAR:
        // The characters of the keys above, should the box still be there.
        if (m.wParam == L'\r' || m.wParam == L'\t' || m.wParam == 0x1B) return 0;
        break;
    }
    handled = false;
    return 0;
}

// Tab ends the edit as any loss of focus does, then moves on from the list as
// Tab does in a dialog.
void CellEditor::MoveFocusOn(bool backwards) {
    HWND dialog = GetParent(listView_);
    SetFocus(listView_);
    SendMessageW(dialog, WM_NEXTDLGCTL, backwards ? 1 : 0, FALSE);
}

LRESULT CellEditor::DefaultProc(const Message& m) {
    return CallWindowProcW(standardEditProc, m.window, m.message, m.wParam, m.lParam);
}

void CellEditor::EndEdit(WPARAM end) {
    HWND box = window();
    // A box being closed has had its end already: destroying it takes its
    // focus, which would end it once more.
    if (!box || !text_ || closing_) return;
    int length = GetWindowTextW(box, text_, kTextUnits);
    text_[length > 0 ? length : 0] = L'\0';
    SendMessageW(GetParent(listView_), WM_ENDCELLEDIT, end, 0);
    // By now the next cell may have a box of its own: only this one closes.
    if (window() == box && !closing_) PostMessageW(box, WM_CLOSE, 0, 0);
}

void CellEditor::AbandonEdit() {
    if (!window()) return;
    SendMessageW(GetParent(listView_), WM_ENDCELLEDIT, kCellEditAbandoned, 0);
    Close();
}

void CellEditor::Close() {
    // Destroying the box takes the focus from it, which ends the edit once
    // more; closing_ keeps that from closing it twice.
    if (window() && !closing_) {
        closing_ = true;
        SendMessageW(window(), WM_CLOSE, 0, 0);
    }
}
