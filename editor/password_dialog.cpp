#include "editor/password_dialog.h"

#include "editor/password_check.h"
#include "res/resource.h"
#include "ui/accessible_win.h"
#include "ui/centre_window.h"

namespace {

// What a teacher reads when the school's password file cannot be used: which
// file, and the ways back to a password that opens the table.
std::wstring LockedMessage(const std::wstring& path) {
    return L"The parameters are locked: the school's password file\n\n" + path +
           L"\n\nis damaged or cannot be read, so no password is accepted.\n\n"
           L"To set a new password, run the Tesmor installer again and enter it on its password page, "
           L"or run it with /PASSWORD=new-password. On Linux, run: sudo tesmor --set-password\n\n"
           L"To go back to the built-in password, an administrator deletes that file "
           L"(on Linux: sudo tesmor --remove-password).";
}

}  // namespace

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

LRESULT PasswordDialog::OnInitDialog() {
    CentreWindow(window());
    SetWindowTextW(window(), caption_.c_str());
    passwordBox_ = Item(IDC_PASSWORD);
    SetAccessibleName(passwordBox_, L"Password");
    SetFocus(passwordBox_);
    return FALSE;  // the focus is set
}

void PasswordDialog::OnOk() {
    // At most 126 characters are taken; a longer entry is cut.
    wchar_t typed[128] = {};
    int length = GetWindowTextW(passwordBox_, typed, 127);
    const PasswordVerdict verdict =
        CheckEditorPassword(std::wstring(typed, length > 0 ? static_cast<size_t>(length) : 0), passwordFilePath_);
    SecureZeroMemory(typed, sizeof typed);
    if (verdict == PasswordVerdict::accepted) {
        End(kDialogOk);
        return;
    }
    const std::wstring text =
        verdict == PasswordVerdict::locked ? LockedMessage(passwordFilePath_) : L"Sorry, incorrect password.";
    MessageBoxW(window(), text.c_str(), caption_.c_str(), MB_OK | MB_ICONSTOP);
    SetFocus(passwordBox_);
}
