#include "editor/password_dialog.h"

#include "editor/password_check.h"
#include "res/resource.h"
#include "ui/centre_window.h"

INT_PTR PasswordDialog::Run(HWND owner) {
    return ModalDialog::Run(IDD_PASSWORD, owner);
}

LRESULT PasswordDialog::HandleMessage(const Message& message, bool& handled) {
    using D = PasswordDialog;
    static const MessageMapEntry<D> kMessageMap[] = {
        {WM_INITDIALOG, kAnyId, kAnyCode, &D::OnInitDialog},
        {WM_COMMAND, IDOK, kAnyCode, &D::OnOk},
        {WM_COMMAND, IDCANCEL, kAnyCode, &D::OnCancel},
    };
    LRESULT result = 0;
    handled = RouteMessage(*this, kMessageMap, message, result);
    return result;
}

LRESULT PasswordDialog::OnInitDialog(const Message&, bool&) {
    CentreWindow(window());
    SetWindowTextW(window(), caption_.c_str());
    passwordBox_ = Item(IDC_PASSWORD);
    SetFocus(passwordBox_);
    return FALSE;  // the focus is set
}

LRESULT PasswordDialog::OnOk(const Message&, bool&) {
    // At most 126 characters are taken; a longer entry is cut.
    wchar_t typed[128] = {};
    int length = GetWindowTextW(passwordBox_, typed, 127);
    if (IsEditorPassword(std::wstring(typed, length > 0 ? static_cast<size_t>(length) : 0))) {
        End(1);
        return 0;
    }
    MessageBoxW(window(), L"Sorry, incorrect password.", caption_.c_str(), MB_OK | MB_ICONSTOP);
    SetFocus(passwordBox_);
    return 0;
}

LRESULT PasswordDialog::OnCancel(const Message&, bool&) {
    End(2);
    return 0;
}
