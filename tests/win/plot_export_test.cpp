// The plot's exports: the enhanced metafile on the clipboard, played back
// into a bitmap, and the PNG file, read back with GDI+; and how each fails.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "base/owned.h"
#include "gui_objects.h"
#include "plot/draw_plot.h"
#include "base/gdiplus_session.h"
#include "plot/plot_export.h"
#include "plot/plot_view.h"
#include "plot_canvas.h"
#include "scratch_folder.h"

namespace {

namespace gdip = Gdiplus::DllExports;
using GdiplusBitmap = Owned<Gdiplus::GpBitmap*, &gdip::GdipDisposeImage>;

class ClipboardOpened {
public:
    ClipboardOpened() : open_(OpenClipboard(nullptr) != FALSE) {}
    ~ClipboardOpened() {
        if (open_) CloseClipboard();
    }
    explicit operator bool() const { return open_; }

private:
    bool open_;
};

void PutTextOnClipboard(const wchar_t* text) {
    ClipboardOpened clipboard;
    ASSERT_TRUE(clipboard);
    ASSERT_TRUE(EmptyClipboard());
    const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    ASSERT_NE(memory, nullptr);
    std::memcpy(GlobalLock(memory), text, bytes);
    GlobalUnlock(memory);
    ASSERT_NE(SetClipboardData(CF_UNICODETEXT, memory), nullptr);
}

std::wstring TextOnClipboard() {
    ClipboardOpened clipboard;
    HANDLE memory = clipboard ? GetClipboardData(CF_UNICODETEXT) : nullptr;
    if (!memory) return L"(none)";
    std::wstring text(static_cast<const wchar_t*>(GlobalLock(memory)));
    GlobalUnlock(memory);
    return text;
}

int CALLBACK CountTextRecords(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM count) {
    if (record->iType == EMR_EXTTEXTOUTW) ++*reinterpret_cast<int*>(count);
    return 1;
}

// A text of a metafile: what it says, where, and the height of its font.
struct MetafileText {
    std::wstring text;
    POINTL reference = {};
    LONG fontHeight = 0;
};

// The texts of a metafile, and what it takes to know their fonts: the fonts
// made, by their index in the picture's handle table, and the one selected.
struct MetafileTexts {
    std::vector<MetafileText> texts;
    std::vector<std::pair<DWORD, LONG>> fonts;
    LONG current = 0;
};

int CALLBACK CollectTexts(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM data) {
    auto* found = reinterpret_cast<MetafileTexts*>(data);
    if (record->iType == EMR_EXTCREATEFONTINDIRECTW) {
        const auto* font = reinterpret_cast<const EMREXTCREATEFONTINDIRECTW*>(record);
        found->fonts.emplace_back(font->ihFont, font->elfw.elfLogFont.lfHeight);
    } else if (record->iType == EMR_SELECTOBJECT) {
        const DWORD index = reinterpret_cast<const EMRSELECTOBJECT*>(record)->ihObject;
        for (auto it = found->fonts.rbegin(); it != found->fonts.rend(); ++it) {
            if (it->first == index) {
                found->current = it->second;
                break;
            }
        }
    } else if (record->iType == EMR_EXTTEXTOUTW) {
        const auto* out = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
        const auto* chars = reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(record) +
                                                             out->emrtext.offString);
        found->texts.push_back({std::wstring(chars, out->emrtext.nChars), out->emrtext.ptlReference, found->current});
    }
    return 1;
}

// The PNG file's pixels as 0x00RRGGBB, row by row, and its size; empty when
// GDI+ cannot read it.
std::vector<uint32_t> PngPixels(const std::wstring& path, UINT& width, UINT& height) {
    std::vector<uint32_t> pixels;
    width = height = 0;
    GdiplusBitmap image;
    if (!GdiplusReady() || gdip::GdipCreateBitmapFromFile(path.c_str(), image.receive()) != Gdiplus::Ok) {
        return pixels;
    }
    gdip::GdipGetImageWidth(image.get(), &width);
    gdip::GdipGetImageHeight(image.get(), &height);
    Gdiplus::Rect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    Gdiplus::BitmapData locked = {};
    if (gdip::GdipBitmapLockBits(image.get(), &all, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB, &locked) !=
        Gdiplus::Ok) {
        return pixels;
    }
    for (UINT y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const BYTE*>(locked.Scan0) +
                                                            static_cast<ptrdiff_t>(y) * locked.Stride);
        for (UINT x = 0; x < width; ++x) pixels.push_back(row[x] & 0xFFFFFF);
    }
    gdip::GdipBitmapUnlockBits(image.get(), &locked);
    return pixels;
}

const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

}  // namespace

TEST(PlotClipboard, TheWindowsPlotGoesOnTheClipboardAsAVectorPictureOfItsSize) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"log", WS_POPUP | WS_VISIBLE, 40, 40, 500, 400, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    PlotView view;
    ASSERT_TRUE(view.Create(parent, {0, 0, 360, 270}, 1));
    const PlotData data = RisingReadings();
    view.SetData(data);
    PutTextOnClipboard(L"before");

    ASSERT_TRUE(view.CopyToClipboard());
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_ENHMETAFILE));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT)) << "the clipboard was not emptied";
    {
        ClipboardOpened clipboard;
        ASSERT_TRUE(clipboard);
        HENHMETAFILE picture = static_cast<HENHMETAFILE>(GetClipboardData(CF_ENHMETAFILE));
        ASSERT_NE(picture, nullptr);

        ENHMETAHEADER header = {};
        ASSERT_NE(GetEnhMetaFileHeader(picture, sizeof header, &header), 0u);
        const RECT bounds = {header.rclBounds.left, header.rclBounds.top, header.rclBounds.right,
                             header.rclBounds.bottom};
        EXPECT_EQ(bounds, (RECT{0, 0, 359, 269}));  // inclusive
        // The frame, in hundredths of a millimetre, is the same size on the
        // reference device.
        EXPECT_NEAR(MulDiv(header.rclFrame.right, header.szlDevice.cx, header.szlMillimeters.cx * 100), 359, 1);
        EXPECT_NEAR(MulDiv(header.rclFrame.bottom, header.szlDevice.cy, header.szlMillimeters.cy * 100), 269, 1);
        // The texts are kept as text, not as pixels.
        int texts = 0;
        EnumEnhMetaFile(nullptr, picture, CountTextRecords, &texts, nullptr);
        EXPECT_GE(texts, static_cast<int>(data.x.ticks.size() + data.y.ticks.size() + 2));

        // Played back at its size, the markers are where a direct drawing has them.
        Canvas canvas(360, 270);
        const RECT target = canvas.rect();
        ASSERT_TRUE(PlayEnhMetaFile(canvas.dc(), picture, &target));
        const PlotMapping m = LayOutPlot(canvas.dc(), target, data);
        for (size_t i = 0; i < data.points.size(); ++i) {
            const COLORREF colour = i == 2 ? kPlotSelectedColour : kPlotMarkerColour;
            EXPECT_TRUE(canvas.Near(m.Pixel(data.points[i].x, data.points[i].y), colour, 1)) << "point " << i;
        }
        EXPECT_TRUE(canvas.Near(m.Pixel(6, 59.5), kPlotFitColour, 2));
        EXPECT_EQ(canvas.Count(target, Canvas::kUntouched), 0);
    }
    DestroyWindow(parent);
}

TEST(PlotClipboard, APictureOfNoSizeLeavesTheClipboardAlone) {
    PutTextOnClipboard(L"kept");
    EXPECT_FALSE(CopyPlotToClipboard(nullptr, 0, 200, RisingReadings()));
    EXPECT_FALSE(CopyPlotToClipboard(nullptr, 300, -1, RisingReadings()));
    EXPECT_FALSE(CopyPlotToClipboard(nullptr, kMaxPlotSide + 1, 200, RisingReadings()));
    EXPECT_EQ(TextOnClipboard(), L"kept");

    // A window that was never made has no size either.
    PlotView unmade;
    EXPECT_FALSE(unmade.CopyToClipboard());
    EXPECT_EQ(unmade.SavePng(L"C:\\unmade.png").status, PngSaveStatus::badSize);
    EXPECT_EQ(TextOnClipboard(), L"kept");
}

TEST(PlotPng, TheFileHoldsExactlyTheDrawnPixels) {
    ScratchFolder folder;
    const std::wstring path = folder.File(L"plot.png");
    const PlotData data = RisingReadings();
    const PngSaveResult result = SavePlotPng(path, 320, 240, data);
    ASSERT_TRUE(result) << static_cast<int>(result.status) << ", error " << result.error;
    EXPECT_EQ(result.error, 0u);

    const std::vector<unsigned char> bytes = ReadFileBytes(path);
    ASSERT_GE(bytes.size(), sizeof kPngSignature);
    EXPECT_TRUE(std::equal(std::begin(kPngSignature), std::end(kPngSignature), bytes.begin()));

    UINT width = 0, height = 0;
    const std::vector<uint32_t> pixels = PngPixels(path, width, height);
    EXPECT_EQ(width, 320u);
    EXPECT_EQ(height, 240u);
    Canvas canvas(320, 240);
    const PlotMapping m = DrawPlot(canvas.dc(), canvas.rect(), data);
    ASSERT_EQ(pixels.size(), 320u * 240u);
    const POINT first = m.Pixel(1, 12);
    EXPECT_EQ(pixels[first.y * 320 + first.x], 0x0054A6u);  // kPlotMarkerColour as 0xRRGGBB
    EXPECT_TRUE(pixels == canvas.Pixels()) << "the PNG is not the drawing";

    // Nothing else is left in the folder.
    const FolderContents contents = ContentsOf(folder.path());
    EXPECT_EQ(contents.size(), 1u);
    EXPECT_EQ(contents.count(L"plot.png"), 1u);
}

TEST(PlotPng, TheWindowsPlotIsSavedLargeEnoughForAPrintedReport) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"log", WS_POPUP | WS_VISIBLE, 0, 0, 1800, 400, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    ScratchFolder folder;
    const PlotData data = RisingReadings();

    // A small window's plot is drawn five times as large: 1800 × 1350, the
    // window's shape, with markers, lines and texts to match.
    PlotView small;
    ASSERT_TRUE(small.Create(parent, {0, 0, 360, 270}, 1));
    small.SetData(data);
    const std::wstring path = folder.File(L"small.png");
    ASSERT_TRUE(small.SavePng(path));
    UINT width = 0, height = 0;
    const std::vector<uint32_t> pixels = PngPixels(path, width, height);
    EXPECT_EQ(width, 1800u);
    EXPECT_EQ(height, 1350u);
    Canvas large(1800, 1350);
    const PlotMapping m = DrawPlot(large.dc(), large.rect(), data, 5);
    EXPECT_TRUE(pixels == large.Pixels()) << "the PNG is not the plot drawn five times as large";
    const POINT first = m.Pixel(1, 12);
    const int side = 5 * kPlotMarkerSize;
    const RECT marker = {first.x - side / 2, first.y - side / 2, first.x - side / 2 + side, first.y - side / 2 + side};
    EXPECT_EQ(large.Count(marker, kPlotMarkerColour), side * side);
    EXPECT_EQ(large.Count({m.area().left - 5, 600, m.area().left, 700}, kPlotInk), 5 * 100);  // the frame

    // A window already that wide is saved at its own size.
    PlotView wide;
    ASSERT_TRUE(wide.Create(parent, {0, 0, 1700, 300}, 2));
    wide.SetData(data);
    ASSERT_TRUE(wide.SavePng(folder.File(L"wide.png")));
    EXPECT_EQ(PngPixels(folder.File(L"wide.png"), width, height).size(), 1700u * 300u);
    EXPECT_EQ(width, 1700u);
    DestroyWindow(parent);
}

TEST(PlotClipboard, TheVectorPictureKeepsSubscriptsAndMinusSignsAsText) {
    PlotData data = RisingReadings();
    data.x.title = L"I_m (A)";
    data.y.ticks[1].label = L"-25";
    data.fit->text = {L"E_g = \u22122k \u00D7 slope = 0.650 \u00B1 0.027 eV"};
    ASSERT_TRUE(CopyPlotToClipboard(nullptr, 400, 300, data));
    ClipboardOpened clipboard;
    ASSERT_TRUE(clipboard);
    HENHMETAFILE picture = static_cast<HENHMETAFILE>(GetClipboardData(CF_ENHMETAFILE));
    ASSERT_NE(picture, nullptr);
    MetafileTexts found;
    EnumEnhMetaFile(nullptr, picture, CollectTexts, &found, nullptr);
    const std::vector<MetafileText>& texts = found.texts;

    auto find = [&](const std::wstring& text) {
        return std::find_if(texts.begin(), texts.end(), [&](const MetafileText& t) { return t.text == text; });
    };
    for (const MetafileText& t : texts) {
        EXPECT_EQ(t.text.find(L'_'), std::wstring::npos) << "an underscore is drawn";
        EXPECT_EQ(t.text.find(L'-'), std::wstring::npos) << "a hyphen is drawn";
    }
    EXPECT_NE(find(L"\u221225"), texts.end());
    // "I_m": the m in a smaller font, on a lower baseline, right after the I.
    const auto i = find(L"I"), m = find(L"m");
    ASSERT_NE(i, texts.end());
    ASSERT_NE(m, texts.end());
    EXPECT_LT(std::abs(m->fontHeight), std::abs(i->fontHeight));
    EXPECT_GT(m->reference.y, i->reference.y);
    EXPECT_GT(m->reference.x, i->reference.x);
    EXPECT_LT(m->reference.x, i->reference.x + std::abs(i->fontHeight));
    const auto g = find(L"g");
    ASSERT_NE(g, texts.end());
    EXPECT_GT(g->reference.y, find(L"E")->reference.y);
}

TEST(PlotPng, SavingReplacesAnOlderFileWhole) {
    ScratchFolder folder;
    const std::wstring path = folder.File(L"plot.png");
    ASSERT_TRUE(WriteFileBytes(path, std::vector<unsigned char>(100000, 'x')));
    ASSERT_TRUE(WriteFileBytes(PendingPngPath(path), {'o', 'l', 'd'}));  // left by a crash
    PlotData data;
    ASSERT_TRUE(SavePlotPng(path, 64, 48, data));
    const std::vector<unsigned char> bytes = ReadFileBytes(path);
    ASSERT_GE(bytes.size(), sizeof kPngSignature);
    EXPECT_LT(bytes.size(), 100000u);
    EXPECT_TRUE(std::equal(std::begin(kPngSignature), std::end(kPngSignature), bytes.begin()));
    EXPECT_FALSE(FileExists(PendingPngPath(path)));
    UINT width = 0, height = 0;
    EXPECT_EQ(PngPixels(path, width, height).size(), 64u * 48u);
}

TEST(PlotPng, AFailedSaveSaysWhyAndLeavesNoFileBehind) {
    ScratchFolder folder;
    const PlotData data = RisingReadings();

    // A folder that does not exist.
    PngSaveResult result = SavePlotPng(folder.File(L"missing\\plot.png"), 200, 100, data);
    EXPECT_FALSE(result);
    EXPECT_EQ(result.status, PngSaveStatus::notWritten);
    EXPECT_EQ(result.error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(ContentsOf(folder.path()).empty());

    // A folder where the file should go: the pending file is written, then
    // cannot take the folder's place, and is removed again.
    ASSERT_TRUE(CreateDirectoryW(folder.File(L"plot.png").c_str(), nullptr));
    const FolderContents before = ContentsOf(folder.path());
    result = SavePlotPng(folder.File(L"plot.png"), 200, 100, data);
    EXPECT_EQ(result.status, PngSaveStatus::notWritten);
    EXPECT_NE(result.error, 0u);
    EXPECT_EQ(ContentsOf(folder.path()), before);

    // Sizes no bitmap can have.
    for (SIZE size : {SIZE{0, 100}, SIZE{100, -5}, SIZE{kMaxPlotSide + 1, 10}}) {
        result = SavePlotPng(folder.File(L"small.png"), size.cx, size.cy, data);
        EXPECT_EQ(result.status, PngSaveStatus::badSize) << size.cx << " x " << size.cy;
    }
    EXPECT_EQ(ContentsOf(folder.path()), before);
}

TEST(PlotExports, KeepNoGdiObjects) {
    ScratchFolder folder;
    const PlotData data = RisingReadings();
    // GDI+ starts, and GDI makes what it keeps for the fonts, on first use.
    ASSERT_TRUE(SavePlotPng(folder.File(L"first.png"), 100, 80, data));
    ASSERT_TRUE(CopyPlotToClipboard(nullptr, 100, 80, data));
    PutTextOnClipboard(L"start");  // the clipboard lets its picture go
    const GuiObjects before = CountGuiObjects();
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(SavePlotPng(folder.File(L"plot.png"), 200, 150, data));
        ASSERT_TRUE(CopyPlotToClipboard(nullptr, 200, 150, data));
        SavePlotPng(folder.File(L"missing\\plot.png"), 200, 150, data);
    }
    PutTextOnClipboard(L"done");
    EXPECT_EQ(CountGuiObjects().gdi, before.gdi);
}
