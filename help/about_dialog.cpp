#include "help/about_dialog.h"

#include "res/resource.h"
#include "ui/centre_window.h"

INT_PTR AboutDialog::Run(HWND owner) {
    return ModalDialog::Run(IDD_ABOUT, owner);
}

// OK, Enter, Escape and the close box end it as any modal dialog.
LRESULT AboutDialog::HandleMessage(const Message& message, bool& handled) {
    static const MessageMapEntry<AboutDialog> kMessageMap[] = {
        {WM_INITDIALOG, kAnyId, kAnyCode, Handler<&AboutDialog::OnInitDialog>},
    };
    return DispatchMessageMap(*this, kMessageMap, message, handled);
}

LRESULT AboutDialog::OnInitDialog() {
    CentreWindow(window());
    return TRUE;  // the dialog manager gives the focus to OK
}
