#include "model/noise.h"

#include <chrono>

int NoiseGenerator::Next() {
    state_ = state_ * 1103515245u + 12345u;
    return static_cast<int>((state_ >> 16) & 0x7FFFu);
}

NoiseGenerator& ProcessNoise() {
    static NoiseGenerator generator;
    return generator;
}

uint32_t ComposeNoiseSeed(uint32_t counter, uint32_t clockLow) {
    return (counter & 0xFFu) | (counter << 24) | (clockLow & 0x00FFFF00u);
}

namespace {

// The system time as a count of 100-ns intervals since 1 January 1601 (UTC).
uint64_t SystemTimeTicks() {
    using Ticks = std::chrono::duration<int64_t, std::ratio<1, 10000000>>;
    constexpr uint64_t kUnixEpochTicks = 116444736000000000ull;  // 1601 to 1970
    auto sinceUnixEpoch =
        std::chrono::duration_cast<Ticks>(std::chrono::system_clock::now().time_since_epoch());
    return kUnixEpochTicks + static_cast<uint64_t>(sinceUnixEpoch.count());
}

uint32_t seedCounter = 33;

}  // namespace

uint32_t SeedNoise() {
    uint32_t seed = ComposeNoiseSeed(seedCounter, static_cast<uint32_t>(SystemTimeTicks()));
    seedCounter += 2;
    ProcessNoise().Seed(seed);
    return seed;
}

double NoiseFactorFor(int r, double amplitude) {
    double twice = static_cast<double>(r) + static_cast<double>(r);
    return 1 + (((twice * 3.051850947599719e-05) - 1) * amplitude);
}

double NoiseFactor(double amplitude) {
    return NoiseFactorFor(ProcessNoise().Next(), amplitude);
}
