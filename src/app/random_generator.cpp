#include "app/launch_counter.h"

namespace {

uint32_t GeneratorState = 1;

}  // namespace

void RandomSeed(uint32_t seed) { GeneratorState = seed; }

int RandomNext() {
    GeneratorState = GeneratorState * 214013u + 2531011u;
    return static_cast<int>((GeneratorState >> 16) & 0x7FFF);
}

uint32_t RandomState() { return GeneratorState; }
