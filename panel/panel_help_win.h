#pragma once

#include <windows.h>

#include "help/caption_button.h"
#include "panel/panel_files.h"
#include "ui/accessible_win.h"
#include "ui/message_map.h"

// The panel's help: the help file (F1, the Help menu), the About box, and the
// title bar's "?" button, which switches the context-help mode on: the next
// click on a control shows that control's pop-up instead of acting on it.
// Assistive technology finds the button, drawn and not a window, as a child
// of the panel's client object, and can press it.
class PanelHelp : public MessageTarget, private AccessibleButton {
public:
    // F1 held down repeats; the help opens again only after a pause this long.
    static constexpr DWORD kHelpKeyPause = 500;  // ms

    explicit PanelHelp(const PanelFiles& files) : files_(files) {}

    // Puts the "?" button into the panel's title bar, with the mode off.
    void Attach(HWND panel);
    // The panel's messages the help takes, before the panel's own map; true
    // when one was taken, `result` then its result.
    bool Route(const Message& message, LRESULT& result);
    // A press of the left button anywhere in the panel, before it goes to its
    // window: in context-help mode it ends the mode and shows the pop-up of the
    // control under it. True when a pop-up took the press.
    bool OnButtonDown(const MSG& message);

    void ShowAbout();
    bool helpMode() const { return helpMode_; }
    const CaptionHelpButton& helpButton() const { return helpButton_; }

private:
    bool AccessiblePressed() const override { return helpButton_.on; }
    RECT AccessibleScreenRect() const override;
    void AccessiblePress() override { ToggleCaptionButton(helpButton_); }

    void ShowHelp();
    LRESULT OnHelpKey();
    void OnCaptionButtonNotify(WPARAM, LPARAM pressed);
    LRESULT OnSetCursor(const Message&, bool& handled);
    bool OnDestroy();

    const PanelFiles& files_;
    HWND panel_ = nullptr;
    bool helpMode_ = false;
    DWORD helpKeyTime_ = 0;  // when F1 last asked for the help
    CaptionHelpButton helpButton_;
};
