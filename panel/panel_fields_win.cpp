#include "panel/panel_fields_win.h"

#include <iterator>

#include "numtext/edit_text_win.h"
#include "panel/contact_rule.h"
#include "panel/reading_text.h"
#include "panel/slider_field_win.h"
#include "res/resource.h"
#include "ui/accessible_win.h"

namespace {

// A meter's new reading, told to a screen reader as well: Wine's edit control
// raises no value-change event of its own when its text is set. A reading
// shown again as it was is no change.
void ShowReading(HWND meter, const std::wstring& text) {
    const bool changed = ReadWindowText(meter) != text;
    SetWindowTextW(meter, text.c_str());
    if (changed) NotifyValueChanged(meter);
}

// The setting that a box of the fields holds.
double& SettingOf(ExperimentSettings& settings, const PlacedControl& box) {
    return settings.*box.field->setting;
}

}  // namespace

PanelFields::PanelFields(MaterialTable& table) : table_(table) {}

void PanelFields::Attach(HWND panel, const std::wstring* caption) {
    panel_ = panel;
    caption_ = caption;
    rangeWarning_.timerId = 0;
    lock_ = kLockUnknown;
    shortCircuitCoefficient_ = kShortCircuitCoefficient;
    materialChosenOnce_ = false;
}

// Every field shows its default: showing a value runs the box's change handler,
// which finds it unchanged.
void PanelFields::ShowDefaults() {
    settings_ = ExperimentSettings();
    for (NumericField& box : records_.numbers) {
        box.lower = box.field->lower;
        box.upper = box.field->upper;
    }
    for (SpinField& spin : records_.spins) spin.step = 1.0;

    for (NumericField& box : records_.numbers) SetEditReal(box.window, SettingOf(settings_, box));
    for (SliderField& slider : records_.sliders) {
        InitSliderField(slider, SettingOf(settings_, slider.valueBox), slider.valueBox.field->lower,
                        slider.valueBox.field->upper);
    }

    // "0" is no material: its handler rejects it, which leaves only the material
    // box enabled, with no warning. The model does not run yet.
    table_.materialNumber = 0;
    SetEditInteger(records_.materialNumberBox.window, 0);
}

bool PanelFields::Route(const Message& message, LRESULT& result) {
    using F = PanelFields;
    static const MessageMapEntry<F> kMessageMap[] = {
        {WM_COMMAND, kAnyId, kAnyCode, Handler<&F::OnCommand>},
        {WM_NOTIFY, kAnyId, static_cast<int>(UDN_DELTAPOS), Handler<&F::OnUpDown>},
        {WM_TIMER, kAnyId, kAnyCode, Handler<&F::OnTimer>},
    };
    return RouteMessage(*this, kMessageMap, std::size(kMessageMap), message, result);
}

// The notifications of every box of the fields.
bool PanelFields::OnCommand(int id, int code) {
    PlacedControl& material = records_.materialNumberBox;
    if (id == material.id) {
        if (code == EN_CHANGE && material.window) OnMaterialNumberChange();
        return code == EN_CHANGE;
    }
    if (NumericField* box = records_.NumericFieldOf(id)) return OnNumberBoxCommand(*box, code);
    if (SliderField* slider = records_.SliderOfBox(id)) return OnSliderBoxCommand(*slider, id, code);
    return false;
}

bool PanelFields::OnNumberBoxCommand(NumericField& box, int code) {
    if (!box.window) return code == EN_CHANGE;
    switch (code) {
    case EN_CHANGE:
        OnNumericFieldChange(box);
        return true;
    case EN_SETFOCUS:
    case EN_KILLFOCUS:
        if (!box.field->writableOnlyWhileFocused) return false;
        SendMessageW(box.window, EM_SETREADONLY, code == EN_KILLFOCUS ? TRUE : FALSE, 0);
        return true;
    default:
        return false;
    }
}

void PanelFields::OnNumericFieldChange(NumericField& field) {
    // The range in force; l, s and delta narrow theirs by the contact rule.
    double lowerEnd = field.lower;
    double upperEnd = field.upper;
    const ExperimentSettings& now = settings_;
    const auto setting = field.field->setting;
    if (setting == &ExperimentSettings::sampleLength) {
        lowerEnd = SampleLengthLowerEnd(field.lower, now.contactWidth, now.contactSpacing);
    } else if (setting == &ExperimentSettings::contactWidth) {
        upperEnd = ContactWidthUpperEnd(field.upper, now.sampleLength, now.contactSpacing);
    } else if (setting == &ExperimentSettings::contactSpacing) {
        upperEnd = ContactSpacingUpperEnd(field.upper, now.sampleLength, now.contactWidth);
    }

    switch (UpdateFromEdit(field.window, SettingOf(settings_, field), lowerEnd, upperEnd)) {
    case EditUpdate::changed:
        AcceptInput(true);
        break;
    case EditUpdate::unchanged:
        AcceptInput(false);
        break;
    case EditUpdate::outOfRange:
        RejectInput(field.id, lowerEnd, upperEnd, false);
        break;
    }
}

void PanelFields::OnMaterialNumberChange() {
    int n = ReadEditInteger(records_.materialNumberBox.window);
    if (table_.IsValidMaterialNumber(n)) {
        AcceptMaterial(n);
    } else {
        // The warning names the table's full size, whatever the count.
        RejectInput(records_.materialNumberBox.id, 1, kMaxMaterials, true);
    }
}

bool PanelFields::OnUpDown(const NMUPDOWN& change) {
    for (const SpinField& spin : records_.spins) {
        if (spin.id == static_cast<int>(change.hdr.idFrom)) {
            StepNumber(spin, change.iDelta);
            return true;
        }
    }
    return false;
}

// The up-down steps the number of the field that holds its setting.
void PanelFields::StepNumber(const SpinField& spin, int delta) {
    NumericField* box = records_.NumericFieldOf(spin.field->setting);
    if (!box || !box->window) return;
    double t = ReadEditReal(box->window);
    double c = spin.step;
    if (c == 0) {
        c = (t < 0 ? -t : t) * 0.01;
        if (c == 0) c = 0.01;
    }
    // The up-down keeps its default range, in which the upper arrow reports a
    // negative delta: it raises the number.
    double stepped = delta <= 0 ? t + c : t - c;
    // Only the lower end is guarded here; a step above the upper end is shown
    // and then rejected like a typed value.
    if (stepped > box->lower - spin.step / 2) SetEditReal(box->window, stepped);
}

// The value box takes a value at every keystroke and may reject it. The range
// boxes can be typed into only while they have the focus; they take effect at
// every keystroke and are never rejected.
bool PanelFields::OnSliderBoxCommand(SliderField& slider, int id, int code) {
    if (id == slider.valueBox.id) {
        if (code != EN_CHANGE) return false;
        if (slider.track) OnSliderValueChange(slider);
        return true;
    }
    if (!slider.track) return false;
    const bool minimum = id == slider.minimumBox.id;
    HWND box = minimum ? slider.minimumBox.window : slider.maximumBox.window;
    switch (code) {
    case EN_SETFOCUS:
    case EN_KILLFOCUS:
        SendMessageW(box, EM_SETREADONLY, code == EN_KILLFOCUS ? TRUE : FALSE, 0);
        return true;
    case EN_CHANGE:
        if (minimum) {
            OnSliderMinimumChange(slider);
        } else {
            OnSliderMaximumChange(slider);
        }
        return true;
    default:
        return false;
    }
}

void PanelFields::OnSliderValueChange(SliderField& slider) {
    const double x = TakenSliderValue(slider, ReadEditReal(slider.valueBox.window));
    bool inRange = slider.lower <= x && x <= slider.upper;
    int position = 0;
    if (inRange) position = SetSliderPosition(slider, x);

    double& value = SettingOf(settings_, slider.valueBox);
    if (x == value) {
        AcceptInput(false);
    } else if (inRange) {
        value = x;
        slider.lastPosition = position;
        AcceptInput(true);
    } else {
        RejectInput(slider.valueBox.id, slider.lower, slider.upper, false);
    }
}

void PanelFields::FollowSlider(HWND track) {
    for (SliderField& slider : records_.sliders) {
        if (track == slider.track) PollSlider(slider);
    }
}

void PanelFields::SelectMaterial(int n) {
    table_.SelectMaterial(n);
    ComputeReadings();
}

void PanelFields::ComputeReadings() {
    Readings readings =
        MeasureReadings(table_.materialNumber, table_.WorkingEntry(), settings_, shortCircuitCoefficient_);
    ShowReading(Control(IDC_HALL_VOLTAGE), HallVoltageText(readings));
    ShowReading(Control(IDC_SAMPLE_VOLTAGE), SampleVoltageText(readings));
}
