// The one random generator, seeded from a launch counter kept in
// "random.txt", so every launch plays a new but repeatable sequence.
#pragma once

#include <cstdint>

void RandomSeed(uint32_t seed);
int RandomNext();  // 0..32767
uint32_t RandomState();  // where the sequence stands
void SeedFromLaunchCounter();
