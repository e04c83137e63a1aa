#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/gdi.h"
#include "editor/parameter_table_dialog.h"
#include "help/caption_button.h"
#include "measurements/automatic_series_dialog_win.h"
#include "measurements/log_store_win.h"
#include "measurements/measurement_log_window_win.h"
#include "model/hall_model.h"
#include "model/material_table.h"
#include "panel/panel_fields.h"
#include "panel/panel_scale_win.h"
#include "panel/range_warning.h"
#include "ui/dialog.h"
#include "ui/message_loop.h"

// Posted by the panel to itself as it starts: the measurement log is read
// once the panel is on the screen, so that a long log does not delay it.
inline constexpr UINT kLoadMeasurementLog = 953;

// Posted by the panel to itself when one of its boxes has lost the focus
// (wParam the box's id): the box's balloon says how its text was read, once
// the focus has moved on.
inline constexpr UINT kShowReadAsNote = 954;

// The panel's window receives the caption button's message as well: the
// numbers must stay apart.
static_assert(kLoadMeasurementLog != kCaptionButtonNotify && kShowReadAsNote != kCaptionButtonNotify &&
                  kLoadMeasurementLog != kShowReadAsNote,
              "the panel's private messages share a number");

// A control, the field of the panel it belongs to, and where it sits.
struct PlacedControl {
    int id = 0;
    PixelRect rect{};
    HWND window = nullptr;
    const PanelField* field = nullptr;
};

// An edit box bound to a number with a closed range.
struct NumericField : PlacedControl {
    double value = 0;
    double lower = 0;
    double upper = 0;
};

// An edit box and a slider bound to one number, inside a frame that also holds
// the two small boxes that set the slider's ends.
struct SliderField {
    PlacedControl valueBox;
    double value = 0;
    PlacedControl frame;
    PixelRect trackRect{};
    PlacedControl minimumBox;
    double lower = 0;
    PlacedControl maximumBox;
    double upper = 0;
    double step = 0;  // value per slider position: (upper - lower) / 20000
    HWND track = nullptr;
    int trackId = 0;
    int lastPosition = 0;  // the position last taken over into the value
};

// An up-down button that steps a number field.
struct SpinField : PlacedControl {
    double step = 1.0;
};

// The program's main window: a modeless dialog over the picture of the
// apparatus, its edit boxes, sliders and up-down laid into the picture's empty
// fields. Every edit is validated as it is typed; an accepted one re-runs the
// model, a rejected one locks the other inputs and warns after two seconds.
class ExperimentPanel : public ModelessDialog, public MessageFilter, public SeriesTarget {
public:
    // How long a rejected value waits before its warning is shown.
    static constexpr UINT kRangeWarningDelay = 2000;  // ms
    // F1 held down repeats; the help opens again only after a pause this long.
    static constexpr DWORD kHelpKeyPause = 500;  // ms
    // How long the reason for a refused F9 stays at the meters.
    static constexpr UINT kRefusalTipTime = 6000;  // ms
    // Why the end of the session waits, as Windows shows it to the user.
    static constexpr const wchar_t* kUnsavedTableReason =
        L"The table of material parameters has changes that are not saved yet.";

    ExperimentPanel();
    ~ExperimentPanel() override;

    // Tests wait a shorter time; the program always waits kRangeWarningDelay.
    void SetRangeWarningDelay(UINT milliseconds) { rangeWarningDelay_ = milliseconds; }
    // Tests let the reason for a refused F9 go sooner; the program keeps it kRefusalTipTime.
    void SetRefusalTipTime(UINT milliseconds) { refusalTipTime_ = milliseconds; }

    // Creates the panel from its template; it initialises itself completely
    // (the parameters file included) before this returns.
    bool Create();

    bool FilterMessage(MSG& message) override;

    // What the rest of the program and the tests look at.
    const MaterialTable& table() const { return table_; }
    const std::wstring& caption() const { return caption_; }
    const std::wstring& parameterFilePath() const { return parameterFilePath_; }
    const std::wstring& helpFilePath() const { return helpFilePath_; }
    const RangeWarning& rangeWarning() const { return rangeWarning_; }
    bool materialChosenOnce() const { return materialChosenOnce_; }
    ExperimentSettings Settings() const;
    HWND picture() const { return picture_; }
    // The DPI the panel is laid out for, and its layout at 96 DPI.
    int dpi() const { return dpi_; }
    const TemplateLayout& layoutAt96() const { return layoutAt96_; }
    HWND Control(int id) const;
    const SliderField& sampleCurrent() const { return *SliderOfBox(IDC_SAMPLE_CURRENT); }
    const SliderField& magnetCurrent() const { return *SliderOfBox(IDC_MAGNET_CURRENT); }
    const NumericField& temperature() const { return *NumericFieldOf(IDC_TEMPERATURE); }
    bool helpMode() const { return helpMode_; }
    const CaptionHelpButton& helpButton() const { return helpButton_; }

    // Measurements (measurements_win.cpp). F9 and the menu record a reading:
    // every box as it shows the value the panel used (that value itself where
    // the box's text is more than the number, see LoggedText) and both meters
    // as they show them, unless the panel is locked, no material is chosen yet
    // or a meter shows no reading, or the log takes no more rows; then the
    // panel beeps and the log's status says why, and so does a tip at the
    // meters when F9 or the menu was pressed in the panel.
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
    RecordResult RecordReading(bool deferSave = false);
    LogStore& logStore() { return *logStore_; }
    // Opens the log's window, or brings it to the front.
    void OpenMeasurementLog();
    // The log's window, open or not (null before it was first opened).
    MeasurementLogWindow* logWindow() const { return logWindow_.get(); }

    // SeriesTarget
    std::wstring WhyNoReading() const override;
    void SeriesRange(SeriesQuantity quantity, double& lower, double& upper) const override;
    std::wstring SetSeriesValue(SeriesQuantity quantity, double value) override;
    std::wstring RecordSeriesReading() override;
    void EndSeries() override;

protected:
    LRESULT HandleMessage(const Message& message, bool& handled) override;

private:
    // Window and message map (experiment_panel_win.cpp).
    LRESULT OnInitDialog(const Message&, bool&);
    LRESULT OnClose(const Message&, bool&);
    LRESULT OnAbout(const Message&, bool&);
    LRESULT OnHelpContents(const Message&, bool&);
    LRESULT OnHelpKey(const Message&, bool&);
    LRESULT OnFieldCommand(const Message&, bool&);
    LRESULT OnUpDown(const Message&, bool&);
    LRESULT OnSysCommand(const Message&, bool&);
    LRESULT OnCaptionButtonNotify(const Message&, bool&);
    LRESULT OnSetCursor(const Message&, bool&);
    LRESULT OnTimer(const Message&, bool&);
    LRESULT OnSetFocus(const Message&, bool&);
    LRESULT OnQueryEndSession(const Message&, bool&);
    LRESULT OnEndSession(const Message&, bool&);
    LRESULT OnDestroy(const Message&, bool&);
    LRESULT OnRecordReading(const Message&, bool&);
    LRESULT OnMeasurementLog(const Message&, bool&);
    LRESULT OnAutomaticSeries(const Message&, bool&);
    LRESULT OnLoadMeasurementLog(const Message&, bool&);
    LRESULT OnDpiChanged(const Message&, bool&);
    LRESULT OnStepBox(const Message&, bool&);
    LRESULT OnActivate(const Message&, bool&);
    LRESULT OnMove(const Message&, bool&);

    void InitPanel();
    void ShowAbout();
    void RunParameterEditor();
    void TakeEditedTable(const ParameterArrays& copy);
    void LayoutControls();
    void PlaceControls();
    void ShowPictureAtDpi();
    void SetFontsAtDpi();
    void SizePanelToDpi(const RECT* where);
    void ClosePanel(int exitCode);
    bool KeepUnsavedReadings();
    void SaveTable(bool quiet);
    void ComputeReadings();
    void SelectMaterial(int n);

    // Fields (panel_fields_win.cpp, slider_fields_win.cpp).
    // What a rejected value does to a control of the fields.
    enum class LockRole {
        staysEnabledIfRejected,  // a box that holds a value: locked unless it is the rejected one
        locked,
        notLocked,  // a slider's frame
    };
    // Calls visit(id, window, role) for every control of the fields, in the
    // table's order; a slider's value box comes before its frame, its slider
    // and its range boxes.
    template <class Visit>
    void ForEachControl(Visit visit) const;
    template <class Record, std::size_t N>
    static Record* FindById(std::array<Record, N>& records, int id) {
        for (Record& record : records) {
            if (record.id == id) return &record;
        }
        return nullptr;
    }
    void SetPanelDefaults();
    bool OnNumberBoxCommand(NumericField& field, int code);
    void OnNumericFieldChange(NumericField& field);
    void OnMaterialNumberChange();
    LRESULT StepNumber(const SpinField& spin, int delta);
    static void SetReadOnly(HWND box, bool readOnly);
    NumericField* NumericFieldOf(int id);
    const NumericField* NumericFieldOf(int id) const;
    NumericField* NumericFieldOf(double ExperimentSettings::*setting);
    SliderField* SliderOfBox(int id);
    const SliderField* SliderOfBox(int id) const;

    bool OnSliderBoxCommand(SliderField& slider, int id, int code);
    void InitSliderField(SliderField& slider, double value, double lower, double upper);
    double SliderValue(const SliderField& slider) const;
    int SetSliderPosition(SliderField& slider, double x);
    void OnSliderValueChange(SliderField& slider);
    void OnSliderMinimumChange(SliderField& slider);
    void OnSliderMaximumChange(SliderField& slider);
    void PollSlider(SliderField& slider);
    void ShowInSliderBox(SliderField& slider, HWND box, double x);

    // Validation cycle (validation_win.cpp).
    void AcceptInput(bool changed);
    void AcceptMaterial(int n);
    void RejectInput(int id, double lower, double upper, bool integer);
    void EnableInputs(bool enable, int exceptId);
    void StartRangeWarning();
    void CancelRangeWarning();
    void ShowRangeWarning(UINT_PTR timerId);

    void UnregisterFilter();

    // Balloons at boxes read only in part (read_as_notes_win.cpp).
    LRESULT OnShowReadAsNote(const Message&, bool&);
    std::wstring ReadAsNote(int id) const;
    bool ShowReadAsNote(int id);
    void HideReadAsNote();
    void NoteFieldCommand(int id, int code);
    void ShowRecordedReadAsNote();

    // F6 and Shift+F6 (box_walk_win.cpp).
    void FocusNextBox(bool backwards);

    // The reason for a refused F9 at the meters (refusal_tip_win.cpp).
    void ShowRefusalTip(const std::wstring& text, int meterId);
    void HideRefusalTip();

    // Measurements (measurements_win.cpp).
    void InitMeasurements(const std::wstring& logFilePath);
    RecordResult CheckRecordable() const;
    MeasurementRow ShownRow() const;
    HWND SeriesBox(SeriesQuantity quantity) const;

    MessageLoop* filteringLoop_ = nullptr;  // the loop this panel filters for
    std::wstring caption_;
    std::wstring parameterFilePath_;
    std::wstring helpFilePath_;
    // The file was there at start but could not be used: the save that first
    // replaces it keeps it as a backup.
    bool backUpParameterFile_ = false;
    // What the file held when it was read, or last written: a close writes
    // the table only when it no longer encodes to these bytes.
    std::vector<unsigned char> parameterFileBytes_;
    bool helpMode_ = false;
    DWORD helpKeyTime_ = 0;  // when F1 last asked for the help
    CaptionHelpButton helpButton_;

    MaterialTable table_;
    // The parameter editor while it is open, and the copy of the table it edits.
    ParameterTableDialog* openEditor_ = nullptr;
    ParameterArrays* editorCopy_ = nullptr;
    double shortCircuitCoefficient_ = kShortCircuitCoefficient;
    bool materialChosenOnce_ = false;

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

    // The records of the fields, made from kPanelFields in its order.
    HWND picture_ = nullptr;
    PlacedControl materialNumberBox_;
    std::array<NumericField, CountFields(FieldKind::number)> numbers_{};
    std::array<SliderField, CountFields(FieldKind::slider)> sliders_{};
    std::array<SpinField, CountFields(FieldKind::upDown)> spins_{};
    std::array<PlacedControl, CountFields(FieldKind::reading)> readings_{};

    // The slider one of whose boxes the panel itself is filling, if any.
    const SliderField* programmedSlider_ = nullptr;

    // The box whose balloon says how its text was read, while it may show.
    HWND noteBox_ = nullptr;

    // The tip that says why F9 recorded nothing (made at the first refusal),
    // and the timer that takes it away.
    HWND refusalTip_ = nullptr;
    static constexpr UINT_PTR kRefusalTipTimer = 3;
    UINT refusalTipTime_ = kRefusalTipTime;

    // The measurement log, its window, and the keys that work on them.
    std::unique_ptr<LogStore> logStore_;
    std::unique_ptr<MeasurementLogWindow> logWindow_;
    HACCEL accelerators_ = nullptr;
    // The series dialog as the student last left it, for the rest of the session.
    SeriesSettings seriesSettings_;
    // The log's saves are put on the disk when this timer next comes.
    static constexpr UINT_PTR kLogFlushTimer = 2;
    static constexpr UINT kLogFlushInterval = 2000;  // ms

    RangeWarning rangeWarning_;
    // How the controls are switched: kUnlocked, or the id of the one box that a
    // rejection left enabled; kLockUnknown until the first switch.
    static constexpr int kUnlocked = 0;
    static constexpr int kLockUnknown = -1;
    int lock_ = kLockUnknown;
    UINT rangeWarningDelay_ = kRangeWarningDelay;
};

template <class Visit>
void ExperimentPanel::ForEachControl(Visit visit) const {
    visit(materialNumberBox_.id, materialNumberBox_.window, LockRole::staysEnabledIfRejected);
    for (const NumericField& box : numbers_) visit(box.id, box.window, LockRole::staysEnabledIfRejected);
    for (const SliderField& slider : sliders_) {
        visit(slider.valueBox.id, slider.valueBox.window, LockRole::staysEnabledIfRejected);
        visit(slider.frame.id, slider.frame.window, LockRole::notLocked);
        visit(slider.trackId, slider.track, LockRole::locked);
        visit(slider.minimumBox.id, slider.minimumBox.window, LockRole::locked);
        visit(slider.maximumBox.id, slider.maximumBox.window, LockRole::locked);
    }
    for (const SpinField& spin : spins_) visit(spin.id, spin.window, LockRole::locked);
    for (const PlacedControl& reading : readings_) visit(reading.id, reading.window, LockRole::locked);
}
