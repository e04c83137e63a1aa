#pragma once

#include <windows.h>

#include <string>

#include "plot/plot_data.h"

// Largest width and height either export takes.
inline constexpr int kMaxPlotSide = 16384;

// The least width of a PNG picture of the window's plot: enough for a printed
// page at about 200 dots per inch.
inline constexpr int kPrintedPlotWidth = 1600;

// The plot taken out of the program: as a vector picture on the clipboard for
// a report, or as a PNG file. Both are drawn by DrawPlot at the size given in
// pixels, so they look as the window does at that size.

// Empties the clipboard (opened for `owner`, which may be null) and puts the
// plot on it as an enhanced metafile (CF_ENHMETAFILE) of width × height
// pixels, referred to the screen. True when the clipboard holds it. False,
// with the clipboard untouched, when the size is not positive or beyond
// kMaxPlotSide, the picture cannot be recorded or the clipboard cannot be
// opened (another program may hold it for longer than a tenth of a second).
// Should the system refuse the picture once the clipboard is emptied, it is
// left empty.
bool CopyPlotToClipboard(HWND owner, int width, int height, const PlotData& data);

enum class PngSaveStatus {
    saved,
    badSize,     // width or height not positive, or too large for a bitmap
    noGdiplus,   // GDI+ did not start, or has no PNG encoder
    notDrawn,    // no bitmap for the drawing
    notEncoded,  // the PNG encoder failed
    notWritten,  // the file could not be written; `error` tells why
};

struct PngSaveResult {
    PngSaveStatus status = PngSaveStatus::saved;
    DWORD error = 0;  // the system's error code for notWritten, else 0

    explicit operator bool() const { return status == PngSaveStatus::saved; }
};

// The whole number of times a plot of width × height pixels is drawn larger
// to be at least kPrintedPlotWidth wide (1 for one that is), held so that
// neither side passes kMaxPlotSide; 1 for a size that is not positive.
int PrintScale(int width, int height);

// Writes the plot as an opaque PNG file of width × height pixels to `path`,
// drawn `scale` times as large as on the screen (DrawPlot's scale).
// The file is written whole to PendingPngPath(path) first and then put in
// place of `path` in one step, so `path` is never left half written: it is
// either the old file or the new one. On failure the pending file is removed
// and the result says what went wrong; nothing is shown to the user.
PngSaveResult SavePlotPng(const std::wstring& path, int width, int height, const PlotData& data, int scale = 1);

// Where SavePlotPng writes before putting the file in place: `path` + ".new".
std::wstring PendingPngPath(const std::wstring& path);
