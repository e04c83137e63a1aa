#pragma once

#include <windows.h>

#include <string>

// The help: the compiled help file beside the executable, opened whole from
// the Help menu, and pop-up texts for single controls in context-help mode.
// The platform's HTML Help component is loaded on first use and kept; when it
// cannot be had, help requests do nothing, for good.

// HTML Help commands in use.
inline constexpr UINT kHelpDisplayTopic = 0x0000;      // HH_DISPLAY_TOPIC
inline constexpr UINT kHelpDisplayTextPopup = 0x000E;  // HH_DISPLAY_TEXT_POPUP

// The pop-up record of HTML Help (HH_POPUP).
struct HelpPopup {
    int cbStruct;
    HINSTANCE hinst;
    UINT idString;
    const wchar_t* pszText;
    POINT pt;
    COLORREF clrForeground;
    COLORREF clrBackground;
    RECT rcMargins;
    const wchar_t* pszFont;
};

// Loads the help component on first use (the registered location of the HTML
// Help control, else "hhctrl.ocx" by name) and calls its HtmlHelpW (ordinal
// 15). Returns 0 when the component or its entry point cannot be had; after
// such a failure no further load is tried.
HWND CallHtmlHelp(HWND owner, const wchar_t* file, UINT command, DWORD_PTR data);

// The component's state, for the tests: where to look, and how often a load
// was tried.
struct HelpComponentSource {
    const char* registryKey;     // under HKEY_CLASSES_ROOT; its default value is the path
    const wchar_t* libraryName;  // loaded by name when the registry has none
};
void SetHelpComponentSource(const HelpComponentSource& source);
int HelpComponentLoadAttempts();
bool HelpComponentFailed();

// Opens the help file at its default topic. Where the help viewer cannot show
// HTML (under Wine, which has no HTML engine of its own), the same pages laid
// out beside it as plain HTML (help\index.html) go to the system's browser.
void ShowHelpContents(const std::wstring& helpPath);

// The plain pages of the help file at `helpPath`: "...\help\index.html".
std::wstring HelpPagesPath(const std::wstring& helpPath);

// Shows the pop-up for the control under `point` (screen coordinates) of the
// panel; true when one was shown.
bool ShowContextHelp(HWND panel, POINT point);

// Shows the control's help string (a string resource with the control's id) as
// a pop-up at `point`; false when the control has none. Where the viewer cannot
// show pop-ups, a small window of the program's own shows the text instead.
bool ShowControlHelp(int controlId, POINT point, HWND control);

// Whether the program runs under Wine.
bool RunningUnderWine();
