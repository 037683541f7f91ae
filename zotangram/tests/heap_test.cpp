// The heap: what the collector keeps and frees, snapshots of object
// graphs, a long run of form cycles, and the unhandled-exception path.
#include "table_fixture.hpp"
#include "zo/exception.hpp"

using namespace zotest;

namespace {

class HeapTest : public TableTest {
protected:
    void SetUp() override { zo::Heap::instance().collect(); }
    static std::size_t live() { return zo::Heap::instance().size(); }
};

TEST_F(HeapTest, FreesWhatNoRootReaches)
{
    const std::size_t before = live();
    Person *root_person = zo::make<Person>();
    zo::Root<Person> root(root_person);
    root_person->buddy = zo::make<Person>();
    root_person->buddy->buddy = root_person; // a cycle
    root_person->nicknames = zo::make_array<zo::String *>(2);
    root_person->nicknames->set_reference(1, zo::make_string("Al"));
    zo::make<Person>()->buddy = root_person; // garbage that refers to live objects
    zo::make_string("garbage");

    EXPECT_EQ(zo::Heap::instance().collect(), 2u);
    EXPECT_EQ(live(), before + 4);
    EXPECT_EQ(root_person->nicknames->reference(1)->class_info().name(), "STRING");

    root = nullptr;
    EXPECT_EQ(zo::Heap::instance().collect(), 4u);
    EXPECT_EQ(live(), before);
}

TEST_F(HeapTest, KeptMarksHoldWhatTheRuntimeHolds)
{
    const jstring text = env->NewStringUTF("held by the runtime");
    EXPECT_EQ(env->NewGlobalRef(text), text);
    EXPECT_FALSE(failed());
    zo::Heap::instance().collect();
    EXPECT_TRUE(zo::Heap::instance().contains(reinterpret_cast<zo::Object *>(text)));
    env->DeleteLocalRef(text);
    EXPECT_TRUE(reinterpret_cast<zo::Object *>(text)->is_kept()) << "a local reference given back changes nothing";
    // Every reference the runtime takes holds the object until it is given back.
    env->NewGlobalRef(text);
    env->DeleteGlobalRef(text);
    zo::Heap::instance().collect();
    EXPECT_TRUE(zo::Heap::instance().contains(reinterpret_cast<zo::Object *>(text)));
    env->DeleteGlobalRef(text);
    env->DeleteGlobalRef(text); // one too many: no harm
    zo::Heap::instance().collect();
    EXPECT_FALSE(zo::Heap::instance().contains(reinterpret_cast<zo::Object *>(text)));
    EXPECT_EQ(env->NewGlobalRef(nullptr), nullptr);
    EXPECT_TRUE(failed());
}

TEST_F(HeapTest, ACallKeepsItsTargetAndArgumentsAlive)
{
    // Neither object is referred to by anything but the call.
    jobject target = env->AllocObject(env->FindClass("PERSON"));
    const jstring text = env->NewStringUTF("twelve chars");
    jvalue slot{};
    slot.l = text;
    jmethodID measure = reinterpret_cast<jmethodID>(const_cast<char *>("collect_then_measure"));
    EXPECT_EQ(env->CallIntMethodA(target, measure, &slot), 12);
    zo::Heap::instance().collect();
    EXPECT_FALSE(zo::Heap::instance().contains(reinterpret_cast<zo::Object *>(text)));
}

TEST_F(HeapTest, CollectionIsDueOnlyAfterEnoughNewObjects)
{
    EXPECT_FALSE(zo::Heap::instance().collect_if_due());
    for (int i = 0; i < 5000; ++i)
        zo::make<zo::Point>(i, i);
    EXPECT_TRUE(zo::Heap::instance().collect_if_due());
    EXPECT_EQ(zo::Heap::instance().allocated_since_collection(), 0u);
}

// A person with a rectangle, a list of names and a buddy who points back.
Person *make_family()
{
    Person *p = zo::make<Person>();
    p->age = 40;
    p->active = true;
    p->name = zo::make_string("Ann");
    p->area = zo::make<zo::Rect>();
    p->area->right = 10;
    p->nicknames = zo::make_array<zo::String *>(1);
    p->nicknames->set_reference(0, zo::make_string("Annie"));
    p->buddy = zo::make<Person>();
    p->buddy->buddy = p;
    p->buddy->age = 50;
    return p;
}

TEST_F(HeapTest, SnapshotRestoresEveryReachableObject)
{
    Person *p = make_family();
    zo::Root<Person> root(p);
    zo::Rect *old_area = p->area;
    zo::String *old_nickname = static_cast<zo::String *>(p->nicknames->reference(0));
    zo::Snapshot snapshot(*p);
    EXPECT_EQ(snapshot.size(), 6u);

    // What a user could do in a form: edit fields, replace objects, edit deeper objects.
    p->age = 1;
    p->name = zo::make_string("Zed");
    p->area = zo::make<zo::Rect>();
    old_area->right = 99;
    p->buddy->age = 2;
    p->buddy->buddy = nullptr;
    old_nickname->set_text("changed");
    p->nicknames->resize(5);
    zo::Heap::instance().collect(); // the replaced objects survive: the snapshot holds them

    snapshot.restore();
    EXPECT_EQ(p->age, 40);
    EXPECT_EQ(p->name->text(), "Ann");
    EXPECT_EQ(p->area, old_area);
    EXPECT_EQ(old_area->right, 10);
    EXPECT_EQ(p->buddy->age, 50);
    EXPECT_EQ(p->buddy->buddy, p);
    EXPECT_EQ(p->nicknames->length(), 1u);
    EXPECT_EQ(p->nicknames->reference(0), old_nickname);
    EXPECT_EQ(old_nickname->text(), "Annie");
    EXPECT_EQ(old_nickname->area, static_cast<const void *>(old_nickname->text().data()));
}

TEST_F(HeapTest, ManyFormCyclesDoNotGrowTheHeap)
{
    Person *p = make_family();
    zo::Root<Person> root(p);
    auto id = [](const char *name) { return reinterpret_cast<jfieldID>(const_cast<char *>(name)); };
    std::size_t largest = 0;
    for (int cycle = 0; cycle < 3000; ++cycle) {
        {
            zo::Snapshot snapshot(*p); // what showing a form takes
            const std::string typed = "name " + std::to_string(cycle);
            env->SetObjectField(handle(p), id("name"), env->NewStringUTF(typed.c_str()));
            env->SetObjectField(handle(p), id("area"), env->AllocObject(env->FindClass("RECT")));
            env->SetIntField(handle(p), id("age"), cycle);
            if (cycle % 2)
                snapshot.restore(); // cancelled
        }
        zo::Heap::instance().collect_if_due(); // what closing a form does
        largest = std::max(largest, live());
    }
    EXPECT_LT(largest, 20000u) << "3000 cycles made at least 24000 objects";
    zo::Heap::instance().collect();
    EXPECT_LT(live(), 50u);
}

// ---- Unhandled exceptions ----

void raise_boom()
{
    zo::raise("Failed to create the world component.");
}

void raise_table_exception()
{
    throw zo::Exception(zo::kTableExceptionCode, "");
}

void (*volatile g_raiser)() = &raise_table_exception;

void escape_through_noexcept() noexcept
{
    // An exception cannot leave here: the run ends through std::terminate,
    // as it does when one crosses a window procedure.
    g_raiser();
}

TEST(UnhandledExceptionDeathTest, EndsTheRunWithItsMessage)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(zo::run_program(&raise_boom), testing::ExitedWithCode(zo::kUnhandledExceptionExitCode),
                "Unhandled exception: Failed to create the world component.");
    EXPECT_EXIT(
        {
            zo::install_unhandled_exception_path();
            escape_through_noexcept();
        },
        testing::ExitedWithCode(zo::kUnhandledExceptionExitCode), "Unhandled exception: Exception 999");
}

TEST(UnhandledException, ARoutineThatReturnsEndsTheRunWithZero)
{
    EXPECT_EQ(zo::run_program([] {}), 0);
}

} // namespace
