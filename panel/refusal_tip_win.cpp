#include "panel/panel_notes_win.h"

#include <commctrl.h>

// Why F9 recorded nothing goes to the status line of the log's window, which
// is usually closed or behind the panel while the student works at it. So the
// panel says it where the student is looking, at the meters, in a tip that
// takes neither the focus nor the keys, asks for no answer and goes by itself
// after a while, or at the next key or click in the panel, or when the panel
// is left or moved. A tracking tooltip of the panel's own rather than an
// edit's balloon: Wine shows no balloon of an edit box.

namespace {

constexpr UINT_PTR kRefusalTool = 1;
// The widest the tip grows before it wraps its text, at 96 DPI.
constexpr int kRefusalTipWidth = 280;

TOOLINFOW RefusalTool(HWND panel, const wchar_t* text) {
    TOOLINFOW tool{};
    // The size every version of the common controls takes.
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_TRACK;
    tool.hwnd = panel;
    tool.uId = kRefusalTool;
    tool.lpszText = const_cast<wchar_t*>(text);
    return tool;
}

}  // namespace

void PanelNotes::ShowRefusalTip(const std::wstring& text, int meterId) {
    HideRefusalTip();
    // Only over the panel the student is using: not over another program, nor
    // a minimised panel.
    if (GetActiveWindow() != panel_ || IsIconic(panel_)) return;
    HWND meter = fields_.Control(meterId);
    RECT where;
    if (!meter || !GetWindowRect(meter, &where)) return;

    if (!refusalTip_) {
        // Owned by the panel: it stays above it, and goes with it.
        refusalTip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                      WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP | TTS_BALLOON, CW_USEDEFAULT,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, panel_, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
        if (!refusalTip_) return;
        TOOLINFOW tool = RefusalTool(panel_, text.c_str());
        if (!SendMessageW(refusalTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool))) {
            DestroyWindow(refusalTip_);
            refusalTip_ = nullptr;
            return;
        }
    }
    TOOLINFOW tool = RefusalTool(panel_, text.c_str());
    SendMessageW(refusalTip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(refusalTip_, TTM_SETMAXTIPWIDTH, 0, ScaleToDpi(kRefusalTipWidth, layout_.dpi()));
    // The balloon's stem points at the middle of the meter's lower edge.
    SendMessageW(refusalTip_, TTM_TRACKPOSITION, 0, MAKELPARAM((where.left + where.right) / 2, where.bottom));
    SendMessageW(refusalTip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    SetTimer(panel_, kRefusalTipTimer, refusalTipTime_, nullptr);
}

void PanelNotes::HideRefusalTip() {
    if (!refusalTip_) return;
    KillTimer(panel_, kRefusalTipTimer);
    TOOLINFOW tool = RefusalTool(panel_, nullptr);
    SendMessageW(refusalTip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}
