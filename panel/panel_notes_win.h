#pragma once

#include <windows.h>

#include <string>

#include "panel/panel_fields_win.h"
#include "panel/panel_layout_win.h"
#include "ui/message_map.h"

// What the panel says of its own accord, at the place the student looks: the
// balloon at a box whose text was read only in part (read_as_notes_win.cpp),
// and the tip at the meters that says why F9 recorded nothing
// (refusal_tip_win.cpp). Neither takes the focus or the keys, and neither
// changes a value.
class PanelNotes : public MessageTarget {
public:
    // How long the reason for a refused F9 stays at the meters.
    static constexpr UINT kRefusalTipTime = 6000;  // ms

    PanelNotes(const PanelFields& fields, const PanelLayout& layout) : fields_(fields), layout_(layout) {}

    // The panel the notes are shown over; notes of a panel made before are
    // forgotten.
    void Attach(HWND panel);
    // Tests let the reason for a refused F9 go sooner; the program keeps it kRefusalTipTime.
    void SetRefusalTipTime(UINT milliseconds) { refusalTipTime_ = milliseconds; }

    // The panel's messages the notes follow, before the panel's own map;
    // true when one was taken, `result` then its result.
    bool Route(const Message& message, LRESULT& result);

    // After F9 recorded: the balloon of a box the reading read in part.
    void ShowRecordedReadAsNote();
    // After F9 recorded nothing: the reason, pointed at a meter.
    void ShowRefusalTip(const std::wstring& text, int meterId);
    // At the student's next key or click in the panel.
    void HideRefusalTip();

private:
    std::wstring ReadAsNote(int id) const;
    bool ShowReadAsNote(int id);
    void HideReadAsNote();
    bool OnFieldCommand(int id, int code);
    void OnShowReadAsNote(WPARAM id);
    bool OnTimer(WPARAM timerId);
    bool OnLeftOrMoved(const Message& message);
    bool OnDestroy();

    const PanelFields& fields_;
    const PanelLayout& layout_;  // its DPI sizes the tip
    HWND panel_ = nullptr;

    // The box whose balloon says how its text was read, while it may show.
    HWND noteBox_ = nullptr;

    // The tip that says why F9 recorded nothing (made at the first refusal),
    // and the timer that takes it away.
    HWND refusalTip_ = nullptr;
    static constexpr UINT_PTR kRefusalTipTimer = 3;
    UINT refusalTipTime_ = kRefusalTipTime;
};
