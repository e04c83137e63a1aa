#include "panel/panel_scale_win.h"

#include <objidl.h>

#include <cstring>

#include "base/gdi.h"
#include "base/global_memory.h"
#include "base/gdiplus_session.h"
#include "base/module.h"
#include "panel/panel_fields.h"

namespace {

// A top-down 24-bit DIB section; `bits` receives its pixels.
GdiObject<HBITMAP> CreateRgbBitmap(int width, int height, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    return GdiObject<HBITMAP>(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0));
}

// A PNG resource, decoded by GDI+ into a bitmap of the program's.
GdiObject<HBITMAP> LoadPngResource(int id) {
    const auto [data, size] = FindResourceBytes(id, L"PNG");
    if (!data || size == 0 || !GdiplusReady()) return {};

    // The stream frees its copy when it is released.
    GlobalMemory copy = CopyToGlobalMemory(data, size);
    if (!copy) return {};
    Stream stream;
    if (FAILED(CreateStreamOnHGlobal(copy.get(), TRUE, stream.receive())) || !stream) return {};
    copy.release();

    const GdiplusCalls& gdiplus = *GdiplusApi();
    GdiplusBitmap image;
    UINT width = 0, height = 0;
    if (gdiplus.CreateBitmapFromStream(stream.get(), image.receive()) != Gdiplus::Ok || !image ||
        gdiplus.GetImageWidth(image.get(), &width) != Gdiplus::Ok ||
        gdiplus.GetImageHeight(image.get(), &height) != Gdiplus::Ok || width == 0 || height == 0) {
        return {};
    }
    const Gdiplus::GpRect whole(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    Gdiplus::BitmapData pixels{};
    if (gdiplus.BitmapLockBits(image.get(), &whole, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB,
                               &pixels) != Gdiplus::Ok) {
        return {};
    }
    void* bits = nullptr;
    GdiObject<HBITMAP> bitmap = CreateRgbBitmap(static_cast<int>(width), static_cast<int>(height), &bits);
    if (bitmap) {
        const size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
        for (UINT y = 0; y < height; ++y) {
            std::memcpy(static_cast<BYTE*>(bits) + y * stride,
                        static_cast<const BYTE*>(pixels.Scan0) + static_cast<ptrdiff_t>(y) * pixels.Stride,
                        static_cast<size_t>(width) * 3);
        }
        GdiFlush();
    }
    gdiplus.BitmapUnlockBits(image.get(), &pixels);
    return bitmap;
}

// A bitmap resource as a DIB section of its own format, its pixels copied as
// they are stored. LoadImage converts them pixel by pixel into the section
// instead, about a millisecond of the panel's start under Wine. Only what
// CreateDIBSection reads from a packed bitmap is accepted: a header of the
// common size, uncompressed, 1 to 8 bits per pixel with its palette, or 24 or
// 32 bits; null for anything else or a damaged resource.
GdiObject<HBITMAP> LoadBitmapResource(int id) {
    const auto [data, size] = FindResourceBytes(id, RT_BITMAP);
    BITMAPINFOHEADER header{};
    if (!data || size < sizeof(header)) return {};
    std::memcpy(&header, data, sizeof(header));
    const int bits = header.biBitCount;
    const bool paletted = bits == 1 || bits == 4 || bits == 8;
    if (header.biSize != sizeof(header) || header.biPlanes != 1 || header.biCompression != BI_RGB ||
        !(paletted || bits == 24 || bits == 32) || header.biWidth <= 0 || header.biWidth > 32767 ||
        header.biHeight == 0 || header.biHeight < -32767 || header.biHeight > 32767) {
        return {};
    }
    const size_t maxColours = paletted ? size_t{1} << bits : 0;
    const size_t colours = header.biClrUsed ? header.biClrUsed : maxColours;
    const size_t width = static_cast<size_t>(header.biWidth);
    const size_t height = static_cast<size_t>(header.biHeight < 0 ? -header.biHeight : header.biHeight);
    const size_t stride = (width * bits + 31) / 32 * 4;
    const size_t pixelsAt = sizeof(header) + colours * sizeof(RGBQUAD);
    if (colours > maxColours || pixelsAt > size || (size - pixelsAt) / stride < height) return {};

    void* pixels = nullptr;
    GdiObject<HBITMAP> bitmap(CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(data),
                                               DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (!bitmap || !pixels) return {};
    std::memcpy(pixels, data + pixelsAt, stride * height);
    GdiFlush();
    return bitmap;
}

GdiObject<HBITMAP> LoadDrawing(const PictureScale& scale) {
    if (scale.bitmapId == IDB_APPARATUS) {
        if (GdiObject<HBITMAP> bitmap = LoadBitmapResource(IDB_APPARATUS)) return bitmap;
        return GdiObject<HBITMAP>(static_cast<HBITMAP>(LoadImageW(
            ResourceModule(), MAKEINTRESOURCEW(IDB_APPARATUS), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    }
    return LoadPngResource(scale.bitmapId);
}

}  // namespace

void KeepDialogScalingToPanel(HWND dialog) {
    using SetBehaviourCall = BOOL(WINAPI*)(HWND, DIALOG_DPI_CHANGE_BEHAVIORS, DIALOG_DPI_CHANGE_BEHAVIORS);
    static const auto setBehaviour = User32Call<SetBehaviourCall>("SetDialogDpiChangeBehavior");
    if (!setBehaviour) return;
    const auto all = static_cast<DIALOG_DPI_CHANGE_BEHAVIORS>(DDC_DISABLE_ALL | DDC_DISABLE_RESIZE |
                                                              DDC_DISABLE_CONTROL_RELAYOUT);
    setBehaviour(dialog, all, all);
}

GdiObject<HBITMAP> LoadPanelPicture(int dpi) {
    GdiObject<HBITMAP> drawing = LoadDrawing(NearestPictureScale(dpi));
    // A drawing that cannot be read (no GDI+) leaves bitmap 201, stretched.
    if (!drawing) drawing = LoadDrawing(NearestPictureScale(kLayoutDpi));
    BITMAP size{};
    if (!drawing || !GetObjectW(drawing.get(), sizeof(size), &size)) return {};
    const int width = ScaleToDpi(kPictureWidth, dpi);
    const int height = ScaleToDpi(kPictureHeight, dpi);
    if (size.bmWidth == width && size.bmHeight == height) return drawing;

    // A scale between two drawings: the nearest, stretched with averaging.
    void* bits = nullptr;
    GdiObject<HBITMAP> scaled = CreateRgbBitmap(width, height, &bits);
    if (!scaled) return {};
    MemoryDc from(CreateCompatibleDC(nullptr));
    MemoryDc to(CreateCompatibleDC(nullptr));
    bool drawn = false;
    if (from && to) {
        Selection fromBitmap(from.get(), drawing.get());
        Selection toBitmap(to.get(), scaled.get());
        SetStretchBltMode(to.get(), HALFTONE);
        SetBrushOrgEx(to.get(), 0, 0, nullptr);
        drawn = StretchBlt(to.get(), 0, 0, width, height, from.get(), 0, 0, size.bmWidth, size.bmHeight,
                           SRCCOPY) != FALSE;
    }
    if (!drawn) return {};
    return scaled;
}

TemplateLayout PanelTemplateAt96(HWND dialog, HWND picture, int dpi) {
    // The dialog units now, as the dialog manager laid the template out.
    RECT units = {0, 0, 4, 8};
    MapDialogRect(dialog, &units);
    const int unitWidthNow = units.right > 0 ? units.right : 1;
    const int unitHeightNow = units.bottom > 0 ? units.bottom : 1;

    // The same font at 96 DPI, measured as the dialog manager measures it: the
    // average width of the 52 letters, and the font's height.
    int unitWidth96 = unitWidthNow, unitHeight96 = unitHeightNow;
    LOGFONTW font{};
    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    if (dialogFont && GetObjectW(dialogFont, sizeof(font), &font)) {
        font.lfHeight = MulDiv(font.lfHeight, kLayoutDpi, dpi);
        GdiObject<HFONT> font96(CreateFontIndirectW(&font));
        WindowDc screen(nullptr);
        if (font96 && screen) {
            Selection selected(screen.get(), font96.get());
            static const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
            SIZE letters{};
            TEXTMETRICW metrics{};
            if (GetTextExtentPoint32W(screen.get(), kLetters, 52, &letters) &&
                GetTextMetricsW(screen.get(), &metrics)) {
                unitWidth96 = (letters.cx / 26 + 1) / 2;
                unitHeight96 = metrics.tmHeight;
            }
        }
    }
    auto x96 = [&](int x) { return MulDiv(MulDiv(x, 4, unitWidthNow), unitWidth96, 4); };
    auto y96 = [&](int y) { return MulDiv(MulDiv(y, 8, unitHeightNow), unitHeight96, 8); };

    TemplateLayout layout{};
    RECT client{};
    GetClientRect(dialog, &client);
    layout.client = {x96(client.right), y96(client.bottom)};
    RECT place{};
    GetWindowRect(picture, &place);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
    layout.picture = {x96(place.left), y96(place.top)};
    return layout;
}

void SetClientSize(HWND window, int width, int height, const RECT* where) {
    RECT place{};
    GetWindowRect(window, &place);
    const POINT corner = where ? POINT{where->left, where->top} : POINT{place.left, place.top};
    // The frame's share is measured, not computed: the caption, borders and
    // menu bar are those of the window's scale, and the menu bar may take
    // another line at another width; so it is measured again after each move.
    for (int attempt = 0; attempt < 3; ++attempt) {
        RECT client{};
        GetWindowRect(window, &place);
        GetClientRect(window, &client);
        if (client.right == width && client.bottom == height && place.left == corner.x &&
            place.top == corner.y) {
            break;
        }
        const int frameWidth = (place.right - place.left) - client.right;
        const int frameHeight = (place.bottom - place.top) - client.bottom;
        SetWindowPos(window, nullptr, corner.x, corner.y, width + frameWidth, height + frameHeight,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}
