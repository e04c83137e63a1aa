#pragma once

#include <string>

#include "ui/dialog.h"

// Asks for the password that guards the parameter editor. Run returns 1 when
// the right password was entered, 2 when the user cancelled. A wrong password
// is told in a box and may be tried again, without limit. The school's
// password file, when there is one, decides which password is right
// (CheckEditorPassword); it is read at each try, so a password set while the
// program runs counts at once.
class PasswordDialog : public ModalDialog {
public:
    PasswordDialog(const std::wstring& caption, const std::wstring& passwordFilePath)
        : caption_(caption), passwordFilePath_(passwordFilePath) {}

    INT_PTR Run(HWND owner);

protected:
    LRESULT HandleMessage(const Message& message, bool& handled) override;

private:
    LRESULT OnInitDialog();
    void OnOk();

    const std::wstring& caption_;
    const std::wstring& passwordFilePath_;
    HWND passwordBox_ = nullptr;
};
