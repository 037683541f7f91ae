// The class registry and the declarations that feed it.
#include <set>
#include <string>
#include <vector>

#include "table_fixture.hpp"

using namespace zotest;

namespace {

TEST(Registry, NumbersClassesFromOneWithUniqueUpperCaseNames)
{
    const zo::Registry &registry = zo::Registry::instance();
    ASSERT_GT(registry.count(), 20u);
    std::set<std::string> names;
    for (std::size_t n = 1; n <= registry.count(); ++n) {
        const zo::ClassInfo *cls = registry.by_number(n);
        ASSERT_NE(cls, nullptr);
        EXPECT_EQ(cls->number(), n);
        EXPECT_TRUE(names.insert(cls->name()).second) << cls->name();
        for (char ch : cls->name())
            EXPECT_FALSE(ch >= 'a' && ch <= 'z') << cls->name();
    }
    EXPECT_EQ(registry.by_number(0), nullptr);
    EXPECT_EQ(registry.by_number(registry.count() + 1), nullptr);
    for (const char *name : {"ANY", "STRING", "GUID", "RECT", "POINT", "_BOOLEAN", "_CHARACTER", "_INTEGER", "_POINTER",
                             "_REAL", "_DOUBLE", "ARRAY[STRING]", "ARRAY[BOOLEAN]", "ARRAY[INTEGER]"})
        EXPECT_NE(registry.by_name(name), nullptr) << name;
}

TEST(Registry, ConformanceListsAndInheritedMembers)
{
    const zo::ClassInfo &employee = Employee::zo_class();
    const auto list = employee.conformance();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0]->name(), "EMPLOYEE");
    EXPECT_EQ(list[1]->name(), "PERSON");
    EXPECT_EQ(list[2]->name(), "ANY");

    // Inherited attributes come first, in declaration order.
    const auto &attributes = employee.attributes();
    EXPECT_EQ(attributes.front().name, "active");
    EXPECT_EQ(attributes.back().name, "salary");
    EXPECT_EQ(employee.find_attribute("SALARY"), &attributes.back());
    EXPECT_EQ(Person::zo_class().find_attribute("salary"), nullptr);

    // The heir's own routine wins over the inherited one of the same name.
    auto *e = zo::make<Employee>();
    zo::Root<Employee> keep(e);
    e->age = 1;
    const zo::Routine *get_age = employee.find_routine("get_age");
    ASSERT_NE(get_age, nullptr);
    EXPECT_EQ(get_age->invoke(e, nullptr).as_integer(), 101);
    EXPECT_NE(employee.find_routine("Add3"), nullptr);
}

TEST(Registry, KindsFollowTheDeclaredTypes)
{
    const zo::ClassInfo &person = Person::zo_class();
    auto kind = [&](const char *name) { return person.find_attribute(name)->formal.kind_class()->name(); };
    EXPECT_EQ(kind("active"), "_BOOLEAN");
    EXPECT_EQ(kind("initial"), "_CHARACTER");
    EXPECT_EQ(kind("age"), "_INTEGER");
    EXPECT_EQ(kind("handle"), "_POINTER");
    EXPECT_EQ(kind("height"), "_REAL");
    EXPECT_EQ(kind("weight"), "_DOUBLE");
    EXPECT_EQ(kind("name"), "STRING");
    EXPECT_EQ(kind("buddy"), "PERSON");
    EXPECT_EQ(kind("empty"), "ANY");

    const zo::Routine *set_all = person.find_routine("set_all");
    ASSERT_EQ(set_all->arguments.size(), 5u);
    EXPECT_EQ(set_all->arguments[3].storage, zo::Storage::Double);
    EXPECT_EQ(set_all->arguments[4].kind_class()->name(), "STRING");
    EXPECT_EQ(set_all->result.storage, zo::Storage::None);
    EXPECT_EQ(person.find_routine("get_buddy")->result.kind_class()->name(), "PERSON");
}

// The declaration lists of a class register each member under its own name,
// in list order across the lists, at the place of that member.
TEST(Registry, DeclarationListsKeepOrderNamesAndPlaces)
{
    const zo::ClassInfo &person = Person::zo_class();
    std::vector<std::string> names;
    for (const zo::Attribute &attribute : person.attributes())
        names.push_back(attribute.name);
    EXPECT_EQ(names, (std::vector<std::string>{"active", "initial", "age", "handle", "height", "weight", "name",
                                               "buddy", "area", "nicknames", "empty"}));

    auto *p = zo::make<Person>();
    zo::Root<Person> keep(p);
    EXPECT_EQ(person.find_attribute("handle")->place(p), static_cast<void *>(&p->handle));
    EXPECT_EQ(person.find_attribute("height")->place(p), static_cast<void *>(&p->height));
    EXPECT_EQ(person.find_attribute("weight")->place(p), static_cast<void *>(&p->weight));
    EXPECT_EQ(person.find_attribute("empty")->place(p), static_cast<void *>(&p->empty));
    for (const char *routine : {"get_age", "set_all", "collect_then_measure"})
        EXPECT_NE(person.find_routine(routine), nullptr) << routine;
}

TEST(Registry, NamesCompareWithoutRegardToAsciiCaseOnly)
{
    EXPECT_TRUE(zo::same_name("data_was_accepted", "DATA_WAS_ACCEPTED"));
    EXPECT_FALSE(zo::same_name("caf\xE9", "CAF\xC9")) << "only 'a' to 'z' fold";
    EXPECT_FALSE(zo::same_name("age", "ages"));
    zo::NameIndex index;
    for (int i = 0; i < 100; ++i)
        index.add("name_" + std::to_string(i), i);
    index.add("NAME_7", 1000);
    EXPECT_EQ(index.find("Name_7"), 7) << "the first entry of a name wins";
    EXPECT_EQ(index.find("name_99"), 99);
    EXPECT_EQ(index.find("name_100"), zo::NameIndex::kNone);
    EXPECT_EQ(index.find(""), zo::NameIndex::kNone);
}

TEST(Registry, BuiltinObjectsGuardTheirStorage)
{
    zo::String *text = zo::make_string("abc");
    zo::Root<zo::String> keep(text);
    text->count = 1000; // as a careless write through the table could
    EXPECT_EQ(text->text(), "abc");
    text->count = -1;
    EXPECT_EQ(text->text(), "");

    zo::Array *numbers = zo::make_array<std::int32_t>(2);
    zo::Root<zo::Array> keep_numbers(numbers);
    numbers->count = 50;
    EXPECT_EQ(numbers->length(), 2u);
    EXPECT_EQ(numbers->element(2), nullptr);
    numbers->put<std::int32_t>(1, 9);
    EXPECT_EQ(numbers->get<std::int32_t>(1), 9);
    EXPECT_EQ(numbers->get<double>(1), 0.0) << "a read of the wrong width answers the default";

    EXPECT_TRUE(zo::make_boxed_real(0.0)->is_default());
    EXPECT_FALSE(zo::make_boxed(std::int32_t{2})->is_default());
    EXPECT_TRUE(zo::make_boxed(false)->is_default());
    EXPECT_TRUE(zo::make_boxed('\0')->is_default());
}

} // namespace
