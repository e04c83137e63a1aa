#include "help/help_launcher.h"

#include "base/module.h"
#include "base/registry_key.h"
#include "base/unique_handle.h"
#include "help/text_popup.h"

namespace {

using HtmlHelpProc = HWND(WINAPI*)(HWND, const wchar_t*, UINT, DWORD_PTR);

constexpr int kHtmlHelpOrdinal = 15;  // HtmlHelpW

// The process-wide viewer state, never released.
HelpComponentSource source = {"CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32", L"hhctrl.ocx"};
HMODULE component = nullptr;
HtmlHelpProc entryPoint = nullptr;
bool failed = false;
int loadAttempts = 0;

HMODULE LoadFromRegistry() {
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, source.registryKey, 0, KEY_READ, key.receive()) != ERROR_SUCCESS)
        return nullptr;
    char path[261] = {};
    DWORD size = 260;
    DWORD type = 0;
    LONG read = RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
    if (read != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) || path[0] == '\0') return nullptr;
    ++loadAttempts;
    return LoadLibraryA(path);
}

}  // namespace

void SetHelpComponentSource(const HelpComponentSource& newSource) {
    source = newSource;
    component = nullptr;
    entryPoint = nullptr;
    failed = false;
    loadAttempts = 0;
}

int HelpComponentLoadAttempts() {
    return loadAttempts;
}

bool HelpComponentFailed() {
    return failed;
}

HWND CallHtmlHelp(HWND owner, const wchar_t* file, UINT command, DWORD_PTR data) {
    if (failed) return nullptr;
    if (!component) {
        component = LoadFromRegistry();
        if (!component) {
            ++loadAttempts;
            component = LoadLibraryW(source.libraryName);
        }
        if (!component) {
            failed = true;
            return nullptr;
        }
    }
    if (!entryPoint) {
        entryPoint = reinterpret_cast<HtmlHelpProc>(
            reinterpret_cast<void*>(GetProcAddress(component, MAKEINTRESOURCEA(kHtmlHelpOrdinal))));
        if (!entryPoint) {
            failed = true;
            return nullptr;
        }
    }
    return entryPoint(owner, file, command, data);
}

bool RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::wstring HelpPagesPath(const std::wstring& helpPath) {
    size_t folder = helpPath.find_last_of(L"\\/");
    return helpPath.substr(0, folder == std::wstring::npos ? 0 : folder + 1) + L"help\\index.html";
}

void ShowHelpContents(const std::wstring& helpPath) {
    if (RunningUnderWine()) {
        // Wine's viewer opens the file but shows blank pages; the host's
        // browser shows the same pages. Wine's own launcher is asked by name:
        // a prefix need not map ".html" to it.
        std::wstring pages = HelpPagesPath(helpPath);
        if (GetFileAttributesW(pages.c_str()) != INVALID_FILE_ATTRIBUTES) {
            // Started directly rather than through the shell, whose library
            // the program would otherwise load at every start.
            std::wstring commandLine = L"winebrowser.exe \"" + pages + L"\"";
            STARTUPINFOW startup = {};
            startup.cb = sizeof startup;
            PROCESS_INFORMATION browser = {};
            if (CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &browser)) {
                UniqueHandle thread(browser.hThread);
                UniqueHandle process(browser.hProcess);
            }
            return;
        }
    }
    CallHtmlHelp(GetDesktopWindow(), helpPath.c_str(), kHelpDisplayTopic, 0);
}

bool ShowContextHelp(HWND panel, POINT point) {
    HWND target = WindowFromPoint(point);
    if (!target || target == panel) return false;
    return ShowControlHelp(GetDlgCtrlID(target), point, target);
}

bool ShowControlHelp(int controlId, POINT point, HWND control) {
    wchar_t text[512] = {};
    if (controlId <= 0 || LoadStringW(ResourceModule(), static_cast<UINT>(controlId), text, 512) <= 0)
        return false;

    HelpPopup popup = {};
    popup.cbStruct = sizeof popup;
    popup.hinst = nullptr;
    popup.idString = 0;
    popup.pszText = text;
    popup.pt = point;
    popup.clrForeground = static_cast<COLORREF>(-1);
    popup.clrBackground = static_cast<COLORREF>(-1);
    popup.rcMargins = {-1, -1, -1, -1};
    popup.pszFont = nullptr;
    if (!CallHtmlHelp(control, nullptr, kHelpDisplayTextPopup, reinterpret_cast<DWORD_PTR>(&popup))) {
        // The viewer could not show it (Wine's does not do text pop-ups).
        ShowTextPopup(text, point);
    }
    return true;
}
