// Every allocation made through operator new in the test program is counted,
// and the largest one is kept.
#pragma once

#include <cstddef>

extern long Allocations;
extern std::size_t LargestAllocation;  // bytes of the largest block asked for

// Also counts a block asked for some other way (a test's own malloc hooks).
void CountAllocation(std::size_t size);
