#pragma once

#include "model/material_table.h"

// The settings of the panel, in the panel's units.
struct ExperimentSettings {
    double hallFactor = 1.15;     // r_H
    double sampleLength = 100;    // l, um
    double sampleWidth = 100;     // w, um
    double sampleThickness = 10;  // d, um
    double contactWidth = 0.5;    // s, um
    double contactSpacing = 10;   // delta, um
    double sampleCurrent = 0;     // I, mA
    double temperature = 300;     // T, K
    double magnetCurrent = 0;     // I_m, A
};

// kappa, one unit in the last place above the double nearest 16/pi^2
// (bit pattern 0x3FF9F02F6222C721).
inline constexpr double kShortCircuitCoefficient = 1.6211389382774046;

// Everything the model works out for one reading, in the model's units
// (cm, A, V, cm^-3, cm^2/(V s), V s/cm^2), the readings in mV.
struct HallQuantities {
    double mobility;          // mu, electron mobility
    double intrinsic;         // ni
    double electrons;         // n (the nearest double)
    double holes;             // p (the nearest double)
    double hallCoefficient;   // R_H, cm^3/C
    double conductivity;      // sigma, 1/(Ohm cm)
    double fluxDensity;       // B
    double hallAngleTangent;  // t
    double hallAngleFactor;   // F = theta / tan theta
    double geometryFactor;    // G
    double hallVoltage;       // V_H, mV
    double sampleVoltage;     // V_sigma, mV
};

// The model proper: a pure function of the material, the settings and the two
// random factors (f_H for the Hall voltage, f_sigma for the sample voltage).
// Every operation is the one the model prescribes, in its order.
HallQuantities EvaluateHallModel(const MaterialParameters& material, const ExperimentSettings& settings,
                                 double hallNoise, double sampleNoise,
                                 double shortCircuitCoefficient = kShortCircuitCoefficient);

// Whether there is anything to measure: a material is chosen and neither the
// width nor the thickness is zero.
bool ReadingsDefined(int materialNumber, const ExperimentSettings& settings);

struct Readings {
    bool defined = false;
    double hallVoltage = 0;    // mV
    double sampleVoltage = 0;  // mV
};

// One measurement: checks ReadingsDefined, then draws the Hall factor and the
// sample factor (in that order) from the process generator with the material's
// ARand and evaluates the model. Draws nothing when nothing is defined.
Readings MeasureReadings(int materialNumber, const MaterialParameters& material,
                         const ExperimentSettings& settings,
                         double shortCircuitCoefficient = kShortCircuitCoefficient);
