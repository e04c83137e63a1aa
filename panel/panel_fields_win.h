#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "model/hall_model.h"
#include "model/material_table.h"
#include "panel/field_records.h"
#include "panel/range_warning.h"
#include "ui/message_map.h"

// The fields of the panel bound to the experiment's settings, and the cycle
// every edit goes through: a box's text is read at each keystroke; an accepted
// value goes into the settings, which are the one place it is held, and re-runs
// the model; a rejected one locks the other inputs and warns after a delay.
class PanelFields : public MessageTarget {
public:
    // How long a rejected value waits before its warning is shown.
    static constexpr UINT kRangeWarningDelay = 2000;  // ms

    explicit PanelFields(MaterialTable& table);

    // The panel whose timer the warning takes and which owns its box, and the
    // box's caption; before the fields' controls take their defaults.
    void Attach(HWND panel, const std::wstring* caption);
    // Tests wait a shorter time; the program always waits kRangeWarningDelay.
    void SetRangeWarningDelay(UINT milliseconds) { rangeWarningDelay_ = milliseconds; }

    FieldRecords& records() { return records_; }
    const FieldRecords& records() const { return records_; }
    HWND Control(int id) const { return records_.Control(id); }
    const ExperimentSettings& settings() const { return settings_; }
    const RangeWarning& rangeWarning() const { return rangeWarning_; }
    bool materialChosenOnce() const { return materialChosenOnce_; }
    bool locked() const { return lock_ != kUnlocked; }

    // Every field shows its default; no material is chosen yet.
    void ShowDefaults();
    // The notifications of the fields' boxes and of the up-down, and the
    // range warning's timer, after the panel's own map; false for what they
    // leave to the dialog, `result` otherwise their result.
    bool Route(const Message& message, LRESULT& result);
    // The mouse over a slider: its thumb may have moved.
    void FollowSlider(HWND track);
    // A pending warning is not shown any more.
    void DropRangeWarning();

    void SelectMaterial(int n);
    void ComputeReadings();

private:
    bool OnCommand(int id, int code);
    bool OnUpDown(const NMUPDOWN& change);
    bool OnTimer(WPARAM timerId);
    bool OnNumberBoxCommand(NumericField& field, int code);
    void OnNumericFieldChange(NumericField& field);
    void OnMaterialNumberChange();
    void StepNumber(const SpinField& spin, int delta);
    bool OnSliderBoxCommand(SliderField& slider, int id, int code);
    void OnSliderValueChange(SliderField& slider);

    void AcceptInput(bool changed);
    void AcceptMaterial(int n);
    void RejectInput(int id, double lower, double upper, bool integer);
    void EnableInputs(bool enable, int exceptId);
    void CancelRangeWarning();

    MaterialTable& table_;
    HWND panel_ = nullptr;
    const std::wstring* caption_ = nullptr;
    FieldRecords records_;
    // What the boxes hold; the defaults until they hold their own.
    ExperimentSettings settings_;
    double shortCircuitCoefficient_ = kShortCircuitCoefficient;
    bool materialChosenOnce_ = false;

    RangeWarning rangeWarning_;
    // How the controls are switched: kUnlocked, or the id of the one box that a
    // rejection left enabled; kLockUnknown until the first switch.
    static constexpr int kUnlocked = 0;
    static constexpr int kLockUnknown = -1;
    int lock_ = kLockUnknown;
    UINT rangeWarningDelay_ = kRangeWarningDelay;
};

// F6 and Shift+F6: the keyboard to the next or the previous enabled box in
// the order a person reads the apparatus (box_walk_win.cpp).
void FocusNextBox(const PanelFields& fields, bool backwards);
