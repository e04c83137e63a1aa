#pragma once

#include <windows.h>

#include <array>

#include "panel/panel_fields.h"

// The controls of the panel's fields, one record per row of kPanelFields in
// its order: the handles the panel keeps (a control moved into the picture is
// no longer found by GetDlgItem) and what each control holds besides the
// settings themselves.

// A control, the field of the panel it belongs to, and where it sits.
struct PlacedControl {
    int id = 0;
    PixelRect rect{};
    HWND window = nullptr;
    const PanelField* field = nullptr;
};

// An edit box bound to a number with a closed range.
struct NumericField : PlacedControl {
    double lower = 0;
    double upper = 0;
};

// An edit box and a slider bound to one number, inside a frame that also holds
// the two small boxes that set the slider's ends.
struct SliderField {
    PlacedControl valueBox;
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
    bool filledByPanel = false;  // the panel itself is filling one of its boxes
};

// An up-down button that steps a number field.
struct SpinField : PlacedControl {
    double step = 1.0;
};

// What a rejected value does to a control of the fields.
enum class LockRole {
    staysEnabledIfRejected,  // a box that holds a value: locked unless it is the rejected one
    locked,
    notLocked,  // a slider's frame
};

struct FieldRecords {
    FieldRecords();
    FieldRecords(const FieldRecords&) = delete;
    FieldRecords& operator=(const FieldRecords&) = delete;

    NumericField* NumericFieldOf(int id);
    const NumericField* NumericFieldOf(int id) const;
    NumericField* NumericFieldOf(double ExperimentSettings::*setting);
    // The slider whose value box or range box has this id.
    SliderField* SliderOfBox(int id);
    const SliderField* SliderOfBox(int id) const;
    // The record of a control that is not part of a slider.
    PlacedControl* Single(int id);
    // The window of any control of the fields, by its id.
    HWND Control(int id) const;

    // Calls visit(id, window, role) for every control of the fields, in the
    // table's order; a slider's value box comes before its frame, its slider
    // and its range boxes.
    template <class Visit>
    void ForEachControl(Visit visit) const;

    PlacedControl materialNumberBox;
    std::array<NumericField, CountFields(FieldKind::number)> numbers{};
    std::array<SliderField, CountFields(FieldKind::slider)> sliders{};
    std::array<SpinField, CountFields(FieldKind::upDown)> spins{};
    std::array<PlacedControl, CountFields(FieldKind::reading)> readings{};
};

template <class Visit>
void FieldRecords::ForEachControl(Visit visit) const {
    visit(materialNumberBox.id, materialNumberBox.window, LockRole::staysEnabledIfRejected);
    for (const NumericField& box : numbers) visit(box.id, box.window, LockRole::staysEnabledIfRejected);
    for (const SliderField& slider : sliders) {
        visit(slider.valueBox.id, slider.valueBox.window, LockRole::staysEnabledIfRejected);
        visit(slider.frame.id, slider.frame.window, LockRole::notLocked);
        visit(slider.trackId, slider.track, LockRole::locked);
        visit(slider.minimumBox.id, slider.minimumBox.window, LockRole::locked);
        visit(slider.maximumBox.id, slider.maximumBox.window, LockRole::locked);
    }
    for (const SpinField& spin : spins) visit(spin.id, spin.window, LockRole::locked);
    for (const PlacedControl& reading : readings) visit(reading.id, reading.window, LockRole::locked);
}
