#pragma once

#include <windows.h>

// What differs between the program's own window classes, besides the name
// and the procedure.
struct WindowClassFields {
    UINT style = 0;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    // A system class that this one puts its procedure in front of (a
    // superclass): its style, cursor, brush and extra bytes are taken instead
    // of the three above, and its own procedure goes to `baseProcedure`, to
    // which the new one hands what it does not handle.
    const wchar_t* superclassOf = nullptr;
    WNDPROC* baseProcedure = nullptr;
};

// Registers the class `name` of the program's module with `procedure`, unless
// it is registered already. The name, or null when the class cannot be
// registered (the next call tries again).
const wchar_t* RegisterWindowClassOnce(const wchar_t* name, WNDPROC procedure, const WindowClassFields& fields);
