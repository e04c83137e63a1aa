#include <gtest/gtest.h>

#include "panel/contact_rule.h"
#include "panel/range_warning.h"

TEST(ContactRule, EachOfLengthWidthAndSpacingNarrowsItsOwnRange) {
    // s = 0.5, delta = 10: l from 4/3 * 11 = 14.666...
    const double lengthLower = SampleLengthLowerEnd(1, 0.5, 10);
    EXPECT_DOUBLE_EQ(lengthLower, 44.0 / 3.0);
    EXPECT_GT(14.667, lengthLower);
    EXPECT_LT(14.6, lengthLower);
    // The stored lower end wins when it is the larger (on a tie as well).
    EXPECT_EQ(SampleLengthLowerEnd(20, 0.5, 10), 20);
    EXPECT_EQ(SampleLengthLowerEnd(12, 0.5, 8), 12);

    // l = 100, delta = 10: s up to min(32.5, 1); l = 12, delta = 8: up to 0.5.
    EXPECT_EQ(ContactWidthUpperEnd(1, 100, 10), 1);
    EXPECT_EQ(ContactWidthUpperEnd(1, 12, 8), 0.5);
    // l = 100, s = 0.5: delta up to 74.
    EXPECT_EQ(ContactSpacingUpperEnd(10000, 100, 0.5), 74);
    EXPECT_EQ(ContactSpacingUpperEnd(50, 100, 0.5), 50);
}

TEST(RangeWarningText, WritesTheBoundsInThePanelStyleOrAsIntegers) {
    struct Case {
        double lower;
        double upper;
        bool integer;
        const wchar_t* text;
    } cases[] = {
        {0.2, 5, false, L"Invalid set of parameters.\nValid range: [0.2, 5.0]."},
        {77, 1680, false, L"Invalid set of parameters.\nValid range: [77.0, 1680.0]."},
        {-25, 25, false, L"Invalid set of parameters.\nValid range: [-25.0, 25.0]."},
        {44.0 / 3.0, 25000, false, L"Invalid set of parameters.\nValid range: [14.667, 25000.]."},
        {1, 100, true, L"Invalid set of parameters.\nValid range: [1, 100]."},
        {1.9, -2.7, true, L"Invalid set of parameters.\nValid range: [1, -2]."},  // truncated toward zero
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lower);
        RangeWarning warning;
        warning.flags = RangeWarning::kHasLower | RangeWarning::kHasUpper;
        if (c.integer) warning.flags |= RangeWarning::kIsInteger;
        warning.lower = c.lower;
        warning.upper = c.upper;
        EXPECT_EQ(RangeWarningText(warning), c.text);
    }
}
