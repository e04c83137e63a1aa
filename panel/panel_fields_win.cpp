#include "panel/experiment_panel_win.h"

#include <commctrl.h>

#include "numtext/edit_text_win.h"
#include "panel/contact_rule.h"

SliderField MakeSliderField(int valueId, int trackId, int frameId, int minimumId, int maximumId) {
    SliderField slider;
    slider.valueBox.id = valueId;
    slider.trackId = trackId;
    slider.frame.id = frameId;
    slider.minimumBox.id = minimumId;
    slider.maximumBox.id = maximumId;
    return slider;
}

void ExperimentPanel::SetPanelDefaults() {
    hallFactor_.value = 1.15;
    sampleLength_.value = 100;
    sampleWidth_.value = 100;
    sampleThickness_.value = 10;
    contactWidth_.value = 0.5;
    contactSpacing_.value = 10;
    sampleCurrent_.value = 0;
    magnetCurrent_.value = 0;
    temperature_.value = 300;
    temperatureSpin_.step = 1.0;

    // Showing each value runs its box's change handler, which finds it unchanged.
    struct Range {
        NumericField* field;
        double lower;
        double upper;
    } ranges[] = {
        {&hallFactor_, 0.2, 5},        {&sampleLength_, 1, 25000}, {&sampleWidth_, 1, 25000},
        {&sampleThickness_, 1, 25000}, {&contactWidth_, 0.1, 1},   {&contactSpacing_, 1, 10000},
    };
    for (const Range& range : ranges) {
        range.field->lower = range.lower;
        range.field->upper = range.upper;
        SetEditReal(range.field->window, range.field->value);
    }

    InitSliderField(sampleCurrent_, 0, -25, 25);
    InitSliderField(magnetCurrent_, 0, -10, 10);

    temperature_.lower = 77;
    temperature_.upper = 1680;
    SetEditReal(temperature_.window, temperature_.value);

    // "0" is no material: its handler rejects it, which leaves only the material
    // box enabled, with no warning. The model does not run yet.
    table_.materialNumber = 0;
    SetEditInteger(materialNumberBox_.window, 0);
}

NumericField* ExperimentPanel::NumericFieldOf(int id) {
    for (NumericField* field : {&hallFactor_, &sampleLength_, &sampleWidth_, &sampleThickness_,
                                &contactWidth_, &contactSpacing_, &temperature_}) {
        if (field->id == id) return field;
    }
    return nullptr;
}

LRESULT ExperimentPanel::OnNumericEdit(const Message& m, bool&) {
    NumericField* field = NumericFieldOf(m.CommandId());
    if (field && field->window) OnNumericFieldChange(*field);
    return 0;
}

LRESULT ExperimentPanel::OnTemperatureEdit(const Message& m, bool& handled) {
    switch (m.NotifyCode()) {
    case EN_CHANGE:
        if (temperature_.window) OnNumericFieldChange(temperature_);
        return 0;
    case EN_SETFOCUS:
        SetReadOnly(temperature_.window, false);
        return 0;
    case EN_KILLFOCUS:
        SetReadOnly(temperature_.window, true);
        return 0;
    default:
        handled = false;
        return 0;
    }
}

void ExperimentPanel::SetReadOnly(HWND box, bool readOnly) {
    SendMessageW(box, EM_SETREADONLY, readOnly ? TRUE : FALSE, 0);
}

void ExperimentPanel::OnNumericFieldChange(NumericField& field) {
    // The range in force; l, s and delta narrow theirs by the contact rule.
    double lowerEnd = field.lower;
    double upperEnd = field.upper;
    if (&field == &sampleLength_) {
        lowerEnd = SampleLengthLowerEnd(field.lower, contactWidth_.value, contactSpacing_.value);
    } else if (&field == &contactWidth_) {
        upperEnd = ContactWidthUpperEnd(field.upper, sampleLength_.value, contactSpacing_.value);
    } else if (&field == &contactSpacing_) {
        upperEnd = ContactSpacingUpperEnd(field.upper, sampleLength_.value, contactWidth_.value);
    }

    switch (UpdateFromEdit(field.window, field.value, lowerEnd, upperEnd)) {
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

LRESULT ExperimentPanel::OnMaterialNumberEdit(const Message&, bool&) {
    if (materialNumberBox_.window) OnMaterialNumberChange();
    return 0;
}

void ExperimentPanel::OnMaterialNumberChange() {
    int n = ReadEditInteger(materialNumberBox_.window);
    if (table_.IsValidMaterialNumber(n)) {
        AcceptMaterial(n);
    } else {
        // The warning names the table's full size, whatever the count.
        RejectInput(materialNumberBox_.id, 1, kMaxMaterials, true);
    }
}

LRESULT ExperimentPanel::OnTemperatureSpin(const Message& m, bool&) {
    const NMUPDOWN* change = reinterpret_cast<const NMUPDOWN*>(m.lParam);
    return StepTemperature(change->iDelta);
}

LRESULT ExperimentPanel::StepTemperature(int delta) {
    double t = ReadEditReal(temperature_.window);
    double c = temperatureSpin_.step;
    if (c == 0) {
        c = (t < 0 ? -t : t) * 0.01;
        if (c == 0) c = 0.01;
    }
    // The up-down keeps its default range, in which the upper arrow reports a
    // negative delta: it raises the temperature.
    double stepped = delta <= 0 ? t + c : t - c;
    // Only the lower end is guarded here; a step above the upper end is shown
    // and then rejected like a typed value.
    if (stepped > temperature_.lower - temperatureSpin_.step / 2) SetEditReal(temperature_.window, stepped);
    return 0;
}
