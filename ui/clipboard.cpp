#include "ui/clipboard.h"

#include "base/global_memory.h"

OpenedClipboard::OpenedClipboard(HWND owner) {
    for (int attempt = 0; attempt < 10 && !open_; ++attempt) {
        open_ = OpenClipboard(owner) != FALSE;
        if (!open_) Sleep(10);
    }
}

bool PutTextOnClipboard(HWND owner, const std::wstring& text) {
    GlobalMemory memory = CopyToGlobalMemory(text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    if (!memory) return false;
    OpenedClipboard clipboard(owner);
    if (!clipboard) return false;
    EmptyClipboard();
    // Once taken, the memory is the clipboard's.
    if (!SetClipboardData(CF_UNICODETEXT, memory.get())) return false;
    memory.release();
    return true;
}

std::wstring ClipboardText(HWND owner) {
    std::wstring text;
    OpenedClipboard clipboard(owner);
    if (!clipboard) return text;
    GlobalLockScope data(GetClipboardData(CF_UNICODETEXT));
    if (const auto* chars = static_cast<const wchar_t*>(data.data())) {
        text.assign(chars, wcsnlen(chars, data.size() / sizeof(wchar_t)));
    }
    return text;
}
