#include "panel/panel_names_win.h"

#include "measurements/measured_quantities.h"
#include "ui/accessible_win.h"

namespace {

// The quantity a control of the fields shows or sets: an up-down's is that of
// the number field it steps, a slider part's that of its value box.
const MeasuredQuantity* QuantityOfControl(int id) {
    for (const PanelField& field : kPanelFields) {
        const bool part =
            field.kind == FieldKind::slider && (id == field.slider.trackId || id == field.slider.minimumId ||
                                                id == field.slider.maximumId || id == field.slider.frameId);
        if (field.id != id && !part) continue;
        int box = field.id;
        if (field.kind == FieldKind::upDown) {
            for (const PanelField& stepped : kPanelFields) {
                if (stepped.kind == FieldKind::number && stepped.setting == field.setting) box = stepped.id;
            }
        }
        for (const MeasuredQuantity& quantity : kMeasuredQuantities) {
            if (quantity.box == box) return &quantity;
        }
    }
    return nullptr;
}

}  // namespace

void FieldControlName(int id, wchar_t (&name)[kControlNameSize]) {
    name[0] = L'\0';
    if (id == IDC_MATERIAL_NUMBER) {
        lstrcpynW(name, L"Semiconductor material number", kControlNameSize);
        return;
    }
    const MeasuredQuantity* quantity = QuantityOfControl(id);
    if (!quantity) return;
    const PanelField* slider = nullptr;
    for (const PanelField& field : kPanelFields) {
        if (field.kind == FieldKind::slider && QuantityOfControl(field.id) == quantity) slider = &field;
    }
    // "Hall factor r_H", "Temperature T", then what the control is and the unit.
    const wchar_t* part = L"";
    bool unit = *quantity->unit != L'\0';
    if (id == IDC_TEMPERATURE_SPIN) part = L" up-down", unit = false;
    if (slider && id == slider->slider.trackId) part = L" slider", unit = false;
    if (slider && id == slider->slider.frameId) part = L" range", unit = false;
    if (slider && id == slider->slider.minimumId) part = L" minimum";
    if (slider && id == slider->slider.maximumId) part = L" maximum";
    // The table's names are ASCII and lower case but for proper names.
    const char first = quantity->name[0];
    wsprintfW(name, L"%c%hs %s%s%s%s", first >= 'a' && first <= 'z' ? first - 'a' + 'A' : first,
              quantity->name + 1, quantity->symbol, part, unit ? L", " : L"", unit ? quantity->unit : L"");
}

void NamePanelControls(const FieldRecords& fields, HWND picture) noexcept {
    fields.ForEachControl([](int id, HWND control, LockRole) {
        wchar_t name[kControlNameSize];
        FieldControlName(id, name);
        SetAccessibleName(control, name);
    });
    SetAccessibleName(picture, L"Hall-effect apparatus",
                      L"A semiconductor sample in a temperature chamber between the poles of an "
                      L"electromagnet, with two current sources and two voltmeters");
}
