#include "plot/gdiplus_session.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

namespace {

// The token GdiplusStartup hands out, given back once.
class GdiplusToken {
public:
    GdiplusToken() {
        Gdiplus::GdiplusStartupInput input;
        started_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiplusToken() {
        if (started_) Gdiplus::GdiplusShutdown(token_);
    }
    GdiplusToken(const GdiplusToken&) = delete;
    GdiplusToken& operator=(const GdiplusToken&) = delete;

    bool started() const { return started_; }

private:
    ULONG_PTR token_ = 0;
    bool started_ = false;
};

}  // namespace

bool GdiplusReady() {
    // A static of the executable, not of a DLL: its destructor runs from exit(),
    // where GdiplusShutdown may be called (it may not from DllMain).
    static GdiplusToken token;
    return token.started();
}
