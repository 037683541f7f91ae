// The native interface table as the form runtime sees it, over the test classes.
#ifndef ZO_TABLE_FIXTURE_HPP
#define ZO_TABLE_FIXTURE_HPP

#include <gtest/gtest.h>

#include "test_classes.hpp"
#include "zo/heap.hpp"
#include "zo/ni_table.h"

namespace zotest {

class TableTest : public testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(zo_open_table_buffers(), 0u); }

    JNIEnv *env = zo_native_interface();

    jclass find(const char *name) { return env->FindClass(name); }
    static jobject handle(zo::Object *object) { return reinterpret_cast<jobject>(object); }
    bool failed() { return env->ExceptionOccurred() != nullptr; }

    // A person on the heap, kept alive by the test.
    Person *person()
    {
        auto *p = zo::make<Person>();
        keep_.push_back(p);
        return p;
    }

    // Objects of a 64-bit Windows process live below 2 GB, so that an Int carries their handles.
#if defined(_WIN32)
    static constexpr bool kHandlesAre32Bits = true;
#else
    static constexpr bool kHandlesAre32Bits = sizeof(void *) == 4;
#endif

private:
    struct Keeper : zo::RootSource {
        std::vector<zo::Object *> objects;
        void add_roots(std::vector<zo::Object *> &roots) const override
        {
            roots.insert(roots.end(), objects.begin(), objects.end());
        }
    };
    struct KeepList {
        KeepList() { zo::Heap::instance().add_root_source(keeper); }
        ~KeepList() { zo::Heap::instance().remove_root_source(keeper); }
        void push_back(zo::Object *object) { keeper.objects.push_back(object); }
        Keeper keeper;
    };
    KeepList keep_;
};

} // namespace zotest

#endif
