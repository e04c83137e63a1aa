// The plot's colours (plot_colours.h): its own, or those of the user's
// high-contrast theme.
#include "plot/plot_colours.h"

PlotColours HighContrastPlotColours() {
    const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
    return {GetSysColor(COLOR_WINDOW),
            text,
            {text, text, text, text, text},
            GetSysColor(COLOR_HIGHLIGHT),
            GetSysColor(COLOR_HOTLIGHT),
            GetSysColor(COLOR_GRAYTEXT),
            text,
            true};
}

bool HighContrastOn() {
    HIGHCONTRASTW contrast = {};
    contrast.cbSize = sizeof contrast;
    if (SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
        (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0) {
        return true;
    }
    // Wine has no high-contrast switch (SPI_SETHIGHCONTRAST fails there), so
    // the pictures of the theme for the documentation are taken with it set
    // in the environment, over the system colours of a high-contrast theme.
    wchar_t value[2] = {};
    return GetEnvironmentVariableW(L"TESMOR_HIGH_CONTRAST", value, 2) == 1 && value[0] == L'1';
}

PlotColours ScreenPlotColours() {
    return HighContrastOn() ? HighContrastPlotColours() : kStandardPlotColours;
}
