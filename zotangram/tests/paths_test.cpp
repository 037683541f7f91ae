// Access paths of form descriptions evaluated by the form runtime over the
// application's table: the runtime learns every attribute's kind from
// GetFieldID and moves references as 32-bit integers.
#include <gtest/gtest.h>

#include "cflrt.h"
#include "form_file.hpp"
#include "test_classes.hpp"
#include "zo/ni_table.h"

using namespace zotest;

namespace {

enum PathSign : int {
    kAge = 1001,
    kActive,
    kInitial,
    kHeight,
    kName,
    kBuddyFunctionAge,
    kGrowFive,
    kBuddyMakeZoe,
    kHeightFunction,
    kAreaRight,
    kAgeFunction,
    kWeight,
    kBuddyName,
    kSetAll,
};

FLF_ITEM path(PathSign sign)
{
    static const fltest::FormFile file("zo_test_paths.flf");
    return file.path("PERSON", 1, sign);
}

class RuntimePaths : public testing::Test {
protected:
    void SetUp() override
    {
        set_ni_table(zo_native_interface());
        ann = zo::make<Person>();
        ann->buddy = zo::make<Person>();
        ann->area = zo::make<zo::Rect>();
        root = ann;
    }

    jobject obj() const { return reinterpret_cast<jobject>(ann); }

    Person *ann = nullptr;
    zo::Root<Person> root;
};

TEST_F(RuntimePaths, ReadsAndWritesEveryBasicKind)
{
    ann->age = 41;
    ann->active = true;
    ann->initial = 'A';
    ann->height = 1.75;
    ann->weight = 70.25;
    EXPECT_EQ(javaapi_get_int(obj(), path(kAge)), 41);
    EXPECT_EQ(javaapi_get_bool(obj(), path(kActive)), JNI_TRUE);
    EXPECT_EQ(javaapi_get_char(obj(), path(kInitial)) & 0xFF, 'A');
    EXPECT_EQ(javaapi_get_double(obj(), path(kHeight)), 1.75);
    EXPECT_EQ(javaapi_get_double(obj(), path(kWeight)), 70.25);
    EXPECT_STREQ(javaapi_value_text(obj(), path(kActive), "B"), "True");
    EXPECT_STREQ(javaapi_value_text(obj(), path(kHeight), "R"), "1.750");

    javaapi_set_int(obj(), path(kAge), -3);
    javaapi_set_bool(obj(), path(kActive), JNI_FALSE);
    javaapi_set_double(obj(), path(kHeight), 2.5);
    EXPECT_EQ(ann->age, -3);
    EXPECT_FALSE(ann->active);
    EXPECT_EQ(ann->height, 2.5);
}

TEST_F(RuntimePaths, StringsTravelAsObjectsOfTheTable)
{
    EXPECT_EQ(javaapi_get_string(obj(), path(kName)), nullptr) << "a void name";
    javaapi_set_string(obj(), path(kName), "Ann");
    ASSERT_NE(ann->name, nullptr);
    EXPECT_EQ(ann->name->text(), "Ann");
    EXPECT_STREQ(javaapi_get_string(obj(), path(kName)), "Ann");
    EXPECT_STREQ(javaapi_value_text(obj(), path(kName), "S"), "Ann");
    EXPECT_EQ(zo_open_table_buffers(), 0u);
}

TEST_F(RuntimePaths, WalksThroughFieldsAndFunctions)
{
    ann->buddy->age = 52;
    ann->buddy->buddy = ann;
    ann->age = 41;
    ann->area->right = 640;
    ann->height = 1.5;
    EXPECT_EQ(javaapi_get_int(obj(), path(kBuddyFunctionAge)), 41);
    EXPECT_EQ(javaapi_get_int(obj(), path(kAreaRight)), 640);
    EXPECT_EQ(javaapi_get_double(obj(), path(kHeightFunction)), 1.5);
    EXPECT_EQ(javaapi_get_int(obj(), path(kAgeFunction)), 41);

    // The routine that runs is the one of the object's own class.
    auto *boss = zo::make<Employee>();
    zo::Root<Employee> keep(boss);
    boss->age = 7;
    EXPECT_EQ(javaapi_get_int(reinterpret_cast<jobject>(boss), path(kAgeFunction)), 107);

    // A void buddy ends the reading path with nothing.
    ann->buddy = nullptr;
    EXPECT_EQ(javaapi_get_int(obj(), path(kBuddyFunctionAge)), 0);
    EXPECT_STREQ(javaapi_value_text(nullptr, path(kAge), "I"), "");
}

TEST_F(RuntimePaths, ProceduresTakeLiteralAndPathArguments)
{
    ann->age = 10;
    javaapi_call_procedure(obj(), path(kGrowFive));
    EXPECT_EQ(ann->age, 15);
    javaapi_call_procedure(obj(), path(kBuddyMakeZoe));
    ASSERT_NE(ann->buddy->name, nullptr);
    EXPECT_EQ(ann->buddy->name->text(), "Zoe") << "a literal text argument arrives as a STRING";
    EXPECT_STREQ(javaapi_get_string(obj(), path(kBuddyName)), "Zoe");

    // Literals of every kind, converted by the routine's formal kinds.
    javaapi_call_procedure(obj(), path(kSetAll));
    EXPECT_TRUE(ann->active);
    EXPECT_EQ(ann->initial, 'x');
    EXPECT_EQ(ann->age, 15);
    EXPECT_EQ(ann->height, 0.5);
    EXPECT_EQ(ann->name->text(), "Bo");
}

} // namespace
