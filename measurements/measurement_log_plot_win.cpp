// The plot of the measurement log's window: its axes, its points as the log
// grows, the fitted line and the plot's exports.
#include "measurements/measurement_log_window_win.h"

#include <algorithm>
#include <utility>

#include "measurements/log_fit.h"
#include "measurements/log_window_list_win.h"

void MeasurementLogWindow::ChooseAxes(PlotX x, PlotY y) {
    if (x == x_ && y == y_) return;
    x_ = x;
    y_ = y;
    if (window()) {
        SetComboChoice(IDC_LOG_X, static_cast<int>(x_));
        SetComboChoice(IDC_LOG_Y, static_cast<int>(y_));
    }
    fit_.reset();
    fitRows_.clear();
    ShowPlot(true);
}

namespace {

// The ticks of one axis over the points' values, about one per `spacing`
// pixels of its `length`.
PlotAxis MakeAxis(const std::vector<double>& values, const wchar_t* title, int length, int spacing) {
    PlotAxis axis;
    axis.title = title;
    double low = 0, high = 1;
    if (!values.empty()) {
        const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
        low = *lowest;
        high = *highest;
    }
    AxisTicks ticks = NiceTicks(low, high, std::max(2, length / spacing));
    for (size_t k = 0; k < ticks.values.size(); ++k) axis.ticks.push_back({ticks.values[k], ticks.labels[k]});
    if (!ticks.values.empty()) {
        axis.min = ticks.values.front();
        axis.max = ticks.values.back();
    }
    return axis;
}

}  // namespace

void MeasurementLogWindow::ShowPlot(bool collectPoints) {
    if (collectPoints) points_ = CollectPlotPoints(store_.log(), x_, y_);
    if (!plot_.window()) return;
    RECT client;
    GetClientRect(plot_.window(), &client);
    PlotData data;
    // Each material its own colour and marker, so that two samples can be
    // compared on one plot.
    const PlotMaterials materials = MaterialsOfPoints(store_.log(), points_);
    for (int material : materials.materials) data.series.push_back({MaterialLegendName(material)});
    data.points.reserve(points_.xs.size());
    for (size_t k = 0; k < points_.xs.size(); ++k) {
        data.points.push_back({points_.xs[k], points_.ys[k], materials.ofPoint[k]});
    }
    data.x = MakeAxis(points_.xs, PlotLabel(x_), client.right, 90);
    data.y = MakeAxis(points_.ys, PlotLabel(y_), client.bottom, 50);

    // The selected rows that have a point: both lists rise.
    const std::vector<size_t> selected = SelectedRows();
    for (size_t row : selected) {
        auto at = std::lower_bound(points_.rows.begin(), points_.rows.end(), row);
        if (at != points_.rows.end() && *at == row) data.selected.push_back(static_cast<size_t>(at - points_.rows.begin()));
    }

    if (fit_ && fit_->defined) {
        PlotFit line;
        line.slope = fit_->slope;
        line.intercept = fit_->intercept;
        line.text = FitTextLines(*fit_, x_, y_);
        data.fit = std::move(line);
    }
    plot_.SetData(std::move(data));
}

void MeasurementLogWindow::FitLine() {
    std::vector<size_t> rows = SelectedRows();
    const bool all = rows.empty();
    LineFit fit = FitPlotPoints(points_, rows);
    if (!fit.defined) {
        fit_.reset();
        MessageBeep(MB_ICONWARNING);
        store_.SetStatus(L"No line: a fit needs at least two points at different " + std::wstring(PlotLabel(x_)) +
                         L".");
        ShowPlot();
        return;
    }
    fit_ = fit;
    fitRows_ = std::move(rows);
    store_.SetStatus(L"Line fitted to " + CountText(fit.n, L"point", L"points") +
                     (all ? L" (all readings)." : L" (the selected readings)."));
    ShowPlot();
}

bool MeasurementLogWindow::CopyPlot() {
    if (!plot_.CopyToClipboard()) {
        store_.SetStatus(L"The plot could not be copied; another program may be holding the clipboard.");
        return false;
    }
    store_.SetStatus(L"The plot was copied as a picture.");
    return true;
}

void MeasurementLogWindow::SavePngAs(const std::wstring& path) {
    if (!plot_.SavePng(path)) {
        const std::wstring text = L"The plot could not be saved to\n" + path + L".";
        MessageBoxW(window(), text.c_str(), caption_.c_str(), MB_OK | MB_ICONWARNING);
        return;
    }
    store_.SetStatus(L"The plot was saved to " + path + L".");
}
