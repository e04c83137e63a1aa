#pragma once

#include <windows.h>

#include <string>

// The clipboard, opened for `owner` (which may be null) for a scope and
// closed on every way out. Another program may hold it for a moment (a
// clipboard viewer reading what was just put there): the opening is tried ten
// times, 10 ms apart, before it is given up.
class OpenedClipboard {
public:
    explicit OpenedClipboard(HWND owner);
    ~OpenedClipboard() {
        if (open_) CloseClipboard();
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;

    explicit operator bool() const { return open_; }

private:
    bool open_ = false;
};

// Empties the clipboard and puts `text` on it as Unicode text. False, with
// the clipboard as it was, when it cannot be opened (another program may hold
// it for longer than a tenth of a second) or the memory cannot be had.
bool PutTextOnClipboard(HWND owner, const std::wstring& text);

// The clipboard's Unicode text, or an empty text when it holds none.
std::wstring ClipboardText(HWND owner);
