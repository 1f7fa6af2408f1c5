// memkit40: the small-block heap that dibdraw32 allocates from, and the base
// class of its exported object. Besides the two allocation entry points it
// offers hosts and tests counters of live blocks and a way to make a chosen
// allocation fail, so that out-of-memory paths can be driven for real.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#if defined(MEMKIT40_BUILD)
#define MEMKIT40_API __declspec(dllexport)
#else
#define MEMKIT40_API __declspec(dllimport)
#endif
#else
#define MEMKIT40_API __attribute__((visibility("default")))
#endif

// Returns a block of at least `size` bytes (contents unspecified), or null
// when no memory is available or an injected failure is due.
extern "C" MEMKIT40_API void* KemAllocSMem(uint32_t size);

// Releases a block returned by KemAllocSMem and returns 0. A pointer that is
// not a live block of this heap (foreign, or already freed) aborts the process
// with a message instead of corrupting the heap.
extern "C" MEMKIT40_API short KemFreeSMem(void* block);

// Base of every object whose memory the heap's clients manage. It carries no
// data; the destructor is protected so that it is never deleted through the base.
class VyrObject {
protected:
    VyrObject() = default;
    ~VyrObject() = default;
};

// Inspection and failure injection for hosts and tests.
extern "C" {
// Blocks handed out and not yet released, and their requested sizes in bytes.
MEMKIT40_API uint32_t KemLiveBlocks(void);
MEMKIT40_API uint64_t KemLiveBytes(void);
// Calls of KemAllocSMem since the process started, failed ones included.
MEMKIT40_API uint64_t KemAllocationCalls(void);
// Makes the n-th call of KemAllocSMem from now on return null (n = 1: the
// next call). Only that one call fails. n = 0 cancels a pending failure.
MEMKIT40_API void KemFailNthAllocation(uint32_t n);
// Cancels any pending injected failure.
MEMKIT40_API void KemStopFailing(void);
}
