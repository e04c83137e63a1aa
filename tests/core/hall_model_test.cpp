#include "model/hall_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "model/noise.h"
#include "numtext/number_format.h"
#include "panel/reading_text.h"

namespace {

MaterialParameters DefaultMaterial() {
    MaterialTable table;
    table.Initialise();
    table.FillDefaults();
    table.SelectMaterial(1);
    return table.WorkingEntry();
}

// The settings of the worked example: rH 1.15, l = w = 100 um, d 10 um, s 0.5 um,
// delta 10 um, I 10 mA, T 300 K, Im 5 A.
ExperimentSettings ExampleSettings() {
    ExperimentSettings s;
    s.sampleCurrent = 10;
    s.magnetCurrent = 5;
    return s;
}

uint64_t Bits(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

// Relative closeness for values given to a stated number of digits.
void ExpectClose(double actual, double expected, double relative) {
    EXPECT_NEAR(actual, expected, std::fabs(expected) * relative) << "expected " << expected;
}

// The default material with its doping swapped: p-type, Na - Nd = 9.9e15.
MaterialParameters SwappedMaterial() {
    MaterialParameters m = DefaultMaterial();
    m.nd = 1e14;
    m.na = 1e16;
    return m;
}

// n, p and R_H of a p-type material worked out another way, in long double and
// with the holes first: for Na > Nd both terms of p's sum are positive, so
// nothing cancels however small ni is; n then follows from n p = ni^2.
struct CarrierReference {
    long double electrons;
    long double holes;
    long double hallCoefficient;
    long double hallScale;  // the larger term's size, the yardstick near R_H = 0
};

CarrierReference PTypeReference(const MaterialParameters& m, double ni, double rH) {
    const long double netHalf = (static_cast<long double>(m.na) - m.nd) / 2;
    const long double ni2 = static_cast<long double>(ni) * ni;
    CarrierReference r;
    r.holes = netHalf + std::sqrt(netHalf * netHalf + ni2);
    r.electrons = ni2 / r.holes;
    const long double b = m.b;
    const long double q = 1.60219e-19;
    const long double sum = r.holes + b * r.electrons;
    r.hallCoefficient = rH * (r.holes - b * b * r.electrons) / (q * sum * sum);
    r.hallScale = rH * (r.holes + b * b * r.electrons) / (q * sum * sum);
    return r;
}

}  // namespace

TEST(HallModel, WorkedExampleGivesEveryIntermediateAndBothReadings) {
    HallQuantities q = EvaluateHallModel(DefaultMaterial(), ExampleSettings(), 1.0, 1.0);

    ExpectClose(q.mobility, 1099.043456210, 1e-12);
    // At 300 K the exponential and the power term are exactly 1.
    EXPECT_EQ(q.intrinsic, 1.49e10);
    EXPECT_EQ(q.electrons, 9.900000000022426e15);
    ExpectClose(q.holes, 22425.2525252, 1e-11);
    ExpectClose(q.hallCoefficient, -725.01773298, 1e-10);
    ExpectClose(q.conductivity, 1.7432676707, 1e-10);
    EXPECT_EQ(q.fluxDensity, 5.90625e-05);
    ExpectClose(q.geometryFactor, 0.66151375432, 1e-10);

    EXPECT_NEAR(q.hallVoltage, -283.269185226, 5e-10);
    EXPECT_NEAR(q.sampleVoltage, 573.635372682, 5e-10);
    EXPECT_EQ(FormatReal(q.hallVoltage), L"-283.27");
    EXPECT_EQ(FormatReal(q.sampleVoltage), L"573.64");
}

TEST(HallModel, LongSampleAtFullMagnetCurrent) {
    ExperimentSettings s = ExampleSettings();
    s.sampleLength = 1000;
    s.magnetCurrent = 10;
    HallQuantities q = EvaluateHallModel(DefaultMaterial(), s, 1.0, 1.0);

    // The contacts' short-circuit all but vanishes on a long bar: G1 rounds to
    // 0.99999975701..., so G is G2 times that.
    double G2 = 1 - (((1 / (s.sampleWidth * 0.0001)) * q.hallAngleFactor) * (s.contactWidth * 0.0001)) *
                        0.6366197723675814;
    ExpectClose(q.geometryFactor / G2, 0.99999975701, 1e-11);
    EXPECT_NEAR(q.hallVoltage, -731.756257519, 5e-10);
    EXPECT_NEAR(q.sampleVoltage, 573.635372682, 5e-10);
}

TEST(HallModel, ZeroMagnetCurrentGivesSignedZeroReadings) {
    ExperimentSettings s = ExampleSettings();
    s.magnetCurrent = 0;
    HallQuantities q = EvaluateHallModel(DefaultMaterial(), s, 1.0, 1.0);
    EXPECT_EQ(q.fluxDensity, 0.0);
    EXPECT_EQ(q.hallAngleTangent, 0.0);
    EXPECT_EQ(q.hallAngleFactor, 1.0);
    EXPECT_EQ(q.hallVoltage, 0.0);

    // With no sample current either, IEEE products make V_H a negative zero
    // (the Hall coefficient is negative) and V_sigma a positive one.
    s.sampleCurrent = 0;
    q = EvaluateHallModel(DefaultMaterial(), s, 1.0, 1.0);
    EXPECT_EQ(Bits(q.hallVoltage), Bits(-0.0));
    EXPECT_EQ(Bits(q.sampleVoltage), Bits(0.0));
    EXPECT_EQ(FormatReal(q.hallVoltage), L"-0.0");
    EXPECT_EQ(FormatReal(q.sampleVoltage), L"0.0");
}

TEST(HallModel, MagnetSaturatesSoReversingItsCurrentChangesTheMagnitude) {
    ExperimentSettings s = ExampleSettings();
    s.magnetCurrent = 10;
    HallQuantities forward = EvaluateHallModel(DefaultMaterial(), s, 1.0, 1.0);
    s.magnetCurrent = -10;
    HallQuantities reverse = EvaluateHallModel(DefaultMaterial(), s, 1.0, 1.0);

    ExpectClose(forward.fluxDensity, 0.00010125, 1e-14);
    ExpectClose(reverse.fluxDensity, -0.00016875, 1e-14);
    EXPECT_LT(forward.hallVoltage, 0.0);
    EXPECT_GT(reverse.hallVoltage, 0.0);
    EXPECT_GT(std::fabs(reverse.hallVoltage), std::fabs(forward.hallVoltage) * 1.5);
    EXPECT_EQ(forward.sampleVoltage, reverse.sampleVoltage);
}

TEST(HallModel, EachReadingDependsOnlyOnItsOwnInputs) {
    const MaterialParameters material = DefaultMaterial();
    const ExperimentSettings base = ExampleSettings();
    const HallQuantities reference = EvaluateHallModel(material, base, 1.0, 1.0);

    // V_sigma ignores r_H, l, s and the magnet.
    struct Change {
        const char* what;
        double ExperimentSettings::*field;
        double value;
        bool hallChanges;
        bool sampleChanges;
    } changes[] = {
        {"r_H", &ExperimentSettings::hallFactor, 2.0, true, false},
        {"l", &ExperimentSettings::sampleLength, 150, true, false},
        {"s", &ExperimentSettings::contactWidth, 0.9, true, false},
        {"Im", &ExperimentSettings::magnetCurrent, 7, true, false},
        {"delta", &ExperimentSettings::contactSpacing, 20, false, true},
        {"d", &ExperimentSettings::sampleThickness, 20, true, true},
        {"T", &ExperimentSettings::temperature, 350, true, true},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        ExperimentSettings s = base;
        s.*change.field = change.value;
        HallQuantities q = EvaluateHallModel(material, s, 1.0, 1.0);
        EXPECT_EQ(q.hallVoltage != reference.hallVoltage, change.hallChanges);
        EXPECT_EQ(q.sampleVoltage != reference.sampleVoltage, change.sampleChanges);
    }
}

TEST(HallModel, NoiseFactorsScaleTheirOwnReadingOnly) {
    const MaterialParameters material = DefaultMaterial();
    HallQuantities plain = EvaluateHallModel(material, ExampleSettings(), 1.0, 1.0);
    HallQuantities noisy = EvaluateHallModel(material, ExampleSettings(), 1.1, 0.9);
    ExpectClose(noisy.hallVoltage, plain.hallVoltage * 1.1, 1e-15);
    ExpectClose(noisy.sampleVoltage, plain.sampleVoltage * 0.9, 1e-15);
}

TEST(HallModel, LowTemperatureFreezesOutTheHoles) {
    ExperimentSettings s = ExampleSettings();
    s.temperature = 77;
    HallQuantities q = EvaluateHallModel(DefaultMaterial(), s, 1.0, 1.0);
    ExpectClose(q.intrinsic, 1.1e-18, 0.1);
    ExpectClose(q.holes, 1.2e-52, 0.1);
    EXPECT_TRUE(std::isfinite(q.hallVoltage));
    EXPECT_TRUE(std::isfinite(q.sampleVoltage));
    // With electrons alone R_H = -r_H / (q n).
    ExpectClose(q.hallCoefficient, -1.15 / (1.60219e-19 * q.electrons), 1e-12);
}

TEST(HallModel, WideBandGapStaysFiniteWhereDoublesWouldOverflow) {
    MaterialParameters material = DefaultMaterial();
    material.eg = 3.4;
    ExperimentSettings s = ExampleSettings();
    s.temperature = 77;
    HallQuantities q = EvaluateHallModel(material, s, 1.0, 1.0);

    ExpectClose(q.intrinsic, 3.758e-74, 1e-3);
    ExpectClose(q.holes, 1.43e-163, 1e-2);
    // (1 + x)^2 is about 3e358 here, beyond any double.
    double x = (q.electrons / q.holes) * material.b;
    EXPECT_TRUE(std::isinf((1 + x) * (1 + x)));
    ExpectClose(q.hallCoefficient, -725.0177, 1e-7);
    ExpectClose(q.hallVoltage, -293.70, 1e-4);
    ExpectClose(q.sampleVoltage, 84.847, 1e-4);
    EXPECT_EQ(FormatReal(q.hallVoltage), L"-293.7");
    EXPECT_EQ(FormatReal(q.sampleVoltage), L"84.847");
}

TEST(HallModel, PTypeCarriersMatchAHighPrecisionReference) {
    // Net doping from strong down to nearly compensated, and one wide band gap,
    // where ni at 77 K is of the order of 1e-74.
    struct Doping {
        const char* what;
        double nd;
        double na;
        double eg;
    } dopings[] = {
        {"swapped default, Na - Nd = 9.9e15", 1e14, 1e16, 1.12},
        {"acceptors only, 1e18", 0, 1e18, 1.12},
        {"acceptors only, 1e16, wide gap", 0, 1e16, 3.4},
        {"nearly compensated, Na - Nd = 1e11", 1e16, 1.00001e16, 1.12},
        {"nearly compensated, Na - Nd = 1e4", 1e16, 10000000000010000.0, 1.12},
    };
    const double temperatures[] = {77, 100, 150, 200, 220, 238, 240, 250, 260, 275,
                                   300, 400, 500, 600, 640, 650, 700, 1000, 1680};
    for (const Doping& doping : dopings) {
        MaterialParameters material = DefaultMaterial();
        material.nd = doping.nd;
        material.na = doping.na;
        material.eg = doping.eg;
        for (double T : temperatures) {
            SCOPED_TRACE(::testing::Message() << doping.what << ", T = " << T << " K");
            ExperimentSettings s = ExampleSettings();
            s.temperature = T;
            const HallQuantities q = EvaluateHallModel(material, s, 1.0, 1.0);
            const CarrierReference r = PTypeReference(material, q.intrinsic, s.hallFactor);

            // A dozen roundings in double leave a few 1e-16; the cancellation
            // this guards against costs whole digits.
            EXPECT_LE(std::fabs(q.electrons - r.electrons), r.electrons * 1e-14L)
                << "n = " << q.electrons << ", reference " << static_cast<double>(r.electrons);
            EXPECT_LE(std::fabs(q.holes - r.holes), r.holes * 1e-14L)
                << "p = " << q.holes << ", reference " << static_cast<double>(r.holes);
            // R_H passes through zero at the sign reversal, where its relative
            // error has no bound: measure the error against its terms instead.
            EXPECT_LE(std::fabs(q.hallCoefficient - r.hallCoefficient), r.hallScale * 1e-14L)
                << "R_H = " << q.hallCoefficient << ", reference "
                << static_cast<double>(r.hallCoefficient);
        }
    }
}

TEST(HallModel, EditedTablesFollowIeeeArithmetic) {
    // Nothing in the table is validated: degenerate values give infinities or
    // NaNs, never a crash.
    MaterialParameters material = DefaultMaterial();
    material.tl0 = 0;  // lattice term: pow(inf, -1.5) = 0, so mu = 0
    HallQuantities q = EvaluateHallModel(material, ExampleSettings(), 1.0, 1.0);
    EXPECT_EQ(q.mobility, 0.0);
    EXPECT_EQ(q.conductivity, 0.0);
    EXPECT_TRUE(std::isinf(q.sampleVoltage));
    EXPECT_EQ(FormatReal(q.sampleVoltage), L"1.#INF");

    material = DefaultMaterial();
    material.nd = material.na;
    material.ni0 = 0;  // n = 0 and p = 0/0
    q = EvaluateHallModel(material, ExampleSettings(), 1.0, 1.0);
    EXPECT_TRUE(std::isnan(q.hallVoltage));
    EXPECT_TRUE(std::isnan(q.sampleVoltage));
    // 0/0 is the invalid operation's NaN, which every later step carries as
    // it is: the meters read as plain double arithmetic would make them.
    EXPECT_EQ(FormatReal(q.hallVoltage), L"-1.#IND");
    EXPECT_EQ(FormatReal(q.sampleVoltage), L"-1.#IND");
    ProcessNoise().Seed(5);
    const Readings r = MeasureReadings(1, material, ExampleSettings());
    EXPECT_EQ(HallVoltageText(r), L"-1.#IND");
    EXPECT_EQ(SampleVoltageText(r), L"-1.#IND");
}

TEST(HallModel, ShortCircuitCoefficientIsOneUlpAboveTheRoundedQuotient) {
    EXPECT_EQ(Bits(kShortCircuitCoefficient), 0x3FF9F02F6222C721ull);
    const double pi = 3.141592653589793;
    volatile double quotient = 16 / (pi * pi);
    EXPECT_EQ(Bits(kShortCircuitCoefficient), Bits(quotient) + 1);
}

TEST(Readings, NothingIsMeasuredOrDrawnWithoutAMaterialOrWithZeroGeometry) {
    const MaterialParameters material = DefaultMaterial();
    struct Case {
        const char* what;
        int materialNumber;
        double width;
        double thickness;
    } cases[] = {
        {"no material", 0, 100, 10},
        {"zero width", 1, 0, 10},
        {"zero thickness", 1, 100, 0},
        {"negative-zero width", 1, -0.0, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ExperimentSettings s = ExampleSettings();
        s.sampleWidth = c.width;
        s.sampleThickness = c.thickness;

        ProcessNoise().Seed(1234);
        Readings r = MeasureReadings(c.materialNumber, material, s);
        EXPECT_FALSE(r.defined);
        EXPECT_EQ(HallVoltageText(r), L"*****");
        EXPECT_EQ(SampleVoltageText(r), L"*****");

        // The generator has not moved.
        NoiseGenerator fresh;
        fresh.Seed(1234);
        EXPECT_EQ(ProcessNoise().Next(), fresh.Next());
    }
}

TEST(Readings, ExampleSettingsShowTheVoltmeterTexts) {
    ProcessNoise().Seed(99);
    Readings r = MeasureReadings(1, DefaultMaterial(), ExampleSettings());
    ASSERT_TRUE(r.defined);
    EXPECT_EQ(HallVoltageText(r), L"-283.27");
    EXPECT_EQ(SampleVoltageText(r), L"573.64");
}

TEST(Readings, PTypeMaterialShowsItsVoltmeterTextsDownTo77K) {
    // With the holes frozen at Na - Nd, V_H hardly moves while V_sigma follows
    // the hole mobility; both stay readable down to the lowest temperature.
    struct Row {
        double temperature;
        const wchar_t* hall;
        const wchar_t* sample;
    } rows[] = {
        {300, L"283.27", L"1434.1"}, {240, L"283.52", L"1028.5"}, {200, L"283.89", L"785.0"},
        {150, L"285.03", L"515.42"}, {77, L"293.7", L"212.12"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "T = " << row.temperature << " K");
        ExperimentSettings s = ExampleSettings();
        s.temperature = row.temperature;
        Readings r = MeasureReadings(1, SwappedMaterial(), s);
        ASSERT_TRUE(r.defined);
        EXPECT_EQ(HallVoltageText(r), row.hall);
        EXPECT_EQ(SampleVoltageText(r), row.sample);
    }
}

TEST(Readings, ScatterStaysWithinTheAmplitudeAndDrawsHallFirst) {
    MaterialParameters material = DefaultMaterial();
    const HallQuantities exact = EvaluateHallModel(material, ExampleSettings(), 1.0, 1.0);
    material.aRand = 0.1;

    ProcessNoise().Seed(20261208);
    NoiseGenerator replay;
    replay.Seed(20261208);
    bool hallDiffers = false;
    for (int i = 0; i < 2000; ++i) {
        Readings r = MeasureReadings(1, material, ExampleSettings());
        ASSERT_TRUE(r.defined);
        double hallFactor = r.hallVoltage / exact.hallVoltage;
        double sampleFactor = r.sampleVoltage / exact.sampleVoltage;
        ASSERT_GE(hallFactor, 0.9 - 1e-12);
        ASSERT_LE(hallFactor, 1.1 + 1e-12);
        ASSERT_GE(sampleFactor, 0.9 - 1e-12);
        ASSERT_LE(sampleFactor, 1.1 + 1e-12);

        // The same draws, replayed in order: Hall first, then the sample voltage.
        double expectedHall = NoiseFactorFor(replay.Next(), 0.1);
        double expectedSample = NoiseFactorFor(replay.Next(), 0.1);
        HallQuantities q = EvaluateHallModel(material, ExampleSettings(), expectedHall, expectedSample);
        ASSERT_EQ(Bits(r.hallVoltage), Bits(q.hallVoltage));
        ASSERT_EQ(Bits(r.sampleVoltage), Bits(q.sampleVoltage));
        if (hallFactor != sampleFactor) hallDiffers = true;
    }
    EXPECT_TRUE(hallDiffers) << "the two readings must draw separate factors";
}

TEST(Readings, NoAmplitudeReproducesExactly) {
    ProcessNoise().Seed(7);
    Readings first = MeasureReadings(1, DefaultMaterial(), ExampleSettings());
    Readings second = MeasureReadings(1, DefaultMaterial(), ExampleSettings());
    EXPECT_EQ(Bits(first.hallVoltage), Bits(second.hallVoltage));
    EXPECT_EQ(Bits(first.sampleVoltage), Bits(second.sampleVoltage));
}
