#include "panel/contact_rule.h"

double SampleLengthLowerEnd(double lower, double contactWidth, double contactSpacing) {
    double needed = ((contactWidth * 2) + contactSpacing) * (4.0 / 3.0);
    return needed > lower ? needed : lower;
}

double ContactWidthUpperEnd(double upper, double sampleLength, double contactSpacing) {
    double room = ((sampleLength * 0.75) - contactSpacing) * 0.5;
    return room < upper ? room : upper;
}

double ContactSpacingUpperEnd(double upper, double sampleLength, double contactWidth) {
    double room = (sampleLength * 0.75) - (contactWidth * 2);
    return room < upper ? room : upper;
}
