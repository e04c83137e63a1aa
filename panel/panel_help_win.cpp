#include "panel/panel_help_win.h"

#include <iterator>

#include "help/about_dialog.h"
#include "help/help_launcher.h"
#include "res/resource.h"

void PanelHelp::Attach(HWND panel) {
    panel_ = panel;
    helpMode_ = false;
    // Before the caption's procedure takes the window over: it gives the
    // window its previous procedure back at WM_DESTROY, which must be this
    // subclass's for it to see WM_NCDESTROY.
    AddAccessibleButton(panel, L"Help mode", this);
    AttachCaptionButtons(panel);
    AddCaptionButton(helpButton_, IDB_HELP_BUTTON, IDB_HELP_BUTTON_PRESSED);
}

bool PanelHelp::Route(const Message& message, LRESULT& result) {
    using H = PanelHelp;
    static const MessageMapEntry<H> kMessageMap[] = {
        {WM_COMMAND, IDM_ABOUT, kAnyCode, Handler<&H::ShowAbout>},
        {WM_COMMAND, IDM_HELP_CONTENTS, kAnyCode, Handler<&H::ShowHelp>},
        {WM_HELP, kAnyId, kAnyCode, Handler<&H::OnHelpKey>},
        {kCaptionButtonNotify, kAnyId, kAnyCode, Handler<&H::OnCaptionButtonNotify>},
        {WM_SETCURSOR, kAnyId, kAnyCode, &H::OnSetCursor},
        {WM_DESTROY, kAnyId, kAnyCode, Handler<&H::OnDestroy>},
    };
    return RouteMessage(*this, kMessageMap, std::size(kMessageMap), message, result);
}

// The button's place is kept in window coordinates.
RECT PanelHelp::AccessibleScreenRect() const {
    RECT window{};
    GetWindowRect(panel_, &window);
    RECT place = helpButton_.rect;
    OffsetRect(&place, window.left, window.top);
    return place;
}

void PanelHelp::ShowAbout() {
    AboutDialog about;
    about.Run(GetActiveWindow());
}

void PanelHelp::ShowHelp() {
    ShowHelpContents(files_.helpFilePath());
}

// F1, pressed in the panel or in any window it owns (the log, the dialogs,
// message boxes: their default processing hands WM_HELP on to their owner),
// opens the help as the Help menu does. A held key repeats: the help opens
// once, and again only for a press after a pause.
LRESULT PanelHelp::OnHelpKey() {
    const DWORD now = GetTickCount();
    const bool repeated = helpKeyTime_ != 0 && now - helpKeyTime_ < kHelpKeyPause;
    helpKeyTime_ = now;
    if (!repeated) ShowHelpContents(files_.helpFilePath());
    return TRUE;
}

void PanelHelp::OnCaptionButtonNotify(WPARAM, LPARAM pressed) {
    helpMode_ = pressed != 0;
}

LRESULT PanelHelp::OnSetCursor(const Message&, bool& handled) {
    if (!helpMode_) {
        handled = false;
        return 0;
    }
    SetCursor(LoadCursorW(nullptr, IDC_HELP));
    return TRUE;
}

// In context-help mode the next press ends the mode and asks for the pop-up
// of the control under it; a shown pop-up consumes the press.
bool PanelHelp::OnButtonDown(const MSG& message) {
    if (!helpMode_) return false;
    ToggleCaptionButton(helpButton_);
    POINT point = {static_cast<short>(LOWORD(message.lParam)), static_cast<short>(HIWORD(message.lParam))};
    ClientToScreen(message.hwnd, &point);
    return ShowContextHelp(panel_, point);
}

// Whichever way the panel goes, its caption button goes with it.
bool PanelHelp::OnDestroy() {
    DetachCaptionButtons(panel_);
    return false;  // the panel's own handling follows
}
