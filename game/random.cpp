#include "random.h"

#include <random>

// The session's one generator; the shell seeds it from the clock at start-up.
static std::mt19937 generator;

void SeedRandom(uint32_t seed)
{
    generator.seed(seed);
}

int32_t NextRandom(void)
{
    return (int32_t)(generator() >> 1);
}
