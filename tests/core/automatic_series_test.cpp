#include "measurements/automatic_series.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

SeriesPlan InSteps(double start, double end, double step) {
    SeriesPlan plan;
    plan.start = start;
    plan.end = end;
    plan.step = step;
    return plan;
}

SeriesPlan InPoints(double start, double end, int count) {
    SeriesPlan plan;
    plan.start = start;
    plan.end = end;
    plan.byCount = true;
    plan.count = count;
    return plan;
}

}  // namespace

TEST(AutomaticSeries, StepsRunFromTheStartTowardsTheEndWithoutDrift) {
    // The temperature series of the lab: 100 K to 700 K in 10 K.
    SeriesValues up = PlanSeries(InSteps(100, 700, 10));
    ASSERT_EQ(up.values.size(), 61u);
    for (size_t k = 0; k < up.values.size(); ++k) EXPECT_EQ(up.values[k], 100 + 10.0 * k);

    // Downwards, whatever the step's sign; an end between steps is not passed.
    SeriesValues down = PlanSeries(InSteps(5, -5, 3));
    EXPECT_EQ(down.values, (std::vector<double>{5, 2, -1, -4}));
    EXPECT_EQ(PlanSeries(InSteps(5, -5, -3)).values, down.values);

    // Steps that are not exact in binary still end on the end itself, and each
    // value is start + k step rather than a running sum.
    SeriesValues tenths = PlanSeries(InSteps(0, 1, 0.1));
    ASSERT_EQ(tenths.values.size(), 11u);
    EXPECT_EQ(tenths.values[3], 0.1 * 3);
    EXPECT_EQ(tenths.values.back(), 1.0);

    // Start and end alike: one reading, whatever the step.
    EXPECT_EQ(PlanSeries(InSteps(300, 300, 0)).values, std::vector<double>{300});
}

TEST(AutomaticSeries, PointsAreEvenlySpacedAndEndOnTheEnd) {
    EXPECT_EQ(PlanSeries(InPoints(0, 1, 4)).values, (std::vector<double>{0, 1.0 / 3, 2.0 / 3, 1}));
    EXPECT_EQ(PlanSeries(InPoints(-10, 10, 2)).values, (std::vector<double>{-10, 10}));
    EXPECT_EQ(PlanSeries(InPoints(77, 1680, 1)).values, std::vector<double>{77});
    SeriesValues hundred = PlanSeries(InPoints(100, 700, 100));
    ASSERT_EQ(hundred.values.size(), 100u);
    EXPECT_EQ(hundred.values.front(), 100);
    EXPECT_EQ(hundred.values.back(), 700);
}

TEST(AutomaticSeries, PlansThatCannotRunSayWhyAndGiveNoValues) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const SeriesPlan& plan : {InSteps(nan, 1, 1), InSteps(0, inf, 1), InSteps(0, 1, 0), InSteps(0, 1, nan),
                                   InSteps(0, 1e6, 1), InPoints(0, 1, 0), InPoints(0, 1, -3),
                                   InPoints(0, 1, kMaxSeriesPoints + 1), InPoints(nan, 1, 3)}) {
        SeriesValues result = PlanSeries(plan);
        EXPECT_TRUE(result.values.empty());
        EXPECT_FALSE(result.problem.empty());
    }
    // The largest series there may be is taken.
    EXPECT_EQ(PlanSeries(InSteps(1, kMaxSeriesPoints, 1)).values.size(), static_cast<size_t>(kMaxSeriesPoints));
    EXPECT_EQ(PlanSeries(InPoints(0, 1, kMaxSeriesPoints)).values.size(), static_cast<size_t>(kMaxSeriesPoints));
}

// What the series dialog shows greyed for the way not chosen is what the
// chosen way runs: as many points as the steps make (also beyond the most a
// series takes, which Start then refuses), and the distance between points.
TEST(AutomaticSeries, TheOtherWayTellsWhatThePlanRuns) {
    const SeriesPlan inSteps[] = {
        InSteps(100, 1680, 10), InSteps(100, 1680, 20), InSteps(1680, 100, 10),  InSteps(0, 1, 0.1),
        InSteps(0, 0.3, 0.1),   InSteps(-25, 25, 5),    InSteps(100, 700, 7),    InSteps(5, 5, 0),
        InSteps(0, 1, 3),       InSteps(-10, 10, -0.5),
    };
    for (const SeriesPlan& plan : inSteps) {
        SCOPED_TRACE(testing::Message() << plan.start << " to " << plan.end << " by " << plan.step);
        EXPECT_EQ(static_cast<size_t>(SeriesPointCount(plan)), PlanSeries(plan).values.size());
    }
    EXPECT_EQ(SeriesPointCount(InSteps(100, 1680, 10)), 159);
    EXPECT_EQ(SeriesPointCount(InSteps(0, 1, 1e-5)), 100001);
    // No points: no step, no number, a count beyond an int.
    EXPECT_EQ(SeriesPointCount(InSteps(0, 1, 0)), 0);
    EXPECT_EQ(SeriesPointCount(InSteps(0, std::numeric_limits<double>::infinity(), 1)), 0);
    EXPECT_EQ(SeriesPointCount(InSteps(0, 1e300, 1)), 0);

    EXPECT_EQ(SeriesPointSpacing(InPoints(100, 1680, 159)), 10);
    EXPECT_EQ(SeriesPointSpacing(InPoints(1680, 100, 80)), 20);
    EXPECT_EQ(SeriesPointSpacing(InPoints(5, 5, 3)), 0);
    EXPECT_TRUE(std::isnan(SeriesPointSpacing(InPoints(100, 500, 1))));
    EXPECT_TRUE(std::isnan(SeriesPointSpacing(InPoints(100, 500, 0))));
    EXPECT_TRUE(std::isnan(SeriesPointSpacing(InPoints(std::nan(""), 500, 5))));
    // In points the steps between them take the plan back to its points.
    const SeriesPlan inPoints = InPoints(100, 500, 5);
    EXPECT_EQ(SeriesPointCount(InSteps(100, 500, SeriesPointSpacing(inPoints))), 5);
}
