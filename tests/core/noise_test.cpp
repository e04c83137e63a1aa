#include "model/noise.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

TEST(NoiseGenerator, FollowsTheDocumentedSequence) {
    // state = state * 1103515245 + 12345 (mod 2^32); draw = (state >> 16) & 0x7FFF.
    NoiseGenerator g;
    g.Seed(1);
    // From seed 1 the C standard's example generator yields 16838, 5758, 10113, ...
    EXPECT_EQ(g.Next(), 16838);
    EXPECT_EQ(g.Next(), 5758);
    EXPECT_EQ(g.Next(), 10113);
    EXPECT_EQ(g.Next(), 17515);

    NoiseGenerator a, b;
    a.Seed(0x21000021u | 0x00ABCD00u);
    b.Seed(0x21000021u | 0x00ABCD00u);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(a.Next(), b.Next());
}

TEST(NoiseGenerator, DrawsCoverTheWholeRangeEvenly) {
    NoiseGenerator g;
    g.Seed(0x21123421u);
    int lowest = NoiseGenerator::kMax, highest = 0;
    long long sum = 0;
    std::set<int> seen;
    const int draws = 400000;
    for (int i = 0; i < draws; ++i) {
        int r = g.Next();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, NoiseGenerator::kMax);
        lowest = std::min(lowest, r);
        highest = std::max(highest, r);
        sum += r;
        seen.insert(r);
    }
    EXPECT_EQ(lowest, 0);
    EXPECT_EQ(highest, NoiseGenerator::kMax);
    EXPECT_GT(seen.size(), 32000u);
    EXPECT_NEAR(static_cast<double>(sum) / draws, NoiseGenerator::kMax / 2.0, 60.0);
}

TEST(NoiseSeed, CombinesTheCounterWithTheMiddleBitsOfTheClock) {
    EXPECT_EQ(ComposeNoiseSeed(33, 0), 0x21000021u);
    EXPECT_EQ(ComposeNoiseSeed(33, 0xFFFFFFFFu), 0x21FFFF21u);
    EXPECT_EQ(ComposeNoiseSeed(33, 0x12345678u), 0x21345621u);
    EXPECT_EQ(ComposeNoiseSeed(35, 0x000000FFu), 0x23000023u);
    EXPECT_EQ(ComposeNoiseSeed(0x1FF, 0), 0xFF0000FFu);  // only the counter's low byte shows twice

    // Each seeding uses the next odd counter value.
    uint32_t first = SeedNoise();
    uint32_t second = SeedNoise();
    EXPECT_EQ(((second & 0xFFu) - (first & 0xFFu)) & 0xFFu, 2u);
    EXPECT_EQ(second >> 24, second & 0xFFu);
    EXPECT_EQ(first & 1u, 1u);
}

TEST(NoiseFactor, SpansOneMinusToOnePlusTheAmplitude) {
    EXPECT_EQ(NoiseFactorFor(0, 0.1), 1 - 0.1);
    EXPECT_DOUBLE_EQ(NoiseFactorFor(NoiseGenerator::kMax, 0.1), 1.1);
    EXPECT_NEAR(NoiseFactorFor(16384, 0.1), 1.0, 1e-5);
    for (int r : {0, 1, 12345, 16383, 16384, NoiseGenerator::kMax}) {
        SCOPED_TRACE(r);
        EXPECT_EQ(NoiseFactorFor(r, 0.0), 1.0);
        double f = NoiseFactorFor(r, 0.25);
        EXPECT_GE(f, 0.75);
        EXPECT_LE(f, 1.25 + 1e-15);
    }
    // Draws from the process generator, in its order.
    ProcessNoise().Seed(5);
    NoiseGenerator replay;
    replay.Seed(5);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(NoiseFactor(0.3), NoiseFactorFor(replay.Next(), 0.3));
}
