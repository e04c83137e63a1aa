#include "panel/panel_fields_win.h"

#include <iterator>

// The panel has no Tab or arrow navigation between its boxes: keys go to the
// box as typed. F6 and Shift+F6, accelerators of their own, take the keyboard
// to the next and the previous box in the order a person reads the apparatus,
// round from the last to the first. A box the lock has disabled is passed
// over, so that a locked panel keeps the focus in the box to be put right.

void FocusNextBox(const PanelFields& fields, bool backwards) {
    constexpr int kCount = static_cast<int>(std::size(kBoxReadingOrder));
    // Where the walk starts: the box with the focus, or the box a focused
    // slider, range box or up-down belongs to; from anywhere else (the panel
    // itself after Enter), before the first box or after the last.
    const HWND focus = GetFocus();
    int from = backwards ? kCount : -1;
    for (const PanelField& field : kPanelFields) {
        bool here = fields.Control(field.id) == focus;
        if (const SliderField* slider = fields.records().SliderOfBox(field.id)) {
            here = here || focus == slider->track || focus == slider->minimumBox.window ||
                   focus == slider->maximumBox.window;
        }
        if (!here) continue;
        // An up-down belongs to the box whose setting it steps.
        int id = field.id;
        if (field.kind == FieldKind::upDown) {
            for (const NumericField& box : fields.records().numbers) {
                if (box.field->setting == field.setting) id = box.id;
            }
        }
        for (int k = 0; k < kCount; ++k) {
            if (kBoxReadingOrder[k] == id) from = k;
        }
    }
    for (int step = 1; step <= kCount; ++step) {
        const int k = ((from + (backwards ? -step : step)) % kCount + kCount) % kCount;
        HWND box = fields.Control(kBoxReadingOrder[k]);
        if (!box || !IsWindowEnabled(box)) continue;
        SetFocus(box);
        // As the dialog manager does for Tab: the whole text is selected, so
        // that what is typed next replaces it.
        SendMessageW(box, EM_SETSEL, 0, -1);
        return;
    }
}
