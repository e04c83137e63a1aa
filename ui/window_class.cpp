#include "ui/window_class.h"

#include "base/module.h"

const wchar_t* RegisterWindowClassOnce(const wchar_t* name, WNDPROC procedure, const WindowClassFields& fields) {
    WNDCLASSEXW cls = {};
    cls.cbSize = sizeof cls;
    if (fields.superclassOf) {
        // Asked every time: the base procedure is needed even when the class
        // was registered before.
        if (!GetClassInfoExW(nullptr, fields.superclassOf, &cls)) return nullptr;
        if (fields.baseProcedure) *fields.baseProcedure = cls.lpfnWndProc;
    } else {
        cls.style = fields.style;
        cls.hCursor = fields.cursor;
        cls.hbrBackground = fields.background;
    }
    cls.lpfnWndProc = procedure;
    cls.hInstance = ResourceModule();
    cls.lpszClassName = name;
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(cls.hInstance, name, &existing)) return name;
    if (!RegisterClassExW(&cls) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
    return name;
}
