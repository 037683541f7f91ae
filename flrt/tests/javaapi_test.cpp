// Access paths on both kinds of table: every tag on the reading, assignment
// and procedure paths, routine calls, literals and the failures on the way.
#include <gtest/gtest.h>

#include "box_answerer.hpp"
#include "cflrt_classes.hpp"
#include "cflrt_services.h"
#include "child.hpp"
#include "fl_constants.h"
#include "form_file.hpp"
#include "test_table.hpp"
#include "wait.hpp"

using namespace fltest;

namespace {

constexpr const char *kPerson = "test/Person";
constexpr const char *kPersonSig = "Ltest/Person;";
constexpr const char *kStringSig = "Ljava/lang/String;";

// The signs of the access paths in form 1 of test/Person (forms/flrt_test_paths.fls).
enum PathSign : int {
    kAge = 1001,
    kActive,
    kInitial,
    kHeight,
    kName,
    kFriendFunctionAge,
    kTypeThenConstAge,
    kHeightFunction,
    kFriendFriendAge,
    kFriendFriendRemember,
    kCurrentThenAge,
    kTypeOnly,
    kCurrent,
    kCurrentTypeRemember,
    kFunctionFriendAge,
    kConstAge,
    kRealConstAge,
    kCallAge,
    kLiteralOne,
    kUnknownTagAge,
    kFieldGetAge,
    kFunctionGetAge,
    kUnknownTagGetAge,
    kRememberTwice,
    kFunctionFriendRemember,
    kExplode,
    kRemember31Arguments,
    kRemember33Arguments,
    kFriendRememberTextAndAge,
    kRememberMissingArgument,
    kLiteralTwelve,
    kLiteralText,
    kLiteralTrue,
    kLiteralLetter,
    kLiteralHalf,
    kCompoundLiteral,
    kLiteralWithoutValue,
    kAgeWithoutTag,
    kAgeWithoutFeature,
    kAgeWithoutClass,
    kAgeWithoutSignature,
    kEmptyFeatureName,
    kRememberWithoutClass,
    kUnknownClassAge,
    kUnknownFieldThenAge,
    kUnknownClassRemember,
    kUnknownRoutine,
    kStaticPopulation,
    kStaticCensus,
    kStaticUnknown,
    kOddField,
    kOddFunction,
    kEmptySignatureThenRemember,
    kColour,
    kRememberNothing,
};
static_assert(kRememberNothing == 1055, "the signs follow the form source one by one");

// The first element of the access path under this sign.
FLF_ITEM path(PathSign sign)
{
    static const FormFile file("flrt_test_paths.flf");
    return file.path(kPerson, 1, sign);
}

// A person with a friend, on one kind of table; every routine records its arguments.
struct World {
    explicit World(TestTable::Mode mode) : table(mode), person(table.define_class(kPerson))
    {
        person.field("age", Kind::Integer, "I")
            .field("active", Kind::Boolean, "Z")
            .field("initial", Kind::Character, "C")
            .field("height", Kind::Real, "D")
            .field("name", Kind::Object, kStringSig)
            .field("friend", Kind::Object, kPersonSig)
            .static_field("population", Kind::Integer, "I")
            .routine("get_friend", "()Ltest/Person;",
                     [](TestObject *self, const jvalue *) { return self->value("friend"); })
            .routine("get_age", "()I", [](TestObject *self, const jvalue *) { return self->value("age"); })
            .routine("get_height", "()D", [](TestObject *self, const jvalue *) { return self->value("height"); })
            .routine("remember", "()V",
                     [this](TestObject *, const jvalue *args) {
                         // Kept beyond the call: objects, as a Java method receives them.
                         received.clear();
                         for (int i = 0; i < 32; ++i)
                             received.push_back(table.resolved(args[i]));
                         return jvalue{};
                     })
            .routine("explode", "()V",
                     [this](TestObject *, const jvalue *) {
                         table.raise_exception();
                         return jvalue{};
                     })
            .static_routine("census", "()I", [](TestObject *, const jvalue *) {
                jvalue v{};
                v.i = 1000;
                return v;
            });
        ann = table.make(person);
        bob = table.make(person);
        ann->set_int("age", 41);
        ann->set_bool("active", true);
        ann->value("initial").b = 'A';
        ann->value("initial").c = 'A';
        ann->set_double("height", 1.75);
        ann->set_object("name", table.make_string("Ann"));
        ann->set_object("friend", bob);
        bob->set_int("age", 52);
        person.static_values["population"].i = 7;
        set_ni_table(table.env());
    }

    bool emulated() const { return table.mode() == TestTable::Mode::Emulated; }

    TestTable table;
    TestClass &person;
    TestObject *ann;
    TestObject *bob;
    std::vector<jvalue> received;
};

class AccessPaths : public testing::TestWithParam<TestTable::Mode> {
protected:
    void SetUp() override
    {
        answerer().clear();
        world = std::make_unique<World>(GetParam());
    }
    void TearDown() override
    {
        EXPECT_EQ(world->table.open_string_buffers(), 0);
        world->table.clear_exception();
    }

    bool emulated() const { return world->emulated(); }
    jobject ann() const { return world->ann->handle(); }

    // The message part of the last assertion box (before its source position).
    std::string last_message()
    {
        if (!answerer().wait_for_boxes(1))
            return "<no box>";
        const std::string text = answerer().last().text;
        return text.substr(0, text.find(" \n\n(File"));
    }

    std::unique_ptr<World> world;
};

std::string mode_name(const testing::TestParamInfo<TestTable::Mode> &info)
{
    return info.param == TestTable::Mode::Emulated ? "Emulated" : "JvmLike";
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Tables, AccessPaths, testing::Values(TestTable::Mode::Emulated, TestTable::Mode::JvmLike),
                         mode_name);

TEST_P(AccessPaths, ReadsEveryKindOfFieldWithItsAccessor)
{
    EXPECT_EQ(javaapi_get_int(ann(), path(kAge)), 41);
    EXPECT_TRUE(javaapi_get_bool(ann(), path(kActive)));
    EXPECT_EQ(javaapi_get_char(ann(), path(kInitial)), 'A');
    EXPECT_DOUBLE_EQ(javaapi_get_double(ann(), path(kHeight)), 1.75);
    EXPECT_STREQ(javaapi_get_string(ann(), path(kName)), "Ann");
    EXPECT_EQ(world->table.calls("GetIntField"), emulated() ? 2 : 1) << "references are Int fields when emulated";
    EXPECT_EQ(world->table.calls("GetBooleanField"), 1);
    EXPECT_EQ(world->table.calls(emulated() ? "GetByteField" : "GetCharField"), 1);
    EXPECT_EQ(world->table.calls("GetDoubleField"), 1);
    EXPECT_TRUE(answerer().boxes().empty());
}

TEST_P(AccessPaths, WalksFieldFunctionField)
{
    world->bob->set_object("friend", world->ann);
    EXPECT_EQ(javaapi_get_int(ann(), path(kFriendFunctionAge)), 41);
    EXPECT_EQ(javaapi_get_int(ann(), path(kTypeThenConstAge)), 41);
    EXPECT_DOUBLE_EQ(javaapi_get_double(ann(), path(kHeightFunction)), 1.75);
}

TEST_P(AccessPaths, VoidIntermediateFieldOnEachKindOfPath)
{
    EXPECT_EQ(javaapi_get_int(ann(), path(kFriendFriendAge)), 0);
    EXPECT_STREQ(javaapi_value_text(nullptr, path(kFriendFriendAge), "I"), "");
    javaapi_set_int(ann(), path(kFriendFriendAge), 99);
    EXPECT_EQ(world->bob->get_int("age"), 52);
    EXPECT_EQ(world->table.calls("SetIntField"), 0);
    EXPECT_TRUE(answerer().boxes().empty());

    try {
        javaapi_call_procedure(ann(), path(kFriendFriendRemember));
        FAIL() << "no exception";
    } catch (CFLException *exception) {
        exception->Report();
        delete exception;
    }
    ASSERT_TRUE(answerer().wait_for_boxes(1));
    EXPECT_EQ(answerer().last().caption, "Unhandled exception");
    EXPECT_EQ(answerer().last().text.substr(0, 18), "test/Person.friend");
}

TEST_P(AccessPaths, CurrentObjectAndTypeTags)
{
    EXPECT_EQ(TestObject::from(javaapi_get_value(ann(), path(kCurrentThenAge)).l), world->ann)
        << "elements after * are not evaluated";
    javaapi_set_int(ann(), path(kCurrentThenAge), 1);
    EXPECT_EQ(last_message(), "Unknown tag value");
    answerer().clear();

    javaapi_get_int(ann(), path(kTypeOnly));
    javaapi_set_int(ann(), path(kTypeOnly), 1);
    javaapi_call_procedure(ann(), path(kTypeOnly));
    ASSERT_TRUE(answerer().wait_for_boxes(3));
    for (const Box &box : answerer().boxes())
        EXPECT_EQ(box.text.substr(0, 35), "TYPE tag cannot be used as terminal");
    answerer().clear();

    javaapi_call_procedure(ann(), path(kCurrent));
    EXPECT_EQ(last_message(), "Current cannot be used as terminal in a procedure call");

    javaapi_call_procedure(ann(), path(kCurrentTypeRemember));
    EXPECT_EQ(world->received.size(), 32u);
}

TEST_P(AccessPaths, AssignsThroughFieldsAndFunctions)
{
    javaapi_set_int(ann(), path(kAge), 17);
    javaapi_set_bool(ann(), path(kActive), 5);
    javaapi_set_double(ann(), path(kHeight), 2.5);
    javaapi_set_string(ann(), path(kName), "Anna");
    javaapi_set_int(ann(), path(kFunctionFriendAge), 60);
    EXPECT_EQ(world->ann->get_int("age"), 17);
    EXPECT_EQ(world->ann->value("active").z, 1) << "a boolean is stored as 0 or 1";
    EXPECT_DOUBLE_EQ(world->ann->get_double("height"), 2.5);
    EXPECT_EQ(world->ann->get_object("name")->text, "Anna");
    EXPECT_EQ(world->bob->get_int("age"), 60);
    jvalue raw{};
    raw.i = 33;
    javaapi_set_value(ann(), path(kAge), raw);
    EXPECT_EQ(world->ann->get_int("age"), 33);
    EXPECT_EQ(world->table.calls("SetBooleanField"), 1);
    EXPECT_TRUE(answerer().boxes().empty());

    javaapi_set_string(ann(), path(kName), nullptr);
    EXPECT_EQ(last_message(), "Incorrect string value");
}

TEST_P(AccessPaths, TagsRefusedOnAssignmentAndProcedurePaths)
{
    struct Case {
        PathSign sign;
        bool assignment;
        const char *message;
    };
    const Case cases[] = {
        {kConstAge, true, "Obsolete usage of constant"},
        {kRealConstAge, true, "Unknown tag value"},
        {kCallAge, true, "Incorrect usage of procedure call"},
        {kLiteralOne, true, "Incorrect usage of Literal constant"},
        {kUnknownTagAge, true, "Unknown tag value"},
        {kCallAge, false, "Incorrect usage of procedure call"}, // on a reading path
        {kUnknownTagAge, false, "Unknown tag value"},
    };
    for (const Case &c : cases) {
        answerer().clear();
        if (c.assignment)
            javaapi_set_int(ann(), path(c.sign), 1);
        else
            javaapi_get_int(ann(), path(c.sign));
        EXPECT_EQ(last_message(), c.message) << c.sign << (c.assignment ? " assignment" : " reading");
    }
    EXPECT_EQ(world->ann->get_int("age"), 41);

    const std::pair<PathSign, const char *> procedure_cases[] = {
        {kFieldGetAge, "Incorrect use of attribute instead of procedure call"},
        {kFunctionGetAge, "Incorrect use of function instead of procedure call"},
        {kLiteralOne, "Incorrect usage of Literal constant"},
        {kUnknownTagGetAge, "Unknown tag value"},
    };
    for (const auto &[sign, message] : procedure_cases) {
        answerer().clear();
        javaapi_call_procedure(ann(), path(sign));
        EXPECT_EQ(last_message(), message) << sign;
    }
}

TEST_P(AccessPaths, ProcedurePathsCallAndReportVoidResults)
{
    javaapi_call_procedure(ann(), path(kRememberTwice));
    EXPECT_EQ(last_message(), "Incorrect procedure call");
    EXPECT_EQ(world->received.size(), 32u) << "the procedure is still called";

    world->ann->set_object("friend", nullptr);
    try {
        javaapi_call_procedure(ann(), path(kFunctionFriendRemember));
        FAIL() << "no exception";
    } catch (CFLException *exception) {
        auto *call = dynamic_cast<CRoutineCallException *>(exception);
        ASSERT_NE(call, nullptr);
        EXPECT_EQ(call->First(), "Void function result used in feature call");
        EXPECT_EQ(call->Second(), "");
        delete exception;
    }

    try {
        javaapi_call_procedure(ann(), path(kExplode));
        FAIL() << "no exception";
    } catch (CFLException *exception) {
        auto *call = dynamic_cast<CRoutineCallException *>(exception);
        ASSERT_NE(call, nullptr);
        EXPECT_EQ(call->First(), kPerson);
        EXPECT_EQ(call->Second(), "explode");
        delete exception;
    }
}

TEST_P(AccessPaths, ThirtyOneAndThirtyThreeArguments)
{
    javaapi_call_procedure(ann(), path(kRemember31Arguments));
    EXPECT_TRUE(answerer().boxes().empty()) << answerer().last().text;
    EXPECT_EQ(world->received[30].i, 310);
    EXPECT_EQ(world->received[31].i, 0);
    javaapi_call_procedure(ann(), path(kRemember33Arguments));
    EXPECT_EQ(last_message(), "Too many parameters in feature call");
    EXPECT_EQ(answerer().boxes().size(), 1u);
    EXPECT_EQ(world->received[31].i, 320) << "the 32nd argument is stored, later ones are not";
}

TEST_P(AccessPaths, ArgumentsAreLiteralsOrReadingPathsOnTheRoot)
{
    javaapi_call_procedure(ann(), path(kFriendRememberTextAndAge));
    ASSERT_EQ(world->received.size(), 32u);
    EXPECT_EQ(TestObject::from(world->received[0].l)->text, "hello") << "a literal string becomes a string object";
    EXPECT_EQ(world->received[1].i, 41) << "arguments are read on the root, not on the friend";

    world->table.reset_calls();
    javaapi_call_procedure(ann(), path(kRememberNothing));
    ASSERT_EQ(world->received.size(), 32u);
    EXPECT_EQ(world->received[0].l, nullptr) << "a literal without text is a null reference";
    EXPECT_EQ(world->table.calls("NewStringUTF"), 0);

    javaapi_call_procedure(ann(), path(kRememberMissingArgument));
    EXPECT_EQ(answerer().last().text.substr(0, 25), "Parameter missed \"remembe");
}

TEST_P(AccessPaths, LiteralsAndTheirTypes)
{
    EXPECT_TRUE(javaapi_is_literal(path(kLiteralTwelve)));
    EXPECT_EQ(javaapi_get_int(ann(), path(kLiteralTwelve)), 12);
    const char *stored = javaapi_get_string(ann(), path(kLiteralText));
    EXPECT_STREQ(stored, "stored");
    EXPECT_EQ(stored, flf_get_prop_str(flf_get_prop(path(kLiteralText), FL_literal))) << "the stored text itself";
    EXPECT_TRUE(javaapi_get_bool(ann(), path(kLiteralTrue)));
    EXPECT_EQ(javaapi_get_char(ann(), path(kLiteralLetter)), 'q');
    EXPECT_DOUBLE_EQ(javaapi_get_double(ann(), path(kLiteralHalf)), 0.5);
    EXPECT_STREQ(static_cast<const char *>(static_cast<void *>(javaapi_get_value(ann(), path(kLiteralText)).l)),
                 "stored");
    EXPECT_TRUE(answerer().boxes().empty());

    EXPECT_EQ(javaapi_get_int(ann(), path(kLiteralText)), 0);
    EXPECT_EQ(last_message(), "Uncompatible tags");
    answerer().clear();
    EXPECT_FALSE(javaapi_get_bool(ann(), path(kLiteralHalf)));
    EXPECT_EQ(last_message(), "Uncompatible tags");
    answerer().clear();
    javaapi_get_value(ann(), path(kCompoundLiteral));
    EXPECT_EQ(last_message(), "Unknown literal value");
    answerer().clear();
    javaapi_get_value(ann(), path(kLiteralWithoutValue));
    EXPECT_NE(answerer().last().text.find(": File javaapi, Line"), std::string::npos);
}

TEST_P(AccessPaths, ValueTexts)
{
    EXPECT_STREQ(javaapi_value_text(ann(), path(kAge), "I"), "41");
    EXPECT_STREQ(javaapi_value_text(ann(), path(kActive), "B"), "True");
    EXPECT_STREQ(javaapi_value_text(ann(), path(kName), "S"), "Ann");
    EXPECT_STREQ(javaapi_value_text(ann(), path(kHeight), "D"), "1.750");
    EXPECT_STREQ(javaapi_value_text(ann(), path(kHeight), "R"), "1.750");
    EXPECT_STREQ(javaapi_value_text(ann(), path(kInitial), "C"), "A");
    EXPECT_STREQ(javaapi_value_text(ann(), path(kAge), "X"), "?");
    world->ann->set_double("height", -1.0e300);
    EXPECT_EQ(std::string(javaapi_value_text(ann(), path(kHeight), "D")).size(), 306u);
}

TEST_P(AccessPaths, StringBufferGrowsAndIsReused)
{
    world->ann->get_object("name")->text = std::string(500, 'n');
    EXPECT_EQ(std::string(javaapi_get_string(ann(), path(kName))), std::string(500, 'n'));
    world->ann->get_object("name")->text = "short";
    EXPECT_STREQ(javaapi_get_string(ann(), path(kName)), "short");
    world->ann->set_object("name", nullptr);
    EXPECT_EQ(javaapi_get_string(ann(), path(kName)), nullptr);
}

TEST_P(AccessPaths, MissingItemsOfAnElement)
{
    struct Case {
        PathSign sign;
        const char *message;
    };
    std::vector<Case> cases{{kAgeWithoutTag, "Tag missed"},
                            {kAgeWithoutFeature, "Missed feature name"},
                            {kAgeWithoutClass, "Missed class name"}};
    if (!emulated())
        cases.push_back({kAgeWithoutSignature, "Missed feature signature"});
    for (const Case &c : cases) {
        answerer().clear();
        EXPECT_EQ(javaapi_get_int(ann(), path(c.sign)), 0);
        EXPECT_EQ(last_message(), c.message);
    }
    answerer().clear();
    javaapi_get_int(ann(), path(kEmptyFeatureName));
    EXPECT_EQ(last_message(), "Feature name is Void");

    answerer().clear();
    javaapi_call_procedure(ann(), path(kRememberWithoutClass));
    EXPECT_NE(answerer().last().text.find(": File javaapi, Line"), std::string::npos) << "a plain assertion";
}

TEST_P(AccessPaths, UnknownClassesFieldsAndRoutines)
{
    javaapi_get_int(ann(), path(kUnknownClassAge));
    EXPECT_EQ(last_message(), "class not found");
    answerer().clear();

    javaapi_get_int(ann(), path(kUnknownFieldThenAge));
    EXPECT_EQ(last_message(), "field not found");
    answerer().clear();
    world->table.clear_exception();

    javaapi_call_procedure(ann(), path(kUnknownClassRemember));
    EXPECT_EQ(answerer().last().text.substr(0, 27), "Unknown class \"test/Nobody\"");
    answerer().clear();
    world->table.clear_exception();

    javaapi_call_procedure(ann(), path(kUnknownRoutine));
    EXPECT_EQ(answerer().last().text.substr(0, 24), "Unknown procedure \"vanis");
}

TEST_P(AccessPaths, StaticMembersAndTheCurrentObject)
{
    javaapi_set_current_object(ann());
    jvalue &current = world->table.display_manager().static_values["curObject"];
    if (emulated()) {
        EXPECT_EQ(current.l, nullptr) << "the emulated table has no static members";
        return;
    }
    EXPECT_EQ(current.l, ann());
    EXPECT_EQ(javaapi_get_int(ann(), path(kStaticPopulation)), 7);
    javaapi_set_int(ann(), path(kStaticPopulation), 8);
    EXPECT_EQ(world->person.static_values["population"].i, 8);
    EXPECT_EQ(javaapi_get_int(ann(), path(kStaticCensus)), 1000);
    EXPECT_TRUE(answerer().boxes().empty());

    javaapi_get_int(ann(), path(kStaticUnknown));
    EXPECT_EQ(last_message(), "field not found") << "an assertion, not the fatal error";
}

TEST_P(AccessPaths, SignatureLettersOfAVirtualMachine)
{
    if (emulated())
        return; // the emulated table has fixed signatures
    world->person.field("odd", Kind::Integer, "X").routine("odd_result", "()X", [](TestObject *, const jvalue *) {
        return jvalue{};
    });
    javaapi_get_int(ann(), path(kOddField));
    EXPECT_EQ(last_message(), "invalid tag");
    answerer().clear();
    javaapi_set_int(ann(), path(kOddField), 1);
    EXPECT_EQ(last_message(), "invalid tag");
    answerer().clear();
    javaapi_get_int(ann(), path(kOddFunction));
    EXPECT_EQ(last_message(), "invalid feature signature");
    answerer().clear();
    javaapi_call_procedure(ann(), path(kEmptySignatureThenRemember));
    EXPECT_EQ(last_message(), "Signature name is Void");
    answerer().clear();
    javaapi_get_int(ann(), path(kEmptySignatureThenRemember));
    EXPECT_EQ(last_message(), "Feature signature is Void");
}

FLTEST_CHILD_SCENARIO(missing_terminal_field)
{
    World world(arguments.at(0) == "emulated" ? TestTable::Mode::Emulated : TestTable::Mode::JvmLike);
    javaapi_get_int(world.ann->handle(), path(kColour));
    return 5;
}

TEST_P(AccessPaths, MissingTerminalFieldIsFatal)
{
    ChildResult result = run_child("missing_terminal_field", {emulated() ? "emulated" : "vm"});
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exit_code, 0xFFFFFFFFul);
    EXPECT_EQ(answerer().last().caption, "Formloom reported Error");
    EXPECT_EQ(answerer().last().text, "field not found  (colour)");
}
