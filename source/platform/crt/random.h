// The program's one random-number generator: the C runtime's linear
// congruential generator, starting from state 1 and never reseeded, so the
// same sequence of calls always yields the same values.
#pragma once
#include <cstdint>

constexpr int CRT_RAND_MAX = 32767;

// The generator itself, for code that needs a sequence of its own.
class CrtRandomGenerator {
public:
    explicit CrtRandomGenerator(std::uint32_t state = 1) : m_state(state) {}
    // A value from 0 to CRT_RAND_MAX.
    int Next() {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<int>((m_state >> 16) & 0x7FFFu);
    }
    std::uint32_t State() const { return m_state; }

private:
    std::uint32_t m_state;
};

// The shared sequence that stands in for rand() everywhere in the program.
int CrtRand();
// The shared generator's current state, for tests that check the sequence.
std::uint32_t CrtRandState();
