// The session's one pseudo-random generator: uniform, seeded once.
#ifndef PELLORIN_RANDOM_H
#define PELLORIN_RANDOM_H

#include <stdint.h>

void SeedRandom(uint32_t seed);
int32_t NextRandom(void);  // 0 .. 2^31 - 1

#endif
