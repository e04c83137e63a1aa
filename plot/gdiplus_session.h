#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

// GDI+ for this process, loaded and started on the first call, once, and shut
// down when the program ends (after main returns); the program does not load
// its library before it is needed (a plot saved as PNG), so that the start
// pays nothing for it. Every GDI+ object must be gone before the end; the
// plot's own live only within one call.
//
// The flat calls the plot uses, or null when GDI+ could not be had.
struct GdiplusCalls {
    Gdiplus::GpStatus(WINGDIPAPI* GetImageEncodersSize)(UINT*, UINT*);
    Gdiplus::GpStatus(WINGDIPAPI* GetImageEncoders)(UINT, UINT, Gdiplus::ImageCodecInfo*);
    Gdiplus::GpStatus(WINGDIPAPI* CreateBitmapFromScan0)(INT, INT, INT, Gdiplus::PixelFormat, BYTE*,
                                                         Gdiplus::GpBitmap**);
    Gdiplus::GpStatus(WINGDIPAPI* SaveImageToStream)(Gdiplus::GpImage*, IStream*, const CLSID*,
                                                     const Gdiplus::EncoderParameters*);
    Gdiplus::GpStatus(WINGDIPAPI* DisposeImage)(Gdiplus::GpImage*);
};
const GdiplusCalls* GdiplusApi();

// Whether GDI+ is running.
inline bool GdiplusReady() {
    return GdiplusApi() != nullptr;
}
