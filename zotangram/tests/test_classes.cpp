#include "test_classes.hpp"

#include "zo/exception.hpp"

namespace zotest {

void Person::set_all(bool a, char c, std::int32_t n, double h, zo::String *s)
{
    active = a;
    initial = c;
    age = n;
    height = h;
    name = s;
}

std::int32_t Person::collect_then_measure(zo::String *text)
{
    zo::Heap::instance().collect();
    return static_cast<std::int32_t>(text->text().size());
}

void Person::explode()
{
    zo::raise("Person exploded");
}

ZO_CLASS(Person, "PERSON", c)
{
    c.attribute<&Person::active>("active")
        .attribute<&Person::initial>("initial")
        .attribute<&Person::age>("age")
        .attribute<&Person::handle>("handle")
        .real<&Person::height>("height")
        .attribute<&Person::weight>("weight")
        .attribute<&Person::name>("name")
        .attribute<&Person::buddy>("buddy")
        .attribute<&Person::area>("area")
        .attribute<&Person::nicknames>("nicknames")
        .attribute<&Person::empty>("empty");
    c.routine<&Person::get_age>("get_age")
        .routine<&Person::get_height>("get_height")
        .routine<&Person::is_active>("is_active")
        .routine<&Person::get_initial>("get_initial")
        .routine<&Person::get_buddy>("get_buddy")
        .routine<&Person::get_name>("get_name")
        .routine<&Person::grow>("grow")
        .routine<&Person::set_all>("set_all")
        .routine<&Person::add3>("add3")
        .routine<&Person::make>("make")
        .routine<&Person::explode>("explode")
        .routine<&Person::collect_then_measure>("collect_then_measure");
}

ZO_CLASS(Employee, "EMPLOYEE", c)
{
    c.attribute<&Employee::salary>("salary");
    c.routine<&Employee::get_age>("get_age");
}

ZO_CLASS(Pet, "PET", c)
{
    c.attribute<&Pet::age>("age");
    c.routine<&Pet::get_age>("get_age");
}

ZO_CLASS(World, "TEST_WORLD", c)
{
    c.attribute<&World::pieces>("pieces");
}

} // namespace zotest
