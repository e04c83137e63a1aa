#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "measurements/automatic_series_dialog_win.h"
#include "measurements/log_store_win.h"
#include "measurements/measurement_log_window_win.h"
#include "model/material_table.h"
#include "panel/panel_fields_win.h"
#include "ui/message_map.h"

// F9 and the menu record a reading: every box as it shows the value the panel
// used (that value itself where the box's text is more than the number, see
// LoggedText) and both meters as they show them, unless the panel is locked,
// no material is chosen yet or a meter shows no reading, or the log takes no
// more rows; then the panel beeps and the log's status says why, and so does
// a tip at the meters when F9 or the menu was pressed in the panel.
enum class RecordResult {
    recorded,
    noMaterial,
    locked,
    noReading,
    logFull,        // the log holds as many rows as it can
    numbersUsedUp,  // every number a reading can have is given
    fileFull,       // the row would take the log's file beyond its size
    unloggable,     // the row itself is not one the log takes
};

// Why a reading was not recorded, as the panel says it; empty for a recorded one.
std::wstring RefusalText(RecordResult result);

// The panel's readings in the measurement log: recording them, the log's file
// and window, and the automatic series, which works through the panel's boxes
// so that every rule of the panel applies.
class PanelRecorder : public MessageTarget, public SeriesTarget {
public:
    PanelRecorder(const PanelFields& fields, const MaterialTable& table) : fields_(fields), table_(table) {}

    // The panel that owns the log's window and its timer, and its caption; a
    // window of a panel made before goes.
    void Init(HWND panel, const std::wstring* caption);
    // The program's log, read after the panel is on the screen (LoadLog), or
    // at the first recording, whichever comes first.
    void Start(LogStore& logStore);
    // The keys of the panel and the log's window: F9, F6, the log's.
    HACCEL accelerators() const { return accelerators_; }
    LogStore& logStore() { return *logStore_; }
    // The log's window, open or not (null before it was first opened).
    MeasurementLogWindow* logWindow() const { return logWindow_.get(); }

    // The panel's messages for the log and the series (its menu items, the
    // log's reading and saving), before the panel's own map; true when one was
    // taken, `result` then its result.
    bool Route(const Message& message, LRESULT& result);
    RecordResult RecordReading(bool deferSave = false);
    // Opens the log's window, or brings it to the front.
    void OpenMeasurementLog();
    // At a close: false when the student chose to keep the program open for
    // readings the log's file would not take.
    bool KeepUnsavedReadings();
    void FlushAtClose();
    void SaveAtEndOfSession();

    // SeriesTarget
    std::wstring WhyNoReading() const override;
    void SeriesRange(SeriesQuantity quantity, double& lower, double& upper) const override;
    std::wstring SetSeriesValue(SeriesQuantity quantity, double value) override;
    std::wstring RecordSeriesReading() override;
    void EndSeries() override;

private:
    void LoadLog();
    // The log's saves are put on the disk; false for another timer.
    bool OnTimer(WPARAM timerId);
    void RunAutomaticSeries();
    RecordResult CheckRecordable() const;
    MeasurementRow ShownRow() const;
    HWND SeriesBox(SeriesQuantity quantity) const;

    const PanelFields& fields_;
    const MaterialTable& table_;
    HWND panel_ = nullptr;
    const std::wstring* caption_ = nullptr;
    // The measurement log (the program's), its window, and the keys that work on them.
    LogStore* logStore_ = nullptr;
    std::unique_ptr<MeasurementLogWindow> logWindow_;
    HACCEL accelerators_ = nullptr;
    // The series dialog as the student last left it, for the rest of the session.
    SeriesSettings seriesSettings_;
    // The log's saves are put on the disk when this timer next comes.
    static constexpr UINT_PTR kLogFlushTimer = 2;
    static constexpr UINT kLogFlushInterval = 2000;  // ms
};
