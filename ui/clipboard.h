#pragma once

#include <windows.h>

#include <string>

// Empties the clipboard and puts `text` on it as Unicode text. False, with
// the clipboard as it was, when it cannot be opened (another program may hold
// it for longer than a tenth of a second) or the memory cannot be had.
bool PutTextOnClipboard(HWND owner, const std::wstring& text);

// The clipboard's Unicode text, or an empty text when it holds none.
std::wstring ClipboardText(HWND owner);
