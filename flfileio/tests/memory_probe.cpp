// The test program's own operator new and delete, which count the bytes held
// and can refuse allocations beyond a limit. Natively the library allocates
// through them too (the program's definitions take precedence over the C++
// runtime's); on Windows the DLL has its own runtime, so nothing is counted.
#include "test_support.hpp"

#if !defined(_WIN32)

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// Each block starts with its size; 16 bytes keep the default alignment.
constexpr size_t kHeader = 16;

std::atomic<size_t> held{0};
std::atomic<size_t> peak{0};
std::atomic<size_t> limit{SIZE_MAX};

void *Allocate(size_t size) noexcept
{
    size_t now = held.load(std::memory_order_relaxed) + size;
    if (now > limit.load(std::memory_order_relaxed))
        return nullptr;
    auto *block = static_cast<unsigned char *>(std::malloc(size + kHeader));
    if (!block)
        return nullptr;
    *reinterpret_cast<size_t *>(block) = size;
    now = held.fetch_add(size, std::memory_order_relaxed) + size;
    size_t highest = peak.load(std::memory_order_relaxed);
    while (now > highest && !peak.compare_exchange_weak(highest, now, std::memory_order_relaxed)) {
    }
    return block + kHeader;
}

void Release(void *pointer) noexcept
{
    if (!pointer)
        return;
    auto *block = static_cast<unsigned char *>(pointer) - kHeader;
    held.fetch_sub(*reinterpret_cast<size_t *>(block), std::memory_order_relaxed);
    std::free(block);
}

void *AllocateOrThrow(size_t size)
{
    if (void *pointer = Allocate(size))
        return pointer;
    throw std::bad_alloc();
}

} // namespace

void *operator new(size_t size)
{
    return AllocateOrThrow(size);
}
void *operator new[](size_t size)
{
    return AllocateOrThrow(size);
}
void *operator new(size_t size, const std::nothrow_t &) noexcept
{
    return Allocate(size);
}
void *operator new[](size_t size, const std::nothrow_t &) noexcept
{
    return Allocate(size);
}
void operator delete(void *pointer) noexcept
{
    Release(pointer);
}
void operator delete[](void *pointer) noexcept
{
    Release(pointer);
}
void operator delete(void *pointer, size_t) noexcept
{
    Release(pointer);
}
void operator delete[](void *pointer, size_t) noexcept
{
    Release(pointer);
}
void operator delete(void *pointer, const std::nothrow_t &) noexcept
{
    Release(pointer);
}
void operator delete[](void *pointer, const std::nothrow_t &) noexcept
{
    Release(pointer);
}

namespace fltest {

bool AllocationPeak::available()
{
    return true;
}

AllocationPeak::AllocationPeak() : start_(held.load())
{
    peak.store(start_);
}

size_t AllocationPeak::bytes() const
{
    return peak.load() - start_;
}

AllocationLimit::AllocationLimit(size_t bytes)
{
    limit.store(held.load() + bytes);
}

AllocationLimit::~AllocationLimit()
{
    limit.store(SIZE_MAX);
}

} // namespace fltest

#else

namespace fltest {

bool AllocationPeak::available()
{
    return false;
}
AllocationPeak::AllocationPeak() : start_(0) {}
size_t AllocationPeak::bytes() const
{
    return 0;
}
AllocationLimit::AllocationLimit(size_t) {}
AllocationLimit::~AllocationLimit() {}

} // namespace fltest

#endif
