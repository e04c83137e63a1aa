#pragma once

// The two contacts and the gap between them must fit into three quarters of the
// sample: 2 s + delta <= 0.75 l. Each of l, s and delta narrows its own range
// from the stored values of the other two when it is edited; the stored ranges
// themselves never change.

// The lower end for the sample length l: the larger of 4/3 (2 s + delta) and lower.
double SampleLengthLowerEnd(double lower, double contactWidth, double contactSpacing);
// The upper end for the contact width s: the smaller of (0.75 l - delta) / 2 and upper.
double ContactWidthUpperEnd(double upper, double sampleLength, double contactSpacing);
// The upper end for the contact spacing delta: the smaller of 0.75 l - 2 s and upper.
double ContactSpacingUpperEnd(double upper, double sampleLength, double contactWidth);
