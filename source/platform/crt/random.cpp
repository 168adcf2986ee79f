#include "platform/crt/random.h"

namespace {
CrtRandomGenerator& SharedGenerator() {
    static CrtRandomGenerator generator;
    return generator;
}
}  // namespace

int CrtRand() { return SharedGenerator().Next(); }

std::uint32_t CrtRandState() { return SharedGenerator().State(); }
