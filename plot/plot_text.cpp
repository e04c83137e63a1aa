// The plot's texts (plot_text.h): a text is cut into runs at its subscripts,
// each run drawn in its own font, one after the other.
#include "plot/plot_text.h"

#include <vector>

#include "numtext/measured_value_text.h"

namespace plot_internal {

namespace {

// The dialogs' font: under Wine, "MS Shell Dlg 2" is Tahoma, which finds the
// Greek of titles such as "ln(1/V_σ)" through the font link the prefix sets up,
// as the parameter table's headers do.
constexpr wchar_t kFontFace[] = L"MS Shell Dlg 2";
// In tenths of a point: the texts, and the subscripts.
constexpr int kFontTenths = 90;
constexpr int kSubscriptTenths = 70;

// `escapement` in tenths of a degree, counter-clockwise.
HFONT MakeFont(HDC dc, int escapement, int tenthsOfPoints) {
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    if (dpi <= 0) dpi = 96;
    return CreateFontW(-MulDiv(tenthsOfPoints, dpi, 720), 0, escapement, escapement, FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, kFontFace);
}

// A piece of a text drawn in one font: the subscripts are drawn smaller and
// lower than the rest.
struct Run {
    std::wstring text;
    bool subscript = false;
};

std::vector<Run> Runs(const std::wstring& raw) {
    const std::wstring text = WithMinusSigns(raw);
    std::vector<Run> runs;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool subscript = text[i] == L'_' && i + 1 < text.size();
        if (subscript) ++i;
        if (runs.empty() || runs.back().subscript != subscript) runs.push_back({L"", subscript});
        runs.back().text += text[i];
    }
    return runs;
}

}  // namespace

PlotText::PlotText(HDC dc, int scale)
    : dc_(dc), upright_(MakeFont(dc, 0, kFontTenths * scale)), uprightSmall_(MakeFont(dc, 0, kSubscriptTenths * scale)),
      turned_(MakeFont(dc, 900, kFontTenths * scale)), turnedSmall_(MakeFont(dc, 900, kSubscriptTenths * scale)),
      selected_(dc, upright_.get()) {
    TEXTMETRICW metrics = {};
    if (GetTextMetricsW(dc, &metrics) && metrics.tmHeight > 0) {
        height_ = metrics.tmHeight;
        ascent_ = metrics.tmAscent;
    } else {
        height_ = 13 * scale;
        ascent_ = 11 * scale;
    }
}

int PlotText::Width(const std::wstring& text) const {
    int width = 0;
    for (const Run& run : Runs(text)) width += RunWidth(run.text, run.subscript);
    return width;
}

void PlotText::Put(int x, int top, UINT align, const std::wstring& text) const {
    const std::vector<Run> runs = Runs(text);
    int width = 0;
    if (align != TA_LEFT) {
        for (const Run& run : runs) width += RunWidth(run.text, run.subscript);
    }
    int left = align == TA_CENTER ? x - width / 2 : align == TA_RIGHT ? x - width : x;
    const int baseline = top + ascent_;
    SetTextAlign(dc_, TA_LEFT | TA_BASELINE | TA_NOUPDATECP);
    for (const Run& run : runs) {
        Selection font(dc_, run.subscript ? uprightSmall_.get() : nullptr);
        Out(left, baseline + (run.subscript ? drop() : 0), run.text);
        left += RunWidth(run.text, run.subscript);
    }
}

void PlotText::PutTurned(int left, int bottom, const std::wstring& text) const {
    const std::vector<Run> runs = Runs(text);
    // The widths are those of the upright fonts, measured before turning.
    std::vector<int> widths;
    for (const Run& run : runs) widths.push_back(RunWidth(run.text, run.subscript));
    SetTextAlign(dc_, TA_LEFT | TA_BASELINE | TA_NOUPDATECP);
    int y = bottom;
    for (size_t k = 0; k < runs.size(); ++k) {
        Selection font(dc_, runs[k].subscript ? turnedSmall_.get() : turned_.get());
        // Down, for the turned text, is to the right.
        Out(left + ascent_ + (runs[k].subscript ? drop() : 0), y, runs[k].text);
        y -= widths[k];
    }
}

int PlotText::RunWidth(const std::wstring& text, bool subscript) const {
    if (text.empty()) return 0;
    Selection font(dc_, subscript ? uprightSmall_.get() : nullptr);
    SIZE size = {};
    if (!GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &size)) return 0;
    return size.cx;
}

void PlotText::Out(int x, int y, const std::wstring& text) const {
    ExtTextOutW(dc_, x, y, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()), nullptr);
}

}  // namespace plot_internal
