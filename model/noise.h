#pragma once

#include <cstdint>

// The random scatter of the readings.
//
// The generator is the linear congruential generator of the C standard's
// example rand(): state = state * 1103515245 + 12345 (mod 2^32), and each draw
// is bits 16..30 of the new state, an integer uniform over 0..32767. It is
// written out here so that a seed gives the same sequence on every platform.
class NoiseGenerator {
public:
    static constexpr int kMax = 32767;

    void Seed(uint32_t seed) { state_ = seed; }
    int Next();

private:
    uint32_t state_ = 1;
};

// The generator of the process; SeedNoise seeds it and NoiseFactor draws from it.
NoiseGenerator& ProcessNoise();

// The seed made from the seeding counter c and the low 32 bits of the system
// time in 100-ns ticks since 1601: (c & 0xFF) | (c << 24) | (clock & 0x00FFFF00).
uint32_t ComposeNoiseSeed(uint32_t counter, uint32_t clockLow);

// Seeds the process generator from the clock and a counter that starts at 33
// and grows by 2 with every call; returns the seed.
uint32_t SeedNoise();

// The factor 1 + ((2r / 32767) - 1) * amplitude for one draw r: uniform over
// 32768 values from 1 - amplitude to 1 + amplitude; exactly 1 for amplitude 0.
double NoiseFactorFor(int r, double amplitude);

// Draws once from the process generator.
double NoiseFactor(double amplitude);
