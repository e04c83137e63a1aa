#pragma once

#include <windows.h>

#include "panel/field_records.h"

// A slider field's own mechanics: its positions, its range boxes and the
// numbers the panel puts into its boxes itself (slider_fields_win.cpp).

// Sets the ends and the value; the boxes' own handlers run and change nothing.
void InitSliderField(SliderField& slider, double value, double lower, double upper);
// The value at the thumb's position.
double SliderValue(const SliderField& slider);
// Moves the thumb to x and returns its position.
int SetSliderPosition(SliderField& slider, double x);
// A number the panel itself puts into one of the slider's boxes.
void ShowInSliderBox(SliderField& slider, HWND box, double x);
// x as a handler takes it: a number the panel put into a box, read back from
// its rounded text, is taken at the end it rounded past.
double TakenSliderValue(const SliderField& slider, double x);
// The range boxes, as typed into.
void OnSliderMinimumChange(SliderField& slider);
void OnSliderMaximumChange(SliderField& slider);
// The thumb moved by the mouse: its value goes into the value box.
void PollSlider(SliderField& slider);
