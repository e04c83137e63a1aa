#pragma once

#include <windows.h>

#include "base/gdi.h"
#include "panel/panel_layout.h"
#include "ui/window_dpi.h"

// The panel at the display's scale: the panel declares itself aware of each
// monitor's DPI (the manifest), so the system no longer stretches it as a
// bitmap; the panel draws itself for the scale instead, every measure of its
// 96-DPI layout times dpi / 96 (ScaleToDpi in panel_layout.h).

// Keeps the dialog manager of Windows 10 (1703 and later) from scaling the
// panel's fonts and children itself when it moves to another monitor: the
// panel's own WM_DPICHANGED lays it out.
void KeepDialogScalingToPanel(HWND dialog);

// The picture of the apparatus for dpi, owned by the caller: the drawing
// for the nearest scale (bitmap 201 or one of the PNG drawings, bitmap 201 when
// a drawing cannot be read), stretched to the size ScaleToDpi gives when it was
// drawn for another scale. Null when it could not be made.
GdiObject<HBITMAP> LoadPanelPicture(int dpi);

// What the dialog manager makes of the panel's template at 96 DPI: the size of
// the client area and the picture's top-left corner in it. Worked out from the
// template's dialog units as laid out now (at `dpi`, in the dialog's font) and
// the dialog units of the same font at 96 DPI, so that it holds wherever the
// panel was created.
struct TemplateLayout {
    SIZE client;
    POINT picture;
};
TemplateLayout PanelTemplateAt96(HWND dialog, HWND picture, int dpi);

// Sizes the window so that its client area is width x height, at `where`'s
// top-left corner if given, else where it is.
void SetClientSize(HWND window, int width, int height, const RECT* where);
