#pragma once

#include <windows.h>

#include <string>

#include "help/caption_button.h"
#include "model/hall_model.h"
#include "model/material_table.h"
#include "panel/placement.h"
#include "panel/range_warning.h"
#include "ui/dialog.h"
#include "ui/message_loop.h"

// A control and where it sits.
struct PlacedControl {
    int id = 0;
    PixelRect rect{};
    HWND window = nullptr;
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

SliderField MakeSliderField(int valueId, int trackId, int frameId, int minimumId, int maximumId);

// The up-down button beside the temperature box.
struct SpinField : PlacedControl {
    double step = 1.0;
};

// The program's main window: a modeless dialog over the picture of the
// apparatus, its edit boxes, sliders and up-down laid into the picture's empty
// fields. Every edit is validated as it is typed; an accepted one re-runs the
// model, a rejected one locks the other inputs and warns after two seconds.
class ExperimentPanel : public ModelessDialog, public MessageFilter {
public:
    // How long a rejected value waits before its warning is shown.
    static constexpr UINT kRangeWarningDelay = 2000;  // ms

    ExperimentPanel() = default;
    ~ExperimentPanel() override;

    // Tests wait a shorter time; the program always waits kRangeWarningDelay.
    void SetRangeWarningDelay(UINT milliseconds) { rangeWarningDelay_ = milliseconds; }

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
    HWND Control(int id) const;
    const SliderField& sampleCurrent() const { return sampleCurrent_; }
    const SliderField& magnetCurrent() const { return magnetCurrent_; }
    const NumericField& temperature() const { return temperature_; }
    bool helpMode() const { return helpMode_; }
    const CaptionHelpButton& helpButton() const { return helpButton_; }

protected:
    LRESULT HandleMessage(const Message& message, bool& handled) override;

private:
    // Window and message map (experiment_panel_win.cpp).
    LRESULT OnInitDialog(const Message&, bool&);
    LRESULT OnClose(const Message&, bool&);
    LRESULT OnAbout(const Message&, bool&);
    LRESULT OnHelpContents(const Message&, bool&);
    LRESULT OnMaterialNumberEdit(const Message&, bool&);
    LRESULT OnNumericEdit(const Message&, bool&);
    LRESULT OnSliderValueEdit(const Message&, bool&);
    LRESULT OnSliderRangeEdit(const Message&, bool&);
    LRESULT OnTemperatureEdit(const Message&, bool&);
    LRESULT OnTemperatureSpin(const Message&, bool&);
    LRESULT OnSysCommand(const Message&, bool&);
    LRESULT OnCaptionButtonNotify(const Message&, bool&);
    LRESULT OnSetCursor(const Message&, bool&);
    LRESULT OnTimer(const Message&, bool&);
    LRESULT OnSetFocus(const Message&, bool&);
    LRESULT OnQueryEndSession(const Message&, bool&);
    LRESULT OnEndSession(const Message&, bool&);
    LRESULT OnDestroy(const Message&, bool&);

    void InitPanel();
    void ShowAbout();
    void RunParameterEditor();
    void LayoutControls();
    void ClosePanel(int exitCode);
    void SaveTable(bool quiet);
    void ComputeReadings();
    void SelectMaterial(int n);

    // Fields (panel_fields_win.cpp, slider_fields_win.cpp).
    void SetPanelDefaults();
    void OnNumericFieldChange(NumericField& field);
    void OnMaterialNumberChange();
    LRESULT StepTemperature(int delta);
    static void SetReadOnly(HWND box, bool readOnly);
    NumericField* NumericFieldOf(int id);
    SliderField* SliderOfBox(int id);

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

    MessageLoop* filteringLoop_ = nullptr;  // the loop this panel filters for
    std::wstring caption_;
    std::wstring parameterFilePath_;
    std::wstring helpFilePath_;
    // The file was there at start but could not be used: the save that first
    // replaces it keeps it as a backup.
    bool backUpParameterFile_ = false;
    bool helpMode_ = false;
    CaptionHelpButton helpButton_;

    MaterialTable table_;
    double shortCircuitCoefficient_ = kShortCircuitCoefficient;
    bool materialChosenOnce_ = false;

    HWND picture_ = nullptr;
    PlacedControl materialNumberBox_{IDC_MATERIAL_NUMBER};
    NumericField hallFactor_{{IDC_HALL_FACTOR}};
    NumericField sampleLength_{{IDC_SAMPLE_LENGTH}};
    NumericField sampleWidth_{{IDC_SAMPLE_WIDTH}};
    NumericField sampleThickness_{{IDC_SAMPLE_THICKNESS}};
    NumericField contactWidth_{{IDC_CONTACT_WIDTH}};
    NumericField contactSpacing_{{IDC_CONTACT_SPACING}};
    PlacedControl hallVoltage_{IDC_HALL_VOLTAGE};
    PlacedControl sampleVoltage_{IDC_SAMPLE_VOLTAGE};
    SliderField sampleCurrent_ =
        MakeSliderField(IDC_SAMPLE_CURRENT, IDC_SAMPLE_CURRENT_SLIDER, IDC_SAMPLE_CURRENT_FRAME,
                        IDC_SAMPLE_CURRENT_MIN, IDC_SAMPLE_CURRENT_MAX);
    NumericField temperature_{{IDC_TEMPERATURE}};
    SpinField temperatureSpin_{{IDC_TEMPERATURE_SPIN}};
    SliderField magnetCurrent_ =
        MakeSliderField(IDC_MAGNET_CURRENT, IDC_MAGNET_CURRENT_SLIDER, IDC_MAGNET_CURRENT_FRAME,
                        IDC_MAGNET_CURRENT_MIN, IDC_MAGNET_CURRENT_MAX);

    // The slider one of whose boxes the panel itself is filling, if any.
    const SliderField* programmedSlider_ = nullptr;

    RangeWarning rangeWarning_;
    UINT rangeWarningDelay_ = kRangeWarningDelay;
};
