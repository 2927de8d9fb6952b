// Local memory: fixed blocks from LocalAlloc, each freed by LocalFree.
// See README.md beside this file for what the layer provides.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/posix/posix.h"

namespace {
std::vector<void*> LocalBlocks;  // not yet freed
}

// Fixed blocks only (LMEM_FIXED, optionally LMEM_ZEROINIT); the handle is
// the block's address.
HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes) {
    if ((flags & ~LMEM_ZEROINIT) != LMEM_FIXED) return nullptr;
    size_t size = std::max<size_t>(bytes, 1);
    void* block = (flags & LMEM_ZEROINIT) ? std::calloc(size, 1) : std::malloc(size);
    if (block == nullptr) return nullptr;
    LocalBlocks.push_back(block);
    return block;
}

// Null when freed (or given null); the block itself when it is none of ours.
HLOCAL WINAPI LocalFree(HLOCAL block) {
    if (block == nullptr) return nullptr;
    auto found = std::find(LocalBlocks.begin(), LocalBlocks.end(), block);
    if (found == LocalBlocks.end()) return block;
    LocalBlocks.erase(found);
    std::free(block);
    return nullptr;
}

#ifdef KUBRASK_TEST_HOOKS
int LiveLocalBlockCount() { return static_cast<int>(LocalBlocks.size()); }
#endif
