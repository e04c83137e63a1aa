#include "plot/plot_export.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/gdi.h"
#include "base/global_memory.h"
#include "base/owned.h"
#include "base/gdiplus_session.h"
#include "plot/draw_plot.h"
#include "storage/file_replace_win.h"
#include "ui/clipboard.h"

namespace {

// The flat GDI+ calls, which the C++ wrappers are made of.

constexpr wchar_t kMetafileDescription[] = L"Tesmor\0Plot\0";

// An enhanced metafile being recorded: the DC that records it, closed and the
// picture thrown away unless it is finished.
class MetafileRecording {
public:
    MetafileRecording(HDC reference, const RECT& frame)
        : dc_(CreateEnhMetaFileW(reference, nullptr, &frame, kMetafileDescription)) {}
    ~MetafileRecording() {
        if (dc_) DeleteEnhMetaFile(CloseEnhMetaFile(dc_));
    }
    MetafileRecording(const MetafileRecording&) = delete;
    MetafileRecording& operator=(const MetafileRecording&) = delete;

    HDC dc() const { return dc_; }
    HENHMETAFILE Finish() {
        HENHMETAFILE picture = CloseEnhMetaFile(dc_);
        dc_ = nullptr;
        return picture;
    }

private:
    HDC dc_;
};

// A finished metafile, deleted unless the clipboard takes it over.
using Metafile = Owned<HENHMETAFILE, &DeleteEnhMetaFile>;

bool SizeIsDrawable(int width, int height) {
    return width > 0 && height > 0 && width <= kMaxPlotSide && height <= kMaxPlotSide;
}

bool FindPngEncoder(CLSID& encoder) {
    UINT count = 0, size = 0;
    if (GdiplusApi()->GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
    std::vector<unsigned char> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (GdiplusApi()->GetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < count; ++i) {
        if (codecs[i].MimeType && std::wcscmp(codecs[i].MimeType, L"image/png") == 0) {
            encoder = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

// The plot drawn into a top-down 32-bit bitmap and encoded as PNG into `png`.
PngSaveStatus EncodePlot(int width, int height, const PlotData& data, int scale, std::vector<unsigned char>& png) {
    if (!GdiplusReady()) return PngSaveStatus::noGdiplus;
    static CLSID encoder;
    static const bool haveEncoder = FindPngEncoder(encoder);
    if (!haveEncoder) return PngSaveStatus::noGdiplus;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    MemoryDc dc(CreateCompatibleDC(nullptr));
    GdiObject<HBITMAP> bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dc || !bitmap || !bits) return PngSaveStatus::notDrawn;
    {
        Selection use(dc.get(), bitmap.get());
        DrawPlot(dc.get(), {0, 0, width, height}, data, scale);
        GdiFlush();
    }

    // GDI+ reads the bitmap's bits where they are, as blue, green, red and an
    // unused byte per pixel: the layout of the DIB section.
    GdiplusBitmap image;
    if (GdiplusApi()->CreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppRGB, static_cast<BYTE*>(bits),
                                         image.receive()) != Gdiplus::Ok ||
        !image) {
        return PngSaveStatus::notEncoded;
    }
    Stream stream;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.receive())) || !stream) {
        return PngSaveStatus::notEncoded;
    }
    if (GdiplusApi()->SaveImageToStream(image.get(), stream.get(), &encoder, nullptr) != Gdiplus::Ok) {
        return PngSaveStatus::notEncoded;
    }
    STATSTG stat = {};
    HGLOBAL memory = nullptr;
    if (FAILED(stream.get()->Stat(&stat, STATFLAG_NONAME)) || stat.cbSize.QuadPart == 0 ||
        FAILED(GetHGlobalFromStream(stream.get(), &memory))) {
        return PngSaveStatus::notEncoded;
    }
    GlobalLockScope encoded(memory);
    if (!encoded.data()) return PngSaveStatus::notEncoded;
    const auto* first = static_cast<const unsigned char*>(encoded.data());
    png.assign(first, first + static_cast<size_t>(stat.cbSize.QuadPart));
    return PngSaveStatus::saved;
}

}  // namespace

bool CopyPlotToClipboard(HWND owner, int width, int height, const PlotData& data) {
    if (!SizeIsDrawable(width, height)) return false;
    WindowDc screen(nullptr);
    if (!screen) return false;
    // The frame is in hundredths of a millimetre on the reference device, and
    // covers the pixels 0 to width - 1 (the bounds are inclusive).
    const int millimetresX = GetDeviceCaps(screen.get(), HORZSIZE);
    const int millimetresY = GetDeviceCaps(screen.get(), VERTSIZE);
    const int pixelsX = GetDeviceCaps(screen.get(), HORZRES);
    const int pixelsY = GetDeviceCaps(screen.get(), VERTRES);
    if (millimetresX <= 0 || millimetresY <= 0 || pixelsX <= 0 || pixelsY <= 0) return false;
    const RECT frame = {0, 0, MulDiv(width - 1, millimetresX * 100, pixelsX),
                        MulDiv(height - 1, millimetresY * 100, pixelsY)};

    MetafileRecording recording(screen.get(), frame);
    if (!recording.dc()) return false;
    DrawPlot(recording.dc(), {0, 0, width, height}, data);
    Metafile picture(recording.Finish());
    if (!picture.get()) return false;

    OpenedClipboard clipboard(owner);
    if (!clipboard || !EmptyClipboard()) return false;
    // From here on the clipboard owns the picture and deletes it.
    if (!SetClipboardData(CF_ENHMETAFILE, picture.get())) return false;
    picture.release();
    return true;
}

std::wstring PendingPngPath(const std::wstring& path) {
    return path + L".new";
}

int PrintScale(int width, int height) {
    if (width <= 0 || height <= 0) return 1;
    int scale = (kPrintedPlotWidth + width - 1) / width;
    while (scale > 1 && (width > kMaxPlotSide / scale || height > kMaxPlotSide / scale)) --scale;
    return std::max(1, scale);
}

PngSaveResult SavePlotPng(const std::wstring& path, int width, int height, const PlotData& data, int scale) {
    if (!SizeIsDrawable(width, height)) return {PngSaveStatus::badSize, 0};
    std::vector<unsigned char> png;
    const PngSaveStatus encoded = EncodePlot(width, height, data, scale, png);
    if (encoded != PngSaveStatus::saved) return {encoded, 0};

    if (const DWORD error = ReplaceFileWith(path, PendingPngPath(path), png)) {
        return {PngSaveStatus::notWritten, error};
    }
    return {PngSaveStatus::saved, 0};
}
