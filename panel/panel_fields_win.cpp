#include "panel/experiment_panel_win.h"

#include <commctrl.h>

#include "numtext/edit_text_win.h"
#include "panel/contact_rule.h"

// Every field shows its default: showing a value runs the box's change handler,
// which finds it unchanged.
void ExperimentPanel::SetPanelDefaults() {
    const ExperimentSettings defaults;
    for (NumericField& box : numbers_) {
        box.value = defaults.*box.field->setting;
        box.lower = box.field->lower;
        box.upper = box.field->upper;
    }
    for (SliderField& slider : sliders_) slider.value = defaults.*slider.valueBox.field->setting;
    for (SpinField& spin : spins_) spin.step = 1.0;

    for (NumericField& box : numbers_) SetEditReal(box.window, box.value);
    for (SliderField& slider : sliders_) {
        InitSliderField(slider, slider.value, slider.valueBox.field->lower, slider.valueBox.field->upper);
    }

    // "0" is no material: its handler rejects it, which leaves only the material
    // box enabled, with no warning. The model does not run yet.
    table_.materialNumber = 0;
    SetEditInteger(materialNumberBox_.window, 0);
}

NumericField* ExperimentPanel::NumericFieldOf(int id) {
    return FindById(numbers_, id);
}

const NumericField* ExperimentPanel::NumericFieldOf(int id) const {
    return const_cast<ExperimentPanel*>(this)->NumericFieldOf(id);
}

NumericField* ExperimentPanel::NumericFieldOf(double ExperimentSettings::*setting) {
    for (NumericField& box : numbers_) {
        if (box.field->setting == setting) return &box;
    }
    return nullptr;
}

// The notifications of every box of the fields; the message map's own rows
// come first.
LRESULT ExperimentPanel::OnFieldCommand(const Message& m, bool& handled) {
    const int id = m.CommandId();
    const int code = m.NotifyCode();
    NoteFieldCommand(id, code);
    if (id == materialNumberBox_.id) {
        if (code == EN_CHANGE && materialNumberBox_.window) OnMaterialNumberChange();
        handled = code == EN_CHANGE;
    } else if (NumericField* box = NumericFieldOf(id)) {
        handled = OnNumberBoxCommand(*box, code);
    } else if (SliderField* slider = SliderOfBox(id)) {
        handled = OnSliderBoxCommand(*slider, id, code);
    } else {
        handled = false;
    }
    return 0;
}

bool ExperimentPanel::OnNumberBoxCommand(NumericField& box, int code) {
    if (!box.window) return code == EN_CHANGE;
    switch (code) {
    case EN_CHANGE:
        OnNumericFieldChange(box);
        return true;
    case EN_SETFOCUS:
    case EN_KILLFOCUS:
        if (!box.field->writableOnlyWhileFocused) return false;
        SetReadOnly(box.window, code == EN_KILLFOCUS);
        return true;
    default:
        return false;
    }
}

void ExperimentPanel::SetReadOnly(HWND box, bool readOnly) {
    SendMessageW(box, EM_SETREADONLY, readOnly ? TRUE : FALSE, 0);
}

void ExperimentPanel::OnNumericFieldChange(NumericField& field) {
    // The range in force; l, s and delta narrow theirs by the contact rule.
    double lowerEnd = field.lower;
    double upperEnd = field.upper;
    const ExperimentSettings now = Settings();
    const auto setting = field.field->setting;
    if (setting == &ExperimentSettings::sampleLength) {
        lowerEnd = SampleLengthLowerEnd(field.lower, now.contactWidth, now.contactSpacing);
    } else if (setting == &ExperimentSettings::contactWidth) {
        upperEnd = ContactWidthUpperEnd(field.upper, now.sampleLength, now.contactSpacing);
    } else if (setting == &ExperimentSettings::contactSpacing) {
        upperEnd = ContactSpacingUpperEnd(field.upper, now.sampleLength, now.contactWidth);
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

void ExperimentPanel::OnMaterialNumberChange() {
    int n = ReadEditInteger(materialNumberBox_.window);
    if (table_.IsValidMaterialNumber(n)) {
        AcceptMaterial(n);
    } else {
        // The warning names the table's full size, whatever the count.
        RejectInput(materialNumberBox_.id, 1, kMaxMaterials, true);
    }
}

LRESULT ExperimentPanel::OnUpDown(const Message& m, bool& handled) {
    const NMUPDOWN* change = reinterpret_cast<const NMUPDOWN*>(m.lParam);
    for (const SpinField& spin : spins_) {
        if (spin.id == static_cast<int>(change->hdr.idFrom)) return StepNumber(spin, change->iDelta);
    }
    handled = false;
    return 0;
}

// The up-down steps the number of the field that holds its setting.
LRESULT ExperimentPanel::StepNumber(const SpinField& spin, int delta) {
    NumericField* box = NumericFieldOf(spin.field->setting);
    if (!box || !box->window) return 0;
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
    return 0;
}
