#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include "base/owned.h"

// GDI+ for this process, loaded and started on the first call, once, and shut
// down when the program ends (after main returns); the program does not load
// its library before it is needed (a plot saved as PNG, the panel's picture
// read for a display scale other than 96 DPI), so that a start at 96 DPI pays
// nothing for it. Every GDI+ object must be gone before the end; the program's
// own live only within one call.
//
// The flat calls the program uses, or null when GDI+ could not be had.
struct GdiplusCalls {
    Gdiplus::GpStatus(WINGDIPAPI* GetImageEncodersSize)(UINT*, UINT*);
    Gdiplus::GpStatus(WINGDIPAPI* GetImageEncoders)(UINT, UINT, Gdiplus::ImageCodecInfo*);
    Gdiplus::GpStatus(WINGDIPAPI* CreateBitmapFromScan0)(INT, INT, INT, Gdiplus::PixelFormat, BYTE*,
                                                         Gdiplus::GpBitmap**);
    Gdiplus::GpStatus(WINGDIPAPI* SaveImageToStream)(Gdiplus::GpImage*, IStream*, const CLSID*,
                                                     const Gdiplus::EncoderParameters*);
    Gdiplus::GpStatus(WINGDIPAPI* DisposeImage)(Gdiplus::GpImage*);
    Gdiplus::GpStatus(WINGDIPAPI* CreateBitmapFromStream)(IStream*, Gdiplus::GpBitmap**);
    Gdiplus::GpStatus(WINGDIPAPI* GetImageWidth)(Gdiplus::GpImage*, UINT*);
    Gdiplus::GpStatus(WINGDIPAPI* GetImageHeight)(Gdiplus::GpImage*, UINT*);
    Gdiplus::GpStatus(WINGDIPAPI* BitmapLockBits)(Gdiplus::GpBitmap*, const Gdiplus::GpRect*, UINT,
                                                  Gdiplus::PixelFormat, Gdiplus::BitmapData*);
    Gdiplus::GpStatus(WINGDIPAPI* BitmapUnlockBits)(Gdiplus::GpBitmap*, Gdiplus::BitmapData*);
};
const GdiplusCalls* GdiplusApi();

// Whether GDI+ is running.
inline bool GdiplusReady() {
    return GdiplusApi() != nullptr;
}

// The objects the program's GDI+ calls go through, owned: a COM stream in
// memory, and a GDI+ bitmap (disposed through the loaded library, which is
// running whenever one exists).
inline void ReleaseStream(IStream* stream) {
    stream->Release();
}
using Stream = Owned<IStream*, &ReleaseStream>;

inline void DisposeGdiplusBitmap(Gdiplus::GpBitmap* bitmap) {
    GdiplusApi()->DisposeImage(bitmap);
}
using GdiplusBitmap = Owned<Gdiplus::GpBitmap*, &DisposeGdiplusBitmap>;
