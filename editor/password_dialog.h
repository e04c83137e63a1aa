#pragma once

#include <string>

#include "ui/dialog.h"

// Asks for the password that guards the parameter editor. Run returns 1 when
// the right password was entered, 2 when the user cancelled. A wrong password
// is told in a box and may be tried again, without limit.
class PasswordDialog : public ModalDialog {
public:
    explicit PasswordDialog(const std::wstring& caption) : caption_(caption) {}

    INT_PTR Run(HWND owner);

protected:
    LRESULT HandleMessage(const Message& message, bool& handled) override;

private:
    LRESULT OnInitDialog();
    void OnOk();

    const std::wstring& caption_;
    HWND passwordBox_ = nullptr;
};
