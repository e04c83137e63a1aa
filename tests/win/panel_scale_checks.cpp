#include "panel_scale_checks.h"

#include <string>
#include <vector>

#include "base/gdi.h"
#include "numtext/edit_text_win.h"

Pixels BitmapPixels(HBITMAP bitmap) {
    Pixels pixels;
    BITMAP size{};
    if (!bitmap || !GetObjectW(bitmap, sizeof(size), &size)) return pixels;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = size.bmWidth;
    info.bmiHeader.biHeight = -size.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    pixels.data.resize(static_cast<size_t>(size.bmWidth) * size.bmHeight);
    WindowDc screen(nullptr);
    if (GetDIBits(screen.get(), bitmap, 0, size.bmHeight, pixels.data.data(), &info, DIB_RGB_COLORS) !=
        size.bmHeight) {
        pixels.data.clear();
        return pixels;
    }
    pixels.width = size.bmWidth;
    pixels.height = size.bmHeight;
    return pixels;
}

namespace {

Pixels ShownPicture(HWND picture) {
    return BitmapPixels(reinterpret_cast<HBITMAP>(SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0)));
}

RECT RectIn(HWND control, HWND parent) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Every control of the fields is visible once the panel is laid out.
bool Shown(HWND control) {
    return (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

void ExpectRect(const RECT& r, const PixelRect& expected) {
    EXPECT_EQ(r.left, expected.left);
    EXPECT_EQ(r.top, expected.top);
    EXPECT_EQ(r.right, expected.right);
    EXPECT_EQ(r.bottom, expected.bottom);
}

}  // namespace

int TemplateFontPixels(int dpi) {
    return MulDiv(9, dpi, 72);
}

void ExpectLaidOutAt(const ExperimentPanel& panel, int dpi, bool exactFields) {
    SCOPED_TRACE(testing::Message() << "at " << dpi << " DPI");
    EXPECT_EQ(panel.layout().dpi(), dpi);
    HWND picture = panel.layout().picture();

    RECT client{};
    GetClientRect(panel.window(), &client);
    EXPECT_EQ(client.right, ScaleToDpi(static_cast<int>(panel.layout().layoutAt96().client.cx), dpi));
    EXPECT_EQ(client.bottom, ScaleToDpi(static_cast<int>(panel.layout().layoutAt96().client.cy), dpi));
    const RECT place = RectIn(picture, panel.window());
    EXPECT_EQ(place.left, ScaleToDpi(static_cast<int>(panel.layout().layoutAt96().picture.x), dpi));
    EXPECT_EQ(place.top, ScaleToDpi(static_cast<int>(panel.layout().layoutAt96().picture.y), dpi));
    EXPECT_LE(place.right, client.right);
    EXPECT_LE(place.bottom, client.bottom);

    const Pixels shown = ShownPicture(picture);
    ASSERT_EQ(shown.width, ScaleToDpi(kPictureWidth, dpi));
    ASSERT_EQ(shown.height, ScaleToDpi(kPictureHeight, dpi));
    // The static takes the bitmap's size, its edge included, as at 96 DPI.
    EXPECT_EQ(place.right - place.left, shown.width);
    EXPECT_EQ(place.bottom - place.top, shown.height);

    for (const Placement& placement : kPicturePlacements) {
        SCOPED_TRACE(testing::Message() << "control " << placement.id);
        HWND control = panel.Control(placement.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(GetParent(control), picture);
        EXPECT_TRUE(Shown(control));
        const RECT r = RectIn(control, picture);
        ExpectRect(r, ScaleToDpi(placement.rect, dpi));
        ASSERT_TRUE(0 <= r.left && r.right <= shown.width && 0 <= r.top && r.bottom <= shown.height);
        // On its white field: white inside, and with a drawing of this scale
        // not white along the control's edge, so no field shows beside it.
        const int inset = exactFields ? 1 : 2;
        int notWhiteInside = 0, whiteEdge = 0;
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                const bool edge = x == r.left || x == r.right - 1 || y == r.top || y == r.bottom - 1;
                const bool inside =
                    x >= r.left + inset && x < r.right - inset && y >= r.top + inset && y < r.bottom - inset;
                if (inside && !shown.White(x, y)) ++notWhiteInside;
                if (exactFields && edge && shown.White(x, y)) ++whiteEdge;
            }
        }
        EXPECT_EQ(notWhiteInside, 0) << "pixels under the control that are not white";
        EXPECT_EQ(whiteEdge, 0) << "white pixels along the control's edge";
    }

    for (const SliderField* slider : {&panel.sampleCurrent(), &panel.magnetCurrent()}) {
        SCOPED_TRACE(testing::Message() << "frame " << slider->frame.id);
        RECT inside{};
        GetClientRect(slider->frame.window, &inside);
        EXPECT_EQ(GetParent(slider->track), slider->frame.window);
        for (HWND part : {slider->track, slider->minimumBox.window, slider->maximumBox.window}) {
            EXPECT_TRUE(Shown(part));
        }
        ExpectRect(RectIn(slider->track, slider->frame.window),
                   FrameSliderRect(inside.right, inside.bottom, dpi));
        ExpectRect(RectIn(slider->minimumBox.window, slider->frame.window),
                   FrameMinimumRect(inside.right, inside.bottom, dpi));
        ExpectRect(RectIn(slider->maximumBox.window, slider->frame.window),
                   FrameMaximumRect(inside.right, inside.bottom, dpi));
    }

    for (int id : {IDC_MATERIAL_NUMBER, IDC_HALL_FACTOR, IDC_TEMPERATURE, IDC_HALL_VOLTAGE,
                   IDC_SAMPLE_CURRENT, IDC_SAMPLE_CURRENT_MIN, IDC_MAGNET_CURRENT_MAX}) {
        SCOPED_TRACE(testing::Message() << "font of " << id);
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(panel.Control(id), WM_GETFONT, 0, 0));
        LOGFONTW description{};
        ASSERT_TRUE(font && GetObjectW(font, sizeof(description), &description));
        EXPECT_EQ(description.lfHeight < 0 ? -description.lfHeight : description.lfHeight,
                  TemplateFontPixels(dpi));
    }
}

void ExpectNoTextCut(const ExperimentPanel& panel) {
    for (const PanelField& field : kPanelFields) {
        std::vector<int> boxes = {field.id};
        if (field.kind == FieldKind::upDown) continue;
        if (field.kind == FieldKind::slider) {
            boxes.push_back(field.slider.minimumId);
            boxes.push_back(field.slider.maximumId);
        }
        for (int id : boxes) {
            HWND box = panel.Control(id);
            const std::wstring text = ReadWindowText(box);
            SCOPED_TRACE(testing::Message()
                         << "box " << id << " showing \"" << std::string(text.begin(), text.end()) << "\"");
            ASSERT_FALSE(text.empty());
            RECT format{}, client{};
            SendMessageW(box, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
            GetClientRect(box, &client);
            WindowDc dc(box);
            Selection font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0)));
            SIZE extent{};
            TEXTMETRICW metrics{};
            ASSERT_TRUE(
                GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent));
            ASSERT_TRUE(GetTextMetricsW(dc.get(), &metrics));
            EXPECT_LE(extent.cx, format.right - format.left) << "the text is wider than the box shows";
            EXPECT_LE(metrics.tmHeight, client.bottom) << "the font is taller than the box";
        }
    }
}
