// Where application objects live.
//
// The form runtime carries object references through the table's Int
// functions, so every object must be named by a 32-bit value that the
// runtime widens back with a sign. A 64-bit Windows process places its
// ordinary heap anywhere, above 4 GB as a rule; there objects come from
// blocks of their own below 2 GB, handed out by size and reused by size.
// Everywhere else they come from the ordinary heap.
#include "zo/object.hpp"

#include <new>

#if defined(_WIN64)
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <vector>
#endif

namespace zo {

#if defined(_WIN64)
namespace {

class LowMemory {
public:
    static LowMemory &instance()
    {
        static LowMemory *memory = new LowMemory(); // objects may outlive static destructors
        return *memory;
    }

    void *allocate(std::size_t size)
    {
        const std::size_t slot = slot_of(size);
        std::lock_guard<std::mutex> lock(mutex_);
        if (slot < free_.size() && !free_[slot].empty()) {
            void *block = free_[slot].back();
            free_[slot].pop_back();
            return block;
        }
        const std::size_t bytes = slot * kGrain;
        if (bytes > static_cast<std::size_t>(end_ - next_))
            add_chunk(bytes);
        void *block = next_;
        next_ += bytes;
        return block;
    }

    void release(void *block, std::size_t size)
    {
        const std::size_t slot = slot_of(size);
        std::lock_guard<std::mutex> lock(mutex_);
        if (free_.size() <= slot)
            free_.resize(slot + 1);
        free_[slot].push_back(block);
    }

private:
    static constexpr std::size_t kGrain = 16;
    static constexpr std::size_t kChunk = std::size_t{4} << 20;
    static constexpr std::uintptr_t kLowest = 0x10000;
    static constexpr std::uintptr_t kLimit = 0x80000000u;
    static constexpr std::uintptr_t kGranularity = 0x10000;

    static std::size_t slot_of(std::size_t size) { return size == 0 ? 1 : (size + kGrain - 1) / kGrain; }

    // Takes the first free region below the limit that holds a chunk.
    void add_chunk(std::size_t at_least)
    {
        const std::size_t size = std::max(kChunk, (at_least + kGranularity - 1) & ~(kGranularity - 1));
        std::uintptr_t address = kLowest;
        MEMORY_BASIC_INFORMATION region;
        while (address + size <= kLimit && VirtualQuery(reinterpret_cast<void *>(address), &region, sizeof region)) {
            const auto region_end = reinterpret_cast<std::uintptr_t>(region.BaseAddress) + region.RegionSize;
            const std::uintptr_t start = (address + kGranularity - 1) & ~(kGranularity - 1);
            if (region.State == MEM_FREE && start + size <= region_end && start + size <= kLimit) {
                if (void *chunk =
                        VirtualAlloc(reinterpret_cast<void *>(start), size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE)) {
                    next_ = static_cast<char *>(chunk);
                    end_ = next_ + size;
                    return;
                }
            }
            address = region_end;
        }
        throw std::bad_alloc();
    }

    std::mutex mutex_;
    std::vector<std::vector<void *>> free_;
    char *next_ = nullptr;
    char *end_ = nullptr;
};

} // namespace

void *Object::operator new(std::size_t size)
{
    return LowMemory::instance().allocate(size);
}

void Object::operator delete(void *object, std::size_t size) noexcept
{
    if (object)
        LowMemory::instance().release(object, size);
}

#else

void *Object::operator new(std::size_t size)
{
    return ::operator new(size);
}

void Object::operator delete(void *object, std::size_t size) noexcept
{
    (void)size;
    ::operator delete(object);
}

#endif

} // namespace zo
