#pragma once

#include <windows.h>
#include <objbase.h>

// COM for the calling thread, for as long as the object lives. CoInitialize
// counts: S_OK and S_FALSE (COM was initialised on this thread already) each
// take one CoUninitialize, while a thread already in the other kind of
// apartment (RPC_E_CHANGED_MODE) or a failure took nothing, and an
// uninitialise then would undo somebody else's initialisation.
class ComApartment {
public:
    ComApartment() : result_(CoInitialize(nullptr)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    // What CoInitialize answered.
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};
