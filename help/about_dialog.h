#pragma once

#include "ui/dialog.h"

// Names the program and its version; changes nothing.
class AboutDialog : public ModalDialog {
public:
    INT_PTR Run(HWND owner);

protected:
    LRESULT HandleMessage(const Message& message, bool& handled) override;

private:
    LRESULT OnInitDialog();
};
