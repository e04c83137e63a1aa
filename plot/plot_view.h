#pragma once

#include <windows.h>

#include <string>

#include "plot/plot_data.h"
#include "plot/plot_export.h"
#include "ui/window.h"

// A child window that shows a PlotData filling its client area. It paints
// through a bitmap of its own size, blitted once, so it never flickers; it
// erases no background and redraws whole when resized. Made a tab stop, it
// shows the keyboard's focus with the system's focus rectangle, kFocusInset
// pixels inside its edge, on the screen only. WM_PRINTCLIENT draws the same picture into the DC it is given. Under
// a high-contrast theme it paints in the theme's colours with heavy lines
// (plot_colours.h); its exports keep the plot's own colours.
class PlotView : public Window {
public:
    static constexpr int kFocusInset = 3;

    // Makes the window (WS_CHILD | WS_VISIBLE | `style`) at `rect` in `parent`'s
    // client area; false when the system refuses.
    bool Create(HWND parent, const RECT& rect, int id, DWORD style = 0);

    // Replaces what is shown and has the window repainted.
    void SetData(PlotData data);
    const PlotData& data() const { return data_; }

    // The exports: the picture on the clipboard at the window's client size;
    // the PNG as the window looks drawn PrintScale times as large, at least
    // kPrintedPlotWidth wide, for a printed report. False or a failure when
    // the window has no area; see plot_export.h for the rest.
    bool CopyToClipboard() const;
    PngSaveResult SavePng(const std::wstring& path) const;

protected:
    LRESULT HandleMessage(const Message& message, bool& handled) override;

private:
    static const wchar_t* RegisterClassOnce();
    SIZE ClientSize() const;
    void PaintInto(HDC dc, const RECT& client) const;

    void OnPaint();
    void OnPrintClient(HDC dc);
    LRESULT OnEraseBackground();
    void OnSize();
    void OnFocusChange();

    PlotData data_;
};
