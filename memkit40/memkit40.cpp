#include "memkit40.h"

#include <cstdio>
#include <cstdlib>
#include <atomic>
#include <mutex>
#include <unordered_map>

namespace {

// A spin lock: the heap's critical sections are a few instructions long, and
// it needs no thread support from the C++ runtime (the Windows toolchain's
// default runtime has no std::mutex).
class SpinLock {
public:
    void lock()
    {
        while (m_flag.test_and_set(std::memory_order_acquire)) {
        }
    }
    void unlock() { m_flag.clear(std::memory_order_release); }

private:
    std::atomic_flag m_flag = ATOMIC_FLAG_INIT;
};

struct Heap {
    SpinLock lock;
    std::unordered_map<void*, uint32_t> liveBlocks;  // block -> requested size
    uint64_t liveBytes = 0;
    uint64_t allocationCalls = 0;
    uint32_t callsUntilFailure = 0;  // 0: no failure pending
};

Heap& TheHeap()
{
    static Heap* heap = new Heap;  // never destroyed: blocks may be freed during static teardown
    return *heap;
}

}  // namespace

extern "C" void* KemAllocSMem(uint32_t size)
{
    Heap& heap = TheHeap();
    std::lock_guard<SpinLock> guard(heap.lock);
    ++heap.allocationCalls;
    if (heap.callsUntilFailure != 0 && --heap.callsUntilFailure == 0) {
        return nullptr;
    }
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        return nullptr;
    }
    heap.liveBlocks.emplace(block, size);
    heap.liveBytes += size;
    return block;
}

extern "C" short KemFreeSMem(void* block)
{
    Heap& heap = TheHeap();
    std::unique_lock<SpinLock> guard(heap.lock);
    auto found = heap.liveBlocks.find(block);
    if (found == heap.liveBlocks.end()) {
        guard.unlock();
        std::fprintf(stderr,
                     "memkit40: KemFreeSMem(%p): not a live block of this heap "
                     "(never allocated by KemAllocSMem, or already freed)\n",
                     block);
        std::abort();
    }
    heap.liveBytes -= found->second;
    heap.liveBlocks.erase(found);
    std::free(block);
    return 0;
}

extern "C" uint32_t KemLiveBlocks(void)
{
    Heap& heap = TheHeap();
    std::lock_guard<SpinLock> guard(heap.lock);
    return static_cast<uint32_t>(heap.liveBlocks.size());
}

extern "C" uint64_t KemLiveBytes(void)
{
    Heap& heap = TheHeap();
    std::lock_guard<SpinLock> guard(heap.lock);
    return heap.liveBytes;
}

extern "C" uint64_t KemAllocationCalls(void)
{
    Heap& heap = TheHeap();
    std::lock_guard<SpinLock> guard(heap.lock);
    return heap.allocationCalls;
}

extern "C" void KemFailNthAllocation(uint32_t n)
{
    Heap& heap = TheHeap();
    std::lock_guard<SpinLock> guard(heap.lock);
    heap.callsUntilFailure = n;
}

extern "C" void KemStopFailing(void)
{
    KemFailNthAllocation(0);
}
