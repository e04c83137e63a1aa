#include "panel/panel_fields_win.h"

#include <iterator>

// The panel has no Tab or arrow navigation between its boxes: keys go to the
// box as typed. F6 and Shift+F6, accelerators of their own, take the keyboard
// to the next and the previous control in the order a person reads the
// apparatus, round from the last to the first: each box, and after a box the
// controls that set it (the temperature's up-down; a current's minimum and
// maximum boxes, then its slider). A control the lock has disabled is passed
// over, so that a locked panel keeps the focus in the box to be put right.

namespace {

// The walk's stops in order: at most a box, an up-down or three slider
// controls per box.
struct WalkStops {
    HWND control[4 * std::size(kBoxReadingOrder)] = {};
    bool edit[4 * std::size(kBoxReadingOrder)] = {};
    int count = 0;

    void Add(HWND window, bool isEdit) {
        if (!window) return;
        control[count] = window;
        edit[count] = isEdit;
        ++count;
    }
};

WalkStops CollectStops(const PanelFields& fields) {
    WalkStops stops;
    for (int id : kBoxReadingOrder) {
        stops.Add(fields.Control(id), true);
        for (const PanelField& field : kPanelFields) {
            if (field.kind != FieldKind::upDown) continue;
            for (const NumericField& box : fields.records().numbers) {
                if (box.id == id && box.field->setting == field.setting) stops.Add(fields.Control(field.id), false);
            }
        }
        if (const SliderField* slider = fields.records().SliderOfBox(id)) {
            stops.Add(slider->minimumBox.window, true);
            stops.Add(slider->maximumBox.window, true);
            stops.Add(slider->track, false);
        }
    }
    return stops;
}

}  // namespace

void FocusNextBox(const PanelFields& fields, bool backwards) {
    const WalkStops stops = CollectStops(fields);
    // From the control with the focus; from anywhere else (the panel itself
    // after Enter), before the first stop or after the last.
    const HWND focus = GetFocus();
    int from = backwards ? stops.count : -1;
    for (int k = 0; k < stops.count; ++k) {
        if (stops.control[k] == focus) from = k;
    }
    for (int step = 1; step <= stops.count; ++step) {
        const int k = ((from + (backwards ? -step : step)) % stops.count + stops.count) % stops.count;
        HWND control = stops.control[k];
        if (!IsWindowEnabled(control)) continue;
        SetFocus(control);
        // As the dialog manager does for Tab: the whole text of a box is
        // selected, so that what is typed next replaces it.
        if (stops.edit[k]) SendMessageW(control, EM_SETSEL, 0, -1);
        return;
    }
}
