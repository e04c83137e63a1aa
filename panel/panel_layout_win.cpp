#include "panel/panel_layout_win.h"

#include "res/resource.h"
#include "ui/centre_window.h"

namespace {

// The template makes the controls hidden: each is shown once it is in its
// place, with one call. While the panel is being made it is not shown yet, and
// nothing is repainted.
void Place(HWND control, const PixelRect& rect, bool repaint) {
    SetWindowPos(control, nullptr, rect.left, rect.top, rect.width(), rect.height(),
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW | (repaint ? 0 : SWP_NOREDRAW));
}

void MoveInto(PlacedControl& record, HWND panel, HWND picture) {
    record.window = GetDlgItem(panel, record.id);
    SetParent(record.window, picture);
}

}  // namespace

void PanelLayout::Init(HWND panel, FieldRecords& fields) {
    // The template is laid out in dialog units, which follow the font, not the
    // scale; at any DPI but 96 the panel takes its 96-DPI layout times the scale.
    panel_ = panel;
    picture_ = GetDlgItem(panel, IDC_PICTURE);
    dpi_ = WindowDpi(panel);
    templateDpi_ = dpi_;
    templateFont_ = reinterpret_cast<HFONT>(SendMessageW(panel, WM_GETFONT, 0, 0));
    scaledFont_.reset();
    layoutAt96_ = PanelTemplateAt96(panel, picture_, dpi_);
    KeepDialogScalingToPanel(panel);
    ShowPictureAtDpi();
    MoveIntoPicture(fields);
    PlaceControls(fields);
    if (dpi_ != kLayoutDpi) {
        SizePanelToDpi(nullptr);
        CentreWindow(panel, nullptr);
    }
}

// Values, focus and a lock stay as they are.
void PanelLayout::ChangeDpi(int dpi, const RECT* where, FieldRecords& fields) {
    dpi_ = dpi;
    ShowPictureAtDpi();
    SetFontsAtDpi(fields);
    PlaceControls(fields);
    SizePanelToDpi(where);
}

// Re-parented edits, sliders and up-downs keep notifying the window that was
// their parent when they were created, so the panel's message map still
// receives their EN_CHANGE and UDN_DELTAPOS. GetDlgItem no longer finds them
// afterwards: the records keep their handles.
void PanelLayout::MoveIntoPicture(FieldRecords& fields) {
    for (const PanelField& field : kPanelFields) {
        if (field.kind != FieldKind::slider) {
            MoveInto(*fields.Single(field.id), panel_, picture_);
            continue;
        }
        SliderField& slider = *fields.SliderOfBox(field.id);
        MoveInto(slider.valueBox, panel_, picture_);
        MoveInto(slider.frame, panel_, picture_);
        slider.track = GetDlgItem(panel_, slider.trackId);
        slider.minimumBox.window = GetDlgItem(panel_, slider.minimumBox.id);
        slider.maximumBox.window = GetDlgItem(panel_, slider.maximumBox.id);
        for (HWND part : {slider.track, slider.minimumBox.window, slider.maximumBox.window}) {
            SetParent(part, slider.frame.window);
        }
    }
}

// Every control on its field's rectangle at the panel's scale; inside a
// slider's frame, the slider and range boxes by the frame's client size as
// measured, which the frame's borders make.
void PanelLayout::PlaceControls(FieldRecords& fields) {
    const bool repaint = IsWindowVisible(panel_) != FALSE;
    auto place = [&](PlacedControl& record, const PixelRect& rect) {
        record.rect = ScaleToDpi(rect, dpi_);
        Place(record.window, record.rect, repaint);
    };
    for (const PanelField& field : kPanelFields) {
        if (field.kind != FieldKind::slider) {
            place(*fields.Single(field.id), field.place);
            continue;
        }
        SliderField& slider = *fields.SliderOfBox(field.id);
        place(slider.valueBox, field.place);
        place(slider.frame, field.slider.framePlace);
        RECT client;
        GetClientRect(slider.frame.window, &client);
        const int width = client.right;
        const int height = client.bottom;
        slider.trackRect = FrameSliderRect(width, height, dpi_);
        slider.minimumBox.rect = FrameMinimumRect(width, height, dpi_);
        slider.maximumBox.rect = FrameMaximumRect(width, height, dpi_);
        Place(slider.track, slider.trackRect, repaint);
        Place(slider.minimumBox.window, slider.minimumBox.rect, repaint);
        Place(slider.maximumBox.window, slider.maximumBox.rect, repaint);
    }
}

// The picture for the panel's scale, at its scaled place: bitmap 201 at 96 DPI.
// It is given to the static here rather than named in the template, which
// would have the dialog manager convert it to the screen's format before the
// panel is first shown; a DIB section is converted only as it is painted.
void PanelLayout::ShowPictureAtDpi() {
    if (dpi_ == kLayoutDpi && !picture96_) picture96_ = LoadPanelPicture(kLayoutDpi);
    GdiObject<HBITMAP> made = dpi_ == kLayoutDpi ? GdiObject<HBITMAP>() : LoadPanelPicture(dpi_);
    HBITMAP shown = made ? made.get() : picture96_.get();
    if (shown) {
        // The static sizes itself to the bitmap, and deletes none it was given:
        // a picture made for another scale before is shown no more and goes.
        SendMessageW(picture_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(shown));
        scaledPicture_ = std::move(made);
    }
    SetWindowPos(picture_, nullptr, ScaleToDpi(layoutAt96_.picture.x, dpi_),
                 ScaleToDpi(layoutAt96_.picture.y, dpi_), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The template's font at the panel's scale, in every control of the fields.
void PanelLayout::SetFontsAtDpi(const FieldRecords& fields) {
    HFONT made = nullptr;
    LOGFONTW description{};
    if (dpi_ != templateDpi_ && templateFont_ &&
        GetObjectW(templateFont_, sizeof(description), &description)) {
        description.lfHeight = MulDiv(description.lfHeight, dpi_, templateDpi_);
        made = CreateFontIndirectW(&description);
    }
    HFONT font = made ? made : templateFont_;
    if (!font) return;
    fields.ForEachControl([&](int, HWND control, LockRole) {
        if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    });
    // The font made before is in no control any more.
    scaledFont_.reset(made);
}

void PanelLayout::SizePanelToDpi(const RECT* where) {
    SetClientSize(panel_, ScaleToDpi(layoutAt96_.client.cx, dpi_), ScaleToDpi(layoutAt96_.client.cy, dpi_),
                  where);
}
