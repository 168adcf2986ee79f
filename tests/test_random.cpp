#include <gtest/gtest.h>

#include <cstdint>

#include "platform/crt/random.h"

namespace {
// state' = state x 214013 + 2531011 mod 2^32, worked in 64 bits.
int FormulaStep(std::uint64_t& state) {
    state = (state * 214013ull + 2531011ull) % 4294967296ull;
    return static_cast<int>((state / 65536ull) % 32768ull);
}
}  // namespace

TEST(Random, GeneratorFromStateOneGivesTheRuntimeSequence) {
    CrtRandomGenerator generator;
    const int known[] = {41, 18467, 6334, 26500, 19169};
    for (int value : known) EXPECT_EQ(generator.Next(), value);

    std::uint64_t state = 1;
    CrtRandomGenerator again;
    int highest = 0;
    for (int i = 0; i < 100000; ++i) {
        const int value = again.Next();
        ASSERT_EQ(value, FormulaStep(state)) << "call " << i;
        highest = value > highest ? value : highest;
    }
    EXPECT_EQ(again.State(), state);
    EXPECT_EQ(highest, CRT_RAND_MAX);
}

TEST(Random, SharedSequenceFollowsTheFormulaFromItsState) {
    std::uint64_t state = CrtRandState();
    const bool freshProcess = state == 1;
    for (int i = 0; i < 5; ++i) EXPECT_EQ(CrtRand(), FormulaStep(state));
    EXPECT_EQ(CrtRandState(), state);
    if (freshProcess) {
        std::uint64_t fromOne = 1;
        for (int i = 0; i < 5; ++i) FormulaStep(fromOne);
        EXPECT_EQ(state, fromOne);
    }
}
