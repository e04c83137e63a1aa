#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "measurements/line_fit.h"
#include "measurements/log_store_win.h"
#include "measurements/plot_axes.h"
#include "plot/plot_view.h"
#include "res/resource.h"
#include "ui/dialog.h"
#include "ui/message_loop.h"

// The measurement log's window: a modeless, resizable window owned by the
// panel, with the log's rows in a list (owner data, so that ten thousand rows
// scroll as ten do), a plot of two chosen quantities below it that follows
// every new row, a fitted line on demand, the exports, and a status line.
//
// Keys: Escape closes it; Delete removes the selected rows; Ctrl+Z puts back
// what the last Delete or Clear removed, until the window is closed; Ctrl+C
// copies the selected rows (all rows when none is selected); Ctrl+A selects
// every row; the panel's own keys (F9, Ctrl+L) work here too.
class MeasurementLogWindow : public ModelessDialog, public MessageFilter, public LogListener {
public:
    // `accelerators` are translated for `commandTarget` (the panel) before the
    // window's own keys; `caption` titles its message boxes.
    MeasurementLogWindow(LogStore& store, HACCEL accelerators, HWND commandTarget, std::wstring caption);
    ~MeasurementLogWindow() override;

    // Creates the window over `owner` (at the place it had when it was last
    // closed this session, if any) and shows it; an open window is brought
    // to the front instead. False when it could not be created.
    bool Open(HWND owner);
    bool open() const { return window() != nullptr; }

    bool FilterMessage(MSG& message) override;

    // LogListener
    void OnRowAppended() override;
    void OnRowsReplaced() override;
    void OnStatusChanged() override;

    // What the tests look at.
    HWND list() const { return Item(IDC_LOG_LIST); }
    const PlotView& plot() const { return plot_; }
    void ChooseAxes(PlotX x, PlotY y);
    const std::optional<LineFit>& fit() const { return fit_; }
    // The selected rows' indices in the log, in order.
    std::vector<size_t> SelectedRows() const;

    // The commands of the buttons, as the buttons give them: the plot's in
    // measurement_log_plot_win.cpp, the rows' in measurement_log_commands_win.cpp.
    void FitLine();
    bool CopyRows();
    bool CopyPlot();
    void DeleteSelectedRows();
    void ClearLog();
    // Puts back what the last Delete or Clear not undone yet removed.
    void Undo();
    void SaveCsvAs(const std::wstring& path);
    void SavePngAs(const std::wstring& path);

protected:
    LRESULT HandleMessage(const Message& message, bool& handled) override;

private:
    LRESULT OnInitDialog();
    bool OnCommand(int id, int code);
    bool OnListNotify(NMHDR& header);
    void OnSize(UINT kind, int width, int height);
    void OnGetMinMaxInfo(MINMAXINFO& info);
    // The refresh timer: the new rows shown in the list and the plot.
    bool OnTimer(WPARAM id);
    bool OnDestroy();

    // Shows the plot's points; collected anew from the whole log first when
    // asked, otherwise as they were extended row by row.
    void ShowPlot(bool collectPoints = false);

    LogStore& store_;
    HACCEL accelerators_;
    HWND commandTarget_;
    std::wstring caption_;
    MessageLoop* filteringLoop_ = nullptr;

    PlotView plot_;
    PlotX x_ = PlotX::inverseTemperature;
    PlotY y_ = PlotY::lnInverseSampleVoltage;
    // The points of the plot for the log as it is, extended row by row.
    PlotPoints points_;
    std::optional<LineFit> fit_;
    std::vector<size_t> fitRows_;  // the rows the line was fitted to
    std::wstring cellText_;        // the text last handed to the list
    // New rows wait this long for the list and the plot to show them.
    static constexpr UINT_PTR kRefreshTimer = 1;
    static constexpr UINT kRefreshDelay = 50;  // ms
    bool refreshPending_ = false;
    // Where the window was when it was last closed, for the next opening.
    std::optional<WINDOWPLACEMENT> placement_;
    SIZE minimumSize_{};
    // The rows each Delete and Clear removed, the last one last, until the
    // window is closed.
    std::vector<std::vector<MeasurementRow>> undo_;
};
