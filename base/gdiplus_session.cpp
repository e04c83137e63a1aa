#include "base/gdiplus_session.h"

#include "base/module.h"

namespace {

template <class Call>
bool Find(HMODULE library, const char* name, Call& call) {
    call = reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return call != nullptr;
}

// The library, its calls, and the token GdiplusStartup hands out, given back
// once. The library stays loaded for the rest of the process.
class GdiplusSession {
public:
    GdiplusSession() {
        HMODULE library = LoadSystemLibrary(L"gdiplus.dll");
        if (!library) return;
        using Startup = Gdiplus::GpStatus(WINAPI*)(ULONG_PTR*, const Gdiplus::GdiplusStartupInput*,
                                                   Gdiplus::GdiplusStartupOutput*);
        Startup startup = nullptr;
        if (!Find(library, "GdiplusStartup", startup) || !Find(library, "GdiplusShutdown", shutdown_) ||
            !Find(library, "GdipGetImageEncodersSize", calls_.GetImageEncodersSize) ||
            !Find(library, "GdipGetImageEncoders", calls_.GetImageEncoders) ||
            !Find(library, "GdipCreateBitmapFromScan0", calls_.CreateBitmapFromScan0) ||
            !Find(library, "GdipSaveImageToStream", calls_.SaveImageToStream) ||
            !Find(library, "GdipDisposeImage", calls_.DisposeImage) ||
            !Find(library, "GdipCreateBitmapFromStream", calls_.CreateBitmapFromStream) ||
            !Find(library, "GdipGetImageWidth", calls_.GetImageWidth) ||
            !Find(library, "GdipGetImageHeight", calls_.GetImageHeight) ||
            !Find(library, "GdipBitmapLockBits", calls_.BitmapLockBits) ||
            !Find(library, "GdipBitmapUnlockBits", calls_.BitmapUnlockBits)) {
            return;
        }
        Gdiplus::GdiplusStartupInput input;
        started_ = startup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiplusSession() {
        if (started_) shutdown_(token_);
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

    const GdiplusCalls* calls() const { return started_ ? &calls_ : nullptr; }

private:
    GdiplusCalls calls_{};
    void(WINAPI* shutdown_)(ULONG_PTR) = nullptr;
    ULONG_PTR token_ = 0;
    bool started_ = false;
};

}  // namespace

const GdiplusCalls* GdiplusApi() {
    // A static of the executable, not of a DLL: its destructor runs from exit(),
    // where GdiplusShutdown may be called (it may not from DllMain).
    static GdiplusSession session;
    return session.calls();
}
