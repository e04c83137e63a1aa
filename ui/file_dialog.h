#pragma once

#include <windows.h>

#include <string>

// Asks for the name of a file to save with the system's Save dialog, over
// `owner`. `filter` is in the dialog's form (pairs of texts, each ended by a
// NUL, the list by another); `extension` is added to a name typed without
// one; `suggested` is the name first shown. Replacing an existing file is
// confirmed. An empty result: cancelled, or the dialog could not be shown.
// The dialog's library is loaded only when it is first asked for, so that
// the program does not load it at every start.
std::wstring AskSaveFileName(HWND owner, const wchar_t* filter, const wchar_t* extension,
                             const wchar_t* suggested);
