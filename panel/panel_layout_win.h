#pragma once

#include <windows.h>

#include "base/gdi.h"
#include "panel/field_records.h"
#include "panel/panel_layout.h"
#include "panel/panel_scale_win.h"

// Where the panel's controls are and how large it all is: the picture of the
// apparatus, the fields' controls moved into its empty fields, the fonts, all
// at the panel's scale.
class PanelLayout {
public:
    PanelLayout() = default;
    PanelLayout(const PanelLayout&) = delete;
    PanelLayout& operator=(const PanelLayout&) = delete;

    // Lays the freshly created panel out at its monitor's scale and shows the
    // controls of the fields in their places.
    void Init(HWND panel, FieldRecords& fields);
    // Moved to a monitor of another scale: the panel is laid out again for it,
    // in the rectangle the system suggests.
    void ChangeDpi(int dpi, const RECT* where, FieldRecords& fields);

    // The DPI the panel is laid out for, and its layout at 96 DPI.
    int dpi() const { return dpi_; }
    const TemplateLayout& layoutAt96() const { return layoutAt96_; }
    HWND picture() const { return picture_; }

private:
    void MoveIntoPicture(FieldRecords& fields);
    void PlaceControls(FieldRecords& fields);
    void ShowPictureAtDpi();
    void SetFontsAtDpi(const FieldRecords& fields);
    void SizePanelToDpi(const RECT* where);

    HWND panel_ = nullptr;
    HWND picture_ = nullptr;
    // The scale: the DPI the panel is laid out for, the template's layout at 96
    // DPI, the font the template gave it (at the DPI it was created at), the
    // picture at 96 DPI (kept once made), and the picture and font made for
    // another DPI.
    int dpi_ = kLayoutDpi;
    TemplateLayout layoutAt96_{};
    HFONT templateFont_ = nullptr;
    int templateDpi_ = kLayoutDpi;
    GdiObject<HBITMAP> picture96_;
    GdiObject<HBITMAP> scaledPicture_;
    GdiObject<HFONT> scaledFont_;
};
