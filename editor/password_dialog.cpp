#include "editor/password_dialog.h"

#include "editor/password_check.h"
#include "res/resource.h"
#include "ui/centre_window.h"

INT_PTR PasswordDialog::Run(HWND owner) {
    return ModalDialog::Run(IDD_PASSWORD, owner);
}

// Cancel, Escape and the close box end it as any modal dialog.
LRESULT PasswordDialog::HandleMessage(const Message& message, bool& handled) {
    static const MessageMapEntry<PasswordDialog> kMessageMap[] = {
        {WM_INITDIALOG, kAnyId, kAnyCode, Handler<&PasswordDialog::OnInitDialog>},
        {WM_COMMAND, IDOK, kAnyCode, Handler<&PasswordDialog::OnOk>},
    };
    return DispatchMessageMap(*this, kMessageMap, message, handled);
}

inline LRESULT PasswordDialog::OnInitDialog() {
    CentreWindow(window());
    SetWindowTextW(window(), caption_.c_str());
    passwordBox_ = Item(IDC_PASSWORD);
    SetFocus(passwordBox_);
    return FALSE;  // the focus is set
}

inline void PasswordDialog::OnOk() {
    // At most 126 characters are taken; a longer entry is cut.
    wchar_t typed[128] = {};
    int length = GetWindowTextW(passwordBox_, typed, 127);
    if (IsEditorPassword(std::wstring(typed, length > 0 ? static_cast<size_t>(length) : 0))) {
        End(kDialogOk);
        return;
    }
    MessageBoxW(window(), L"Sorry, incorrect password.", caption_.c_str(), MB_OK | MB_ICONSTOP);
    SetFocus(passwordBox_);
}
