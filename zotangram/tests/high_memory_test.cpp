// The application's table in a process whose ordinary heap lies above 4 GB,
// as 64-bit Windows gives one: the form runtime moves object references
// through the table's Int functions, so every object must still be named by
// a 32-bit handle that reads back as the same object.
//
// This program replaces the global allocation functions with ones that hand
// out memory above 4 GB only (it links the C++ runtime statically, so that
// nothing it frees comes from elsewhere).
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <new>

#include "table_fixture.hpp"

namespace {

class HighMemory {
public:
    static void *allocate(std::size_t size)
    {
        static HighMemory memory;
        return memory.take(size);
    }

private:
    static constexpr std::size_t kSize = std::size_t{512} << 20;

    HighMemory()
    {
        for (std::uintptr_t address = std::uintptr_t{1} << 33; !next_ && address < (std::uintptr_t{1} << 40);
             address <<= 1)
            next_ = static_cast<char *>(
                VirtualAlloc(reinterpret_cast<void *>(address), kSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        if (!next_)
            std::abort();
        end_ = next_ + kSize;
    }

    void *take(std::size_t size)
    {
        size = (size + 15) & ~std::size_t{15};
        if (size == 0)
            size = 16;
        if (size > static_cast<std::size_t>(end_ - next_))
            throw std::bad_alloc();
        void *block = next_;
        next_ += size;
        return block;
    }

    char *next_ = nullptr;
    char *end_ = nullptr;
};

} // namespace

// Freed memory is not reused: the tests are short.
void *operator new(std::size_t size)
{
    return HighMemory::allocate(size);
}
void *operator new[](std::size_t size)
{
    return HighMemory::allocate(size);
}
void operator delete(void *) noexcept {}
void operator delete[](void *) noexcept {}
void operator delete(void *, std::size_t) noexcept {}
void operator delete[](void *, std::size_t) noexcept {}

namespace zotest {
namespace {

using HighMemoryTable = TableTest;

jfieldID field(const char *name)
{
    return reinterpret_cast<jfieldID>(const_cast<char *>(name));
}

TEST_F(HighMemoryTable, TheAllocatorOfThisProgramGivesMemoryAbove4GB)
{
    auto *block = new int(1);
    EXPECT_GT(reinterpret_cast<std::uintptr_t>(block), 0xFFFFFFFFu);
    delete block;
}

TEST_F(HighMemoryTable, ObjectsHaveHandlesThatASignedIntCarries)
{
    for (int i = 0; i < 1000; ++i) {
        Person *p = person();
        const auto address = reinterpret_cast<std::uintptr_t>(p);
        ASSERT_LT(address, 0x80000000u) << "object " << i << " at " << std::hex << address;
    }
}

TEST_F(HighMemoryTable, ReferencesTravelThroughTheIntFunctions)
{
    Person *p = person();
    Person *other = person();
    const jobject obj = handle(p);
    char signature[] = "I";
    const jclass cls = env->GetObjectClass(obj);
    ASSERT_NE(env->GetFieldID(cls, "buddy", signature), nullptr);

    p->buddy = other;
    const jint bits = env->GetIntField(obj, field("buddy"));
    EXPECT_FALSE(failed()) << "the reference fits the Int function";
    // The form runtime widens a value it got as an int back to a reference.
    const auto widened = reinterpret_cast<jobject>(static_cast<std::intptr_t>(bits));
    EXPECT_EQ(widened, handle(other));

    p->buddy = nullptr;
    env->SetIntField(obj, field("buddy"), bits);
    EXPECT_FALSE(failed());
    EXPECT_EQ(p->buddy, other);
    EXPECT_EQ(env->CallIntMethod(obj, reinterpret_cast<jmethodID>(const_cast<char *>("get_buddy"))), bits);
}

} // namespace
} // namespace zotest
