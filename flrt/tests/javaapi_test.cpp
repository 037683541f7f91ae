// Access paths on both kinds of table: every tag on the reading, assignment
// and procedure paths, routine calls, literals and the failures on the way.
#include <gtest/gtest.h>

#include "box_answerer.hpp"
#include "cflrt_classes.hpp"
#include "cflrt_services.h"
#include "child.hpp"
#include "fl_constants.h"
#include "path_builder.hpp"
#include "test_table.hpp"
#include "wait.hpp"

using namespace fltest;

namespace {

constexpr const char *kPerson = "test/Person";
constexpr const char *kPersonSig = "Ltest/Person;";
constexpr const char *kStringSig = "Ljava/lang/String;";

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
            .routine("remember", "()V", [this](TestObject *, const jvalue *args) {
                received.assign(args, args + 32);
                return jvalue{};
            })
            .routine("explode", "()V", [this](TestObject *, const jvalue *) {
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

    // A field or routine element; the emulated table needs no signature.
    PathBuilder &feature(PathBuilder &path, char tag, const char *name, const char *signature)
    {
        return path.feature(tag, kPerson, name, emulated() ? "" : signature);
    }

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

INSTANTIATE_TEST_SUITE_P(Tables, AccessPaths,
                         testing::Values(TestTable::Mode::Emulated, TestTable::Mode::JvmLike), mode_name);

TEST_P(AccessPaths, ReadsEveryKindOfFieldWithItsAccessor)
{
    PathBuilder age, active, initial, height, name;
    feature(age, 'V', "age", "I");
    feature(active, 'V', "active", "Z");
    feature(initial, 'V', "initial", "C");
    feature(height, 'v', "height", "D");
    feature(name, 'V', "name", kStringSig);
    EXPECT_EQ(javaapi_get_int(ann(), age.first()), 41);
    EXPECT_TRUE(javaapi_get_bool(ann(), active.first()));
    EXPECT_EQ(javaapi_get_char(ann(), initial.first()), 'A');
    EXPECT_DOUBLE_EQ(javaapi_get_double(ann(), height.first()), 1.75);
    EXPECT_STREQ(javaapi_get_string(ann(), name.first()), "Ann");
    EXPECT_EQ(world->table.calls("GetIntField"), emulated() ? 2 : 1) << "references are Int fields when emulated";
    EXPECT_EQ(world->table.calls("GetBooleanField"), 1);
    EXPECT_EQ(world->table.calls(emulated() ? "GetByteField" : "GetCharField"), 1);
    EXPECT_EQ(world->table.calls("GetDoubleField"), 1);
    EXPECT_TRUE(answerer().boxes().empty());
}

TEST_P(AccessPaths, WalksFieldFunctionField)
{
    world->bob->set_object("friend", world->ann);
    PathBuilder path;
    feature(path, 'V', "friend", kPersonSig);
    feature(path, 'F', "get_friend", "()Ltest/Person;");
    feature(path, 'V', "age", "I");
    EXPECT_EQ(javaapi_get_int(ann(), path.first()), 41);
    PathBuilder through_type;
    through_type.tag('T');
    feature(through_type, 'C', "age", "I");
    EXPECT_EQ(javaapi_get_int(ann(), through_type.first()), 41);
    PathBuilder real_function;
    feature(real_function, 'f', "get_height", "()D");
    EXPECT_DOUBLE_EQ(javaapi_get_double(ann(), real_function.first()), 1.75);
}

TEST_P(AccessPaths, VoidIntermediateFieldOnEachKindOfPath)
{
    PathBuilder path;
    feature(path, 'V', "friend", kPersonSig);
    feature(path, 'V', "friend", kPersonSig);
    feature(path, 'V', "age", "I");
    EXPECT_EQ(javaapi_get_int(ann(), path.first()), 0);
    EXPECT_STREQ(javaapi_value_text(nullptr, path.first(), "I"), "");
    javaapi_set_int(ann(), path.first(), 99);
    EXPECT_EQ(world->bob->get_int("age"), 52);
    EXPECT_EQ(world->table.calls("SetIntField"), 0);
    EXPECT_TRUE(answerer().boxes().empty());

    PathBuilder procedure;
    feature(procedure, 'V', "friend", kPersonSig);
    feature(procedure, 'V', "friend", kPersonSig);
    feature(procedure, 'P', "remember", "()V");
    try {
        javaapi_call_procedure(ann(), procedure.first());
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
    PathBuilder current;
    current.tag('*');
    feature(current, 'V', "age", "I");
    EXPECT_EQ(javaapi_get_value(ann(), current.first()).l, ann()) << "elements after * are not evaluated";
    javaapi_set_int(ann(), current.first(), 1);
    EXPECT_EQ(last_message(), "Unknown tag value");
    answerer().clear();

    PathBuilder type_only;
    type_only.tag('T');
    javaapi_get_int(ann(), type_only.first());
    javaapi_set_int(ann(), type_only.first(), 1);
    javaapi_call_procedure(ann(), type_only.first());
    ASSERT_TRUE(answerer().wait_for_boxes(3));
    for (const Box &box : answerer().boxes())
        EXPECT_EQ(box.text.substr(0, 35), "TYPE tag cannot be used as terminal");
    answerer().clear();

    PathBuilder current_terminal;
    current_terminal.tag('*');
    javaapi_call_procedure(ann(), current_terminal.first());
    EXPECT_EQ(last_message(), "Current cannot be used as terminal in a procedure call");

    PathBuilder current_call;
    current_call.tag('*').tag('T');
    feature(current_call, 'P', "remember", "()V");
    javaapi_call_procedure(ann(), current_call.first());
    EXPECT_EQ(world->received.size(), 32u);
}

TEST_P(AccessPaths, AssignsThroughFieldsAndFunctions)
{
    PathBuilder age, active, height, name, friends_age;
    feature(age, 'V', "age", "I");
    feature(active, 'V', "active", "Z");
    feature(height, 'v', "height", "D");
    feature(name, 'V', "name", kStringSig);
    feature(friends_age, 'F', "get_friend", "()Ltest/Person;");
    feature(friends_age, 'V', "age", "I");
    javaapi_set_int(ann(), age.first(), 17);
    javaapi_set_bool(ann(), active.first(), 5);
    javaapi_set_double(ann(), height.first(), 2.5);
    javaapi_set_string(ann(), name.first(), "Anna");
    javaapi_set_int(ann(), friends_age.first(), 60);
    EXPECT_EQ(world->ann->get_int("age"), 17);
    EXPECT_EQ(world->ann->value("active").z, 1) << "a boolean is stored as 0 or 1";
    EXPECT_DOUBLE_EQ(world->ann->get_double("height"), 2.5);
    EXPECT_EQ(world->ann->get_object("name")->text, "Anna");
    EXPECT_EQ(world->bob->get_int("age"), 60);
    jvalue raw{};
    raw.i = 33;
    javaapi_set_value(ann(), age.first(), raw);
    EXPECT_EQ(world->ann->get_int("age"), 33);
    EXPECT_EQ(world->table.calls("SetBooleanField"), 1);
    EXPECT_TRUE(answerer().boxes().empty());

    javaapi_set_string(ann(), name.first(), nullptr);
    EXPECT_EQ(last_message(), "Incorrect string value");
}

TEST_P(AccessPaths, TagsRefusedOnAssignmentAndProcedurePaths)
{
    struct Case {
        char tag;
        bool assignment;
        const char *message;
    };
    const Case cases[] = {
        {'C', true, "Obsolete usage of constant"},
        {'c', true, "Unknown tag value"},
        {'P', true, "Incorrect usage of procedure call"},
        {'L', true, "Incorrect usage of Literal constant"},
        {'Q', true, "Unknown tag value"},
        {'P', false, "Incorrect usage of procedure call"}, // on a reading path
        {'Q', false, "Unknown tag value"},
    };
    for (const Case &c : cases) {
        answerer().clear();
        PathBuilder path;
        if (c.tag == 'L')
            path.literal_int(1);
        else
            feature(path, c.tag, "age", "I");
        if (c.assignment)
            javaapi_set_int(ann(), path.first(), 1);
        else
            javaapi_get_int(ann(), path.first());
        EXPECT_EQ(last_message(), c.message) << c.tag << (c.assignment ? " assignment" : " reading");
    }
    EXPECT_EQ(world->ann->get_int("age"), 41);

    const std::pair<char, const char *> procedure_cases[] = {
        {'V', "Incorrect use of attribute instead of procedure call"},
        {'F', "Incorrect use of function instead of procedure call"},
        {'L', "Incorrect usage of Literal constant"},
        {'Q', "Unknown tag value"},
    };
    for (const auto &[tag, message] : procedure_cases) {
        answerer().clear();
        PathBuilder path;
        if (tag == 'L')
            path.literal_int(1);
        else
            feature(path, tag, "get_age", "()I");
        javaapi_call_procedure(ann(), path.first());
        EXPECT_EQ(last_message(), message) << tag;
    }
}

TEST_P(AccessPaths, ProcedurePathsCallAndReportVoidResults)
{
    PathBuilder twice;
    feature(twice, 'P', "remember", "()V");
    feature(twice, 'P', "remember", "()V");
    javaapi_call_procedure(ann(), twice.first());
    EXPECT_EQ(last_message(), "Incorrect procedure call");
    EXPECT_EQ(world->received.size(), 32u) << "the procedure is still called";

    world->ann->set_object("friend", nullptr);
    PathBuilder void_function;
    feature(void_function, 'F', "get_friend", "()Ltest/Person;");
    feature(void_function, 'P', "remember", "()V");
    try {
        javaapi_call_procedure(ann(), void_function.first());
        FAIL() << "no exception";
    } catch (CFLException *exception) {
        auto *call = dynamic_cast<CRoutineCallException *>(exception);
        ASSERT_NE(call, nullptr);
        EXPECT_EQ(call->First(), "Void function result used in feature call");
        EXPECT_EQ(call->Second(), "");
        delete exception;
    }

    PathBuilder exploding;
    feature(exploding, 'P', "explode", "()V");
    try {
        javaapi_call_procedure(ann(), exploding.first());
        FAIL() << "no exception";
    } catch (CFLException *exception) {
        auto *call = dynamic_cast<CRoutineCallException *>(exception);
        ASSERT_NE(call, nullptr);
        EXPECT_EQ(call->First(), kPerson);
        EXPECT_EQ(call->Second(), "explode");
        delete exception;
    }
}

TEST_P(AccessPaths, ThirtyOneAndThirtyTwoArguments)
{
    auto call_with = [&](int count) {
        PathBuilder path;
        feature(path, 'P', "remember", "()V");
        for (int i = 1; i <= count; ++i) {
            PathBuilder argument;
            argument.literal_int(i * 10);
            path.argument(argument);
        }
        javaapi_call_procedure(ann(), path.first());
    };
    call_with(31);
    EXPECT_TRUE(answerer().boxes().empty()) << answerer().last().text;
    EXPECT_EQ(world->received[30].i, 310);
    EXPECT_EQ(world->received[31].i, 0);
    call_with(33);
    EXPECT_EQ(last_message(), "Too many parameters in feature call");
    EXPECT_EQ(answerer().boxes().size(), 1u);
    EXPECT_EQ(world->received[31].i, 320) << "the 32nd argument is stored, later ones are not";
}

TEST_P(AccessPaths, ArgumentsAreLiteralsOrReadingPathsOnTheRoot)
{
    PathBuilder text, age, path;
    text.literal_string("hello");
    feature(age, 'V', "age", "I");
    feature(path, 'V', "friend", kPersonSig);
    feature(path, 'P', "remember", "()V");
    path.argument(text).argument(age);
    javaapi_call_procedure(ann(), path.first());
    ASSERT_EQ(world->received.size(), 32u);
    EXPECT_EQ(TestObject::from(world->received[0].l)->text, "hello") << "a literal string becomes a string object";
    EXPECT_EQ(world->received[1].i, 41) << "arguments are read on the root, not on the friend";

    PathBuilder missing;
    feature(missing, 'P', "remember", "()V");
    missing.argument_without_path();
    javaapi_call_procedure(ann(), missing.first());
    EXPECT_EQ(answerer().last().text.substr(0, 25), "Parameter missed \"remembe");
}

TEST_P(AccessPaths, LiteralsAndTheirTypes)
{
    PathBuilder number, text, flag, letter, real;
    number.literal_int(12);
    text.literal_string("stored");
    flag.literal_bool(true);
    letter.literal_char('q');
    real.literal_double(0.5);
    EXPECT_TRUE(javaapi_is_literal(number.first()));
    EXPECT_EQ(javaapi_get_int(ann(), number.first()), 12);
    const char *stored = javaapi_get_string(ann(), text.first());
    EXPECT_STREQ(stored, "stored");
    EXPECT_EQ(stored, flf_get_prop_str(flf_get_prop(text.first(), FL_literal))) << "the stored text itself";
    EXPECT_TRUE(javaapi_get_bool(ann(), flag.first()));
    EXPECT_EQ(javaapi_get_char(ann(), letter.first()), 'q');
    EXPECT_DOUBLE_EQ(javaapi_get_double(ann(), real.first()), 0.5);
    EXPECT_STREQ(static_cast<const char *>(static_cast<void *>(javaapi_get_value(ann(), text.first()).l)), "stored");
    EXPECT_TRUE(answerer().boxes().empty());

    EXPECT_EQ(javaapi_get_int(ann(), text.first()), 0);
    EXPECT_EQ(last_message(), "Uncompatible tags");
    answerer().clear();
    EXPECT_FALSE(javaapi_get_bool(ann(), real.first()));
    EXPECT_EQ(last_message(), "Uncompatible tags");
    answerer().clear();
    PathBuilder compound;
    compound.tag('L');
    flf_add_property(compound.last(), FLF_TAG_ORDERED, FL_literal, nullptr);
    javaapi_get_value(ann(), compound.first());
    EXPECT_EQ(last_message(), "Unknown literal value");
    answerer().clear();
    PathBuilder no_value;
    no_value.literal_int(1).without(FL_literal);
    javaapi_get_value(ann(), no_value.first());
    EXPECT_NE(answerer().last().text.find(": File javaapi, Line"), std::string::npos);
}

TEST_P(AccessPaths, ValueTexts)
{
    PathBuilder age, active, name, height, initial;
    feature(age, 'V', "age", "I");
    feature(active, 'V', "active", "Z");
    feature(name, 'V', "name", kStringSig);
    feature(height, 'v', "height", "D");
    feature(initial, 'V', "initial", "C");
    EXPECT_STREQ(javaapi_value_text(ann(), age.first(), "I"), "41");
    EXPECT_STREQ(javaapi_value_text(ann(), active.first(), "B"), "True");
    EXPECT_STREQ(javaapi_value_text(ann(), name.first(), "S"), "Ann");
    EXPECT_STREQ(javaapi_value_text(ann(), height.first(), "D"), "1.750");
    EXPECT_STREQ(javaapi_value_text(ann(), height.first(), "R"), "1.750");
    EXPECT_STREQ(javaapi_value_text(ann(), initial.first(), "C"), "A");
    EXPECT_STREQ(javaapi_value_text(ann(), age.first(), "X"), "?");
    world->ann->set_double("height", -1.0e300);
    EXPECT_EQ(std::string(javaapi_value_text(ann(), height.first(), "D")).size(), 306u);
}

TEST_P(AccessPaths, StringBufferGrowsAndIsReused)
{
    PathBuilder name;
    feature(name, 'V', "name", kStringSig);
    world->ann->get_object("name")->text = std::string(500, 'n');
    EXPECT_EQ(std::string(javaapi_get_string(ann(), name.first())), std::string(500, 'n'));
    world->ann->get_object("name")->text = "short";
    EXPECT_STREQ(javaapi_get_string(ann(), name.first()), "short");
    world->ann->set_object("name", nullptr);
    EXPECT_EQ(javaapi_get_string(ann(), name.first()), nullptr);
}

TEST_P(AccessPaths, MissingItemsOfAnElement)
{
    struct Case {
        int removed;
        const char *message;
    };
    std::vector<Case> cases{{FL_tag, "Tag missed"}, {FL_feature, "Missed feature name"},
                            {FL_class_name, "Missed class name"}};
    if (!emulated())
        cases.push_back({FL_signature, "Missed feature signature"});
    for (const Case &c : cases) {
        answerer().clear();
        PathBuilder path;
        feature(path, 'V', "age", "I").without(c.removed);
        EXPECT_EQ(javaapi_get_int(ann(), path.first()), 0);
        EXPECT_EQ(last_message(), c.message);
    }
    answerer().clear();
    PathBuilder empty_name;
    empty_name.feature('V', kPerson, "", "I");
    javaapi_get_int(ann(), empty_name.first());
    EXPECT_EQ(last_message(), "Feature name is Void");

    answerer().clear();
    PathBuilder routine_without_class;
    feature(routine_without_class, 'P', "remember", "()V").without(FL_class_name);
    javaapi_call_procedure(ann(), routine_without_class.first());
    EXPECT_NE(answerer().last().text.find(": File javaapi, Line"), std::string::npos) << "a plain assertion";
}

TEST_P(AccessPaths, UnknownClassesFieldsAndRoutines)
{
    PathBuilder no_class;
    no_class.feature('V', "test/Nobody", "age", "I");
    javaapi_get_int(ann(), no_class.first());
    EXPECT_EQ(last_message(), "class not found");
    answerer().clear();

    PathBuilder no_field;
    feature(no_field, 'V', "nothing", kPersonSig);
    feature(no_field, 'V', "age", "I");
    javaapi_get_int(ann(), no_field.first());
    EXPECT_EQ(last_message(), "field not found");
    answerer().clear();
    world->table.clear_exception();

    PathBuilder routine_class;
    routine_class.feature('P', "test/Nobody", "remember", "()V");
    javaapi_call_procedure(ann(), routine_class.first());
    EXPECT_EQ(answerer().last().text.substr(0, 27), "Unknown class \"test/Nobody\"");
    answerer().clear();
    world->table.clear_exception();

    PathBuilder routine;
    feature(routine, 'P', "vanish", "()V");
    javaapi_call_procedure(ann(), routine.first());
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
    PathBuilder population, census;
    feature(population, 'V', "population", "I").make_static();
    feature(census, 'F', "census", "()I").make_static();
    EXPECT_EQ(javaapi_get_int(ann(), population.first()), 7);
    javaapi_set_int(ann(), population.first(), 8);
    EXPECT_EQ(world->person.static_values["population"].i, 8);
    EXPECT_EQ(javaapi_get_int(ann(), census.first()), 1000);
    EXPECT_TRUE(answerer().boxes().empty());

    PathBuilder missing_static;
    feature(missing_static, 'V', "nobody", "I").make_static();
    javaapi_get_int(ann(), missing_static.first());
    EXPECT_EQ(last_message(), "field not found") << "an assertion, not the fatal error";
}

TEST_P(AccessPaths, SignatureLettersOfAVirtualMachine)
{
    if (emulated())
        return; // the emulated table has fixed signatures
    world->person.field("odd", Kind::Integer, "X").routine("odd_result", "()X", [](TestObject *, const jvalue *) {
        return jvalue{};
    });
    PathBuilder odd, odd_result, void_signature;
    feature(odd, 'V', "odd", "X");
    javaapi_get_int(ann(), odd.first());
    EXPECT_EQ(last_message(), "invalid tag");
    answerer().clear();
    javaapi_set_int(ann(), odd.first(), 1);
    EXPECT_EQ(last_message(), "invalid tag");
    answerer().clear();
    feature(odd_result, 'F', "odd_result", "()X");
    javaapi_get_int(ann(), odd_result.first());
    EXPECT_EQ(last_message(), "invalid feature signature");
    answerer().clear();
    feature(void_signature, 'V', "friend", "");
    flf_set_prop_str(flf_add_property(void_signature.last(), FLF_TAG_STRING, FL_signature, nullptr), "");
    feature(void_signature, 'P', "remember", "()V");
    javaapi_call_procedure(ann(), void_signature.first());
    EXPECT_EQ(last_message(), "Signature name is Void");
    answerer().clear();
    javaapi_get_int(ann(), void_signature.first());
    EXPECT_EQ(last_message(), "Feature signature is Void");
}

FLTEST_CHILD_SCENARIO(missing_terminal_field)
{
    World world(arguments.at(0) == "emulated" ? TestTable::Mode::Emulated : TestTable::Mode::JvmLike);
    PathBuilder path;
    path.feature('V', kPerson, "colour", "I");
    javaapi_get_int(world.ann->handle(), path.first());
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
