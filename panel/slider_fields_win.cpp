#include "panel/slider_field_win.h"

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

void InitSliderField(SliderField& slider, double value, double lower, double upper) {
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
void ShowInSliderBox(SliderField& slider, HWND box, double x) {
    const bool outer = slider.filledByPanel;
    slider.filledByPanel = true;
    SetEditReal(box, x);
    slider.filledByPanel = outer;
}

double TakenSliderValue(const SliderField& slider, double x) {
    return slider.filledByPanel ? std::min(std::max(x, slider.lower), slider.upper) : x;
}

double SliderValue(const SliderField& slider) {
    int position = static_cast<int>(SendMessageW(slider.track, TBM_GETPOS, 0, 0));
    return position * slider.step + slider.lower;
}

int SetSliderPosition(SliderField& slider, double x) {
    // With both ends equal the step is 0: the quotient is a NaN or an infinity,
    // RoundToInt gives 0 and the thumb sits at the left end. The slider clamps
    // other positions outside its range itself.
    int position = RoundToInt((x - slider.lower) / slider.step);
    SendMessageW(slider.track, TBM_SETPOS, TRUE, position);
    return position;
}

void OnSliderMinimumChange(SliderField& slider) {
    const double v = SliderValue(slider);  // with the old lower end and step
    double t = ReadEditReal(slider.minimumBox.window);
    if (slider.filledByPanel) t = std::min(t, slider.upper);
    slider.lower = t < slider.upper ? t : slider.upper;
    slider.step = (slider.upper - slider.lower) * kStepPerSpan;
    const double w = slider.lower > v ? slider.lower : v;
    SetSliderPosition(slider, w);
    // The value box's handler stores the value and re-runs the model before the
    // minimum box is corrected below.
    if (w != v) ShowInSliderBox(slider, slider.valueBox.window, w);
    if (t > slider.upper) ShowInSliderBox(slider, slider.minimumBox.window, slider.upper);
}

void OnSliderMaximumChange(SliderField& slider) {
    const double v = SliderValue(slider);
    double t = ReadEditReal(slider.maximumBox.window);
    if (slider.filledByPanel) t = std::max(t, slider.lower);
    slider.upper = t > slider.lower ? t : slider.lower;
    slider.step = (slider.upper - slider.lower) * kStepPerSpan;
    const double w = v < slider.upper ? v : slider.upper;
    SetSliderPosition(slider, w);
    if (w != v) ShowInSliderBox(slider, slider.valueBox.window, w);
    if (t < slider.lower) ShowInSliderBox(slider, slider.maximumBox.window, slider.lower);
}

void PollSlider(SliderField& slider) {
    int position = static_cast<int>(SendMessageW(slider.track, TBM_GETPOS, 0, 0));
    if (position == slider.lastPosition) return;
    slider.lastPosition = position;
    // The value box's handler stores the number as read back from its text.
    ShowInSliderBox(slider, slider.valueBox.window, position * slider.step + slider.lower);
}
