// Reads a running Tesmor's panel as a screen reader does, from outside,
// through the accessible objects its windows hand out (AccessibleObjectFromWindow),
// and prints what it finds, one "key value" line each, in UTF-8:
//   name.ID TEXT, role.ID NUMBER, value.ID TEXT   for every control of the panel
//                                                 (ID its dialog id)
//   element.N TEXT|ROLE|STATE                     for an element of the panel's
//                                                 own object that is no window
//   accessible_reader [press=NAME]
// "press=NAME" first does the default action of the panel's element NAME, as
// a reader does when the user chooses it. Exit code 1: no panel, or no object.
#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

const wchar_t kCaption[] = L"Experimental Setup for Hall-Effect Measurement";

void PrintLine(const std::string& key, const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size, nullptr,
                        nullptr);
    std::printf("%s %s\n", key.c_str(), bytes.c_str());
}

std::wstring Take(BSTR text) {
    std::wstring taken = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return taken;
}

VARIANT Child(LONG id) {
    VARIANT child;
    VariantInit(&child);
    child.vt = VT_I4;
    child.lVal = id;
    return child;
}

LONG Number(IAccessible* object, HRESULT (STDMETHODCALLTYPE IAccessible::*ask)(VARIANT, VARIANT*), LONG id) {
    VARIANT answer;
    VariantInit(&answer);
    return SUCCEEDED((object->*ask)(Child(id), &answer)) && answer.vt == VT_I4 ? answer.lVal : -1;
}

std::wstring Text(IAccessible* object, HRESULT (STDMETHODCALLTYPE IAccessible::*ask)(VARIANT, BSTR*),
                  LONG id) {
    BSTR text = nullptr;
    return (object->*ask)(Child(id), &text) == S_OK ? Take(text) : std::wstring();
}

BOOL CALLBACK PrintControl(HWND window, LPARAM) {
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object)))) {
        return TRUE;
    }
    const std::string id = std::to_string(GetDlgCtrlID(window));
    PrintLine("name." + id, Text(object, &IAccessible::get_accName, CHILDID_SELF));
    PrintLine("role." + id, std::to_wstring(Number(object, &IAccessible::get_accRole, CHILDID_SELF)));
    PrintLine("value." + id, Text(object, &IAccessible::get_accValue, CHILDID_SELF));
    object->Release();
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    HWND panel = FindWindowW(L"#32770", kCaption);
    if (!panel || FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(panel, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object)))) {
        return 1;
    }
    LONG count = 0;
    object->get_accChildCount(&count);
    for (LONG id = 1; id <= count; ++id) {
        IDispatch* window = nullptr;
        if (object->get_accChild(Child(id), &window) == S_OK && window) {
            window->Release();
            continue;
        }
        const std::wstring name = Text(object, &IAccessible::get_accName, id);
        for (int i = 1; i < argc; ++i) {
            if (std::wcsncmp(argv[i], L"press=", 6) == 0 && name == argv[i] + 6) {
                object->accDoDefaultAction(Child(id));
            }
        }
        PrintLine("element." + std::to_string(id),
                  name + L"|" + std::to_wstring(Number(object, &IAccessible::get_accRole, id)) + L"|" +
                      std::to_wstring(Number(object, &IAccessible::get_accState, id)));
    }
    object->Release();
    EnumChildWindows(panel, &PrintControl, 0);
    CoUninitialize();
    return 0;
}
