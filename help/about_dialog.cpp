#include "help/about_dialog.h"

#include "res/resource.h"
#include "ui/centre_window.h"

INT_PTR AboutDialog::Run(HWND owner) {
    return ModalDialog::Run(IDD_ABOUT, owner);
}

LRESULT AboutDialog::HandleMessage(const Message& message, bool& handled) {
    using D = AboutDialog;
    static const MessageMapEntry<D> kMessageMap[] = {
        {WM_INITDIALOG, kAnyId, kAnyCode, &D::OnInitDialog},
        {WM_COMMAND, IDOK, kAnyCode, &D::OnClose},
        {WM_COMMAND, IDCANCEL, kAnyCode, &D::OnClose},
    };
    LRESULT result = 0;
    handled = RouteMessage(*this, kMessageMap, message, result);
    return result;
}

LRESULT AboutDialog::OnInitDialog(const Message&, bool&) {
    CentreWindow(window());
    return TRUE;  // the dialog manager gives the focus to OK
}

LRESULT AboutDialog::OnClose(const Message& m, bool&) {
    End(m.CommandId());
    return 0;
}
