#include "model/hall_model.h"

#include <cmath>

#include "model/noise.h"
#include "model/wide_real.h"

// Every operation below is written in the order in which it is evaluated, with
// every constant as the double nearest its literal: the readings reproduce to the
// last bit only when that order is kept. The carrier statistics (n, p and what
// is built from them) run in WideReal, so that a wide band gap at a low
// temperature does not overflow the Hall coefficient's denominator.
HallQuantities EvaluateHallModel(const MaterialParameters& m, const ExperimentSettings& s, double hallNoise,
                                 double sampleNoise, double shortCircuitCoefficient) {
    HallQuantities q;

    // Panel units to the model's: um to cm, mA to A.
    const double rH = s.hallFactor;
    const double l = s.sampleLength * 0.0001;
    const double w = s.sampleWidth * 0.0001;
    const double d = s.sampleThickness * 0.0001;
    const double contact = s.contactWidth * 0.0001;
    const double spacing = s.contactSpacing * 0.0001;
    const double current = s.sampleCurrent * 0.001;
    const double T = s.temperature;
    const double Im = s.magnetCurrent;

    // Electron mobility: lattice and impurity scattering combined by Matthiessen's rule.
    const double muL = m.munL0 * std::pow(T / m.tl0, m.alpha);
    const double muI = m.munI0 * std::pow(T / m.ti0, m.beta);
    const double mu = 1 / ((1 / muI) + (1 / muL));
    q.mobility = mu;

    // Intrinsic concentration: ni0 (T/300)^3/2 exp(-(Eg/2k)(1/T - 1/300)), with
    // 19.34161154307377 = 1 / (2 * 300 K * 8.617e-5 eV/K).
    const double E = std::exp((((300 / T) - 1) * m.eg) * (-19.34161154307377));
    const double ni = (std::pow(T * 0.0033333333333333335, 1.5) * E) * m.ni0;
    q.intrinsic = ni;

    // Charge neutrality with every impurity ionised, on a scale of 1e-10:
    // n = (Nd - Na)/2 + sqrt(((Nd - Na)/2)^2 + ni^2), p = ni^2 / n.
    // With more acceptors than donors that sum is a difference of two nearly
    // equal numbers, which loses every digit once ni is small beside Na - Nd
    // (n comes out as 0 and both readings with it). There n is taken from the
    // same root rationalised, ni^2 / (sqrt(...) - (Nd - Na)/2), whose terms
    // add; ni^2 stays a WideReal, as it is far below the double range at low
    // temperatures. An n-type material keeps the sum as it stands.
    const double h = (((WideReal(m.nd) - m.na) * 0.5) * 1e-10).ToDouble();
    const WideReal a = WideReal(ni) * 1e-10;
    const double radicand = ((WideReal(h) * h) + (a * a)).ToDouble();
    const WideReal n = h < 0 ? ((a * a) / (WideReal(std::sqrt(radicand)) - h)) * 1e10
                             : (WideReal(std::sqrt(radicand)) + h) * 1e10;
    const WideReal p = (WideReal(ni) / n) * ni;
    q.electrons = n.ToDouble();
    q.holes = p.ToDouble();

    // Hall coefficient of electrons and holes, b = mu_n / mu_p:
    // R_H = r_H (p - b^2 n) / (q (p + b n)^2), q = 1.60219e-19 C.
    const WideReal x = (n / p) * m.b;
    const double RH = (((1 - (x * m.b)) * rH) / ((((1 + x) * (1 + x)) * p) * 1.60219e-19)).ToDouble();
    q.hallCoefficient = RH;

    // Conductivity, the hole mobility being mu / b.
    const double sigma = ((((WideReal(mu) / m.b) * p) + (n * mu)) * 1.60219e-19).ToDouble();
    q.conductivity = sigma;

    // The magnet: 0.135 T per ampere, saturating; Im keeps its sign in both places.
    const double B = ((1 - (Im * 0.025)) * Im) * 1.35e-05;
    q.fluxDensity = B;

    // Hall angle: F = theta / tan theta.
    const double t = (B * mu) * rH;
    const double F = t == 0.0 ? 1 : std::atan(t) / t;
    q.hallAngleTangent = t;
    q.hallAngleFactor = F;

    // Geometry: the current contacts short-circuit the Hall voltage,
    // 1 - (16/pi^2) exp(-pi l / 2w) F, and the Hall probe has a finite width,
    // 1 - (2/pi)(s/w) F.
    const double u = 1 / w;
    const double G1 = 1 - ((std::exp((u * l) * (-1.5707963267948966)) * shortCircuitCoefficient) * F);
    const double G2 = 1 - (((u * F) * contact) * 0.6366197723675814);
    const double G = G1 * G2;
    q.geometryFactor = G;

    // The two readings in mV; V_sigma is Ohm's law over the probe spacing.
    q.hallVoltage = ((((hallNoise * (G / d)) * B) * RH) * current) * 1000;
    q.sampleVoltage = (sampleNoise * ((current * spacing) / ((sigma * d) * w))) * 1000;
    return q;
}

bool ReadingsDefined(int materialNumber, const ExperimentSettings& settings) {
    return materialNumber != 0 && settings.sampleWidth != 0.0 && settings.sampleThickness != 0.0;
}

Readings MeasureReadings(int materialNumber, const MaterialParameters& material,
                         const ExperimentSettings& settings, double shortCircuitCoefficient) {
    Readings readings;
    if (!ReadingsDefined(materialNumber, settings)) return readings;
    const double hallNoise = NoiseFactor(material.aRand);
    const double sampleNoise = NoiseFactor(material.aRand);
    HallQuantities q = EvaluateHallModel(material, settings, hallNoise, sampleNoise, shortCircuitCoefficient);
    readings.defined = true;
    readings.hallVoltage = q.hallVoltage;
    readings.sampleVoltage = q.sampleVoltage;
    return readings;
}
