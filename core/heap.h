// The library's binding to the memkit40 heap: every block it uses comes from
// KemAllocSMem and returns through KemFreeSMem.
#pragma once

#include <cstdint>

#include "memkit40.h"

namespace dibdraw {

template <typename T = uint8_t>
T* AllocBlock(uint32_t bytes)
{
    return static_cast<T*>(KemAllocSMem(bytes));
}

// Releases a block if present and clears the owner's pointer.
template <typename T>
void FreeBlock(T*& block)
{
    if (block != nullptr) {
        KemFreeSMem(block);
        block = nullptr;
    }
}

}  // namespace dibdraw
