#include "ui/dialog.h"

#include "base/module.h"
#include "numtext/edit_text_win.h"

namespace {

// Messages whose result a dialog procedure returns itself instead of through
// DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
    switch (message) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}

}  // namespace

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    Dialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->window_ = window;
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
    }
    // Messages sent before WM_INITDIALOG (WM_SETFONT, for one) find no object.
    if (!self) return FALSE;

    const Message m{window, message, wParam, lParam};
    bool handled = false;
    LRESULT result = self->HandleMessage(m, handled);
    if (!handled) result = self->FallbackMessage(m, handled);

    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->window_ = nullptr;
    }
    if (!handled) return FALSE;
    if (ReturnsResultDirectly(message)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}

std::wstring Dialog::ItemText(int id) const {
    return ReadWindowText(Item(id));
}

void Dialog::Unbind() {
    if (!window_) return;
    SetWindowLongPtrW(window_, DWLP_USER, 0);
    window_ = nullptr;
}

// By the time this runs the derived object is gone, and its message map with
// it: the window is cut off first and then destroyed by the dialog manager
// alone, as Window does for its windows.
ModelessDialog::~ModelessDialog() {
    HWND window = this->window();
    Unbind();
    if (window) DestroyWindow(window);
}

bool ModelessDialog::Create(int templateId, HWND owner) {
    HWND created = CreateDialogParamW(ResourceModule(), MAKEINTRESOURCEW(templateId), owner, DialogProc,
                                      reinterpret_cast<LPARAM>(static_cast<Dialog*>(this)));
    return created != nullptr;
}

LRESULT Dialog::FallbackMessage(const Message&, bool& handled) {
    handled = false;
    return 0;
}

LRESULT ModalDialog::FallbackMessage(const Message& m, bool& handled) {
    if (m.message == WM_COMMAND && (m.CommandId() == IDOK || m.CommandId() == IDCANCEL)) {
        End(m.CommandId() == IDOK ? kDialogOk : kDialogCancel);
        return 0;
    }
    handled = false;
    return 0;
}

INT_PTR ModalDialog::Run(int templateId, HWND owner) {
    return DialogBoxParamW(ResourceModule(), MAKEINTRESOURCEW(templateId), owner, DialogProc,
                           reinterpret_cast<LPARAM>(static_cast<Dialog*>(this)));
}
