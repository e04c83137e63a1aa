#include "panel/experiment_panel_win.h"

#include <commctrl.h>

#include <algorithm>

#include "numtext/edit_text_win.h"
#include "numtext/number_parse.h"

namespace {

// A slider always spans positions 0..20000.
constexpr int kSliderPositions = 20000;
constexpr double kStepPerSpan = 0.00005;  // 1 / 20000
constexpr int kSliderTicks = 2000;

}  // namespace

void ExperimentPanel::InitSliderField(SliderField& slider, double value, double lower, double upper) {
    slider.lower = lower;
    slider.upper = upper;
    slider.step = (slider.upper - slider.lower) * kStepPerSpan;

    // The range boxes' own handlers run and change nothing.
    ShowInSliderBox(slider, slider.minimumBox.window, slider.lower);
    ShowInSliderBox(slider, slider.maximumBox.window, slider.upper);

    SendMessageW(slider.track, TBM_SETRANGE, TRUE, MAKELPARAM(0, kSliderPositions));
    SendMessageW(slider.track, TBM_SETTICFREQ, kSliderTicks, 0);
    SendMessageW(slider.track, TBM_SETPAGESIZE, 0, kSliderTicks);

    slider.lastPosition = SetSliderPosition(slider, value);
    ShowInSliderBox(slider, slider.valueBox.window, value);
}

// A number the panel puts into one of a slider's boxes itself (the value from
// the thumb or because a range end moved past it, an end put right) is read
// back by the box's handler from its five-digit text, which can round past an
// end given with more digits: -12.3456 shows as "-12.346". The handlers take
// such a number at the end it rounded past, so that moving the thumb or
// setting a range never locks the panel, the stored value stays in its range,
// and an end put right is not put right again for ever.
void ExperimentPanel::ShowInSliderBox(SliderField& slider, HWND box, double x) {
    const SliderField* outer = programmedSlider_;
    programmedSlider_ = &slider;
    SetEditReal(box, x);
    programmedSlider_ = outer;
}

double ExperimentPanel::SliderValue(const SliderField& slider) const {
    int position = static_cast<int>(SendMessageW(slider.track, TBM_GETPOS, 0, 0));
    return position * slider.step + slider.lower;
}

int ExperimentPanel::SetSliderPosition(SliderField& slider, double x) {
    // With both ends equal the step is 0: the quotient is a NaN or an infinity,
    // RoundToInt gives 0 and the thumb sits at the left end. The slider clamps
    // other positions outside its range itself.
    int position = RoundToInt((x - slider.lower) / slider.step);
    SendMessageW(slider.track, TBM_SETPOS, TRUE, position);
    return position;
}

SliderField* ExperimentPanel::SliderOfBox(int id) {
    for (SliderField& slider : sliders_) {
        if (id == slider.valueBox.id || id == slider.minimumBox.id || id == slider.maximumBox.id) {
            return &slider;
        }
    }
    return nullptr;
}

const SliderField* ExperimentPanel::SliderOfBox(int id) const {
    return const_cast<ExperimentPanel*>(this)->SliderOfBox(id);
}

// The value box takes a value at every keystroke and may reject it. The range
// boxes can be typed into only while they have the focus; they take effect at
// every keystroke and are never rejected.
bool ExperimentPanel::OnSliderBoxCommand(SliderField& slider, int id, int code) {
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
        SetReadOnly(box, false);
        return true;
    case EN_CHANGE:
        if (minimum) {
            OnSliderMinimumChange(slider);
        } else {
            OnSliderMaximumChange(slider);
        }
        return true;
    case EN_KILLFOCUS:
        SetReadOnly(box, true);
        return true;
    default:
        return false;
    }
}

void ExperimentPanel::OnSliderValueChange(SliderField& slider) {
    double x = ReadEditReal(slider.valueBox.window);
    if (programmedSlider_ == &slider) x = std::min(std::max(x, slider.lower), slider.upper);
    bool inRange = slider.lower <= x && x <= slider.upper;
    int position = 0;
    if (inRange) position = SetSliderPosition(slider, x);

    if (x == slider.value) {
        AcceptInput(false);
    } else if (inRange) {
        slider.value = x;
        slider.lastPosition = position;
        AcceptInput(true);
    } else {
        RejectInput(slider.valueBox.id, slider.lower, slider.upper, false);
    }
}

void ExperimentPanel::OnSliderMinimumChange(SliderField& slider) {
    const double v = SliderValue(slider);  // with the old lower end and step
    double t = ReadEditReal(slider.minimumBox.window);
    if (programmedSlider_ == &slider) t = std::min(t, slider.upper);
    slider.lower = t < slider.upper ? t : slider.upper;
    slider.step = (slider.upper - slider.lower) * kStepPerSpan;
    const double w = slider.lower > v ? slider.lower : v;
    SetSliderPosition(slider, w);
    // The value box's handler stores the value and re-runs the model before the
    // minimum box is corrected below.
    if (w != v) ShowInSliderBox(slider, slider.valueBox.window, w);
    if (t > slider.upper) ShowInSliderBox(slider, slider.minimumBox.window, slider.upper);
}

void ExperimentPanel::OnSliderMaximumChange(SliderField& slider) {
    const double v = SliderValue(slider);
    double t = ReadEditReal(slider.maximumBox.window);
    if (programmedSlider_ == &slider) t = std::max(t, slider.lower);
    slider.upper = t > slider.lower ? t : slider.lower;
    slider.step = (slider.upper - slider.lower) * kStepPerSpan;
    const double w = v < slider.upper ? v : slider.upper;
    SetSliderPosition(slider, w);
    if (w != v) ShowInSliderBox(slider, slider.valueBox.window, w);
    if (t < slider.lower) ShowInSliderBox(slider, slider.maximumBox.window, slider.lower);
}

void ExperimentPanel::PollSlider(SliderField& slider) {
    int position = static_cast<int>(SendMessageW(slider.track, TBM_GETPOS, 0, 0));
    if (position == slider.lastPosition) return;
    slider.lastPosition = position;
    // The value box's handler stores the number as read back from its text.
    ShowInSliderBox(slider, slider.valueBox.window, position * slider.step + slider.lower);
}
