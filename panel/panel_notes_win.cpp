#include "panel/panel_notes_win.h"

#include <commctrl.h>

#include <iterator>

#include "panel/panel_messages.h"

void PanelNotes::Attach(HWND panel) {
    panel_ = panel;
    noteBox_ = nullptr;
    refusalTip_ = nullptr;
}

bool PanelNotes::Route(const Message& message, LRESULT& result) {
    using N = PanelNotes;
    static const MessageMapEntry<N> kMessageMap[] = {
        // Seen before the boxes' own handlers, which they do not replace.
        {WM_COMMAND, kAnyId, EN_KILLFOCUS, Handler<&N::OnFieldCommand>},
        {WM_COMMAND, kAnyId, EN_CHANGE, Handler<&N::OnFieldCommand>},
        {kShowReadAsNote, kAnyId, kAnyCode, Handler<&N::OnShowReadAsNote>},
        {WM_TIMER, kAnyId, kAnyCode, Handler<&N::OnTimer>},
        {WM_ACTIVATE, kAnyId, kAnyCode, Handler<&N::OnLeftOrMoved>},
        {WM_MOVE, kAnyId, kAnyCode, Handler<&N::OnLeftOrMoved>},
        {WM_DESTROY, kAnyId, kAnyCode, Handler<&N::OnDestroy>},
    };
    return RouteMessage(*this, kMessageMap, std::size(kMessageMap), message, result);
}

bool PanelNotes::OnTimer(WPARAM timerId) {
    if (timerId != kRefusalTipTimer) return false;
    HideRefusalTip();
    return true;
}

// The panel left for another window, or moved: the tip would point at nothing.
bool PanelNotes::OnLeftOrMoved(const Message& message) {
    if (message.message == WM_MOVE || LOWORD(message.wParam) == WA_INACTIVE) HideRefusalTip();
    return false;  // the dialog's own handling keeps the focus of its controls
}

// The tip is the panel's own window and goes with it.
bool PanelNotes::OnDestroy() {
    KillTimer(panel_, kRefusalTipTimer);
    refusalTip_ = nullptr;
    return false;  // the panel's own handling follows
}
