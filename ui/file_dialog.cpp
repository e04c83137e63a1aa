#include "ui/file_dialog.h"

#include <commdlg.h>

#include <vector>

#include "base/module.h"

namespace {

using GetSaveFileNameProc = BOOL(WINAPI*)(OPENFILENAMEW*);

GetSaveFileNameProc SaveDialog() {
    static GetSaveFileNameProc proc = [] {
        HMODULE library = LoadSystemLibrary(L"comdlg32.dll");
        return library ? reinterpret_cast<GetSaveFileNameProc>(
                             reinterpret_cast<void*>(GetProcAddress(library, "GetSaveFileNameW")))
                       : nullptr;
    }();
    return proc;
}

}  // namespace

std::wstring AskSaveFileName(HWND owner, const wchar_t* filter, const wchar_t* extension,
                             const wchar_t* suggested) {
    GetSaveFileNameProc show = SaveDialog();
    if (!show) return std::wstring();
    std::vector<wchar_t> name(32768, L'\0');
    wcsncpy(name.data(), suggested, name.size() - 1);
    OPENFILENAMEW request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.lpstrFilter = filter;
    request.nFilterIndex = 1;
    request.lpstrFile = name.data();
    request.nMaxFile = static_cast<DWORD>(name.size());
    request.lpstrDefExt = extension;
    request.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!show(&request)) return std::wstring();
    return name.data();
}
