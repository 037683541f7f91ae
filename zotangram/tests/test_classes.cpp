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
    ZO_ATTRIBUTES(c, active, initial, age, handle);
    ZO_REALS(c, height);
    ZO_ATTRIBUTES(c, weight, name, buddy, area, nicknames, empty);
    ZO_ROUTINES(c, get_age, get_height, is_active, get_initial, get_buddy, get_name, grow, set_all, add3, make, explode,
                collect_then_measure);
}

ZO_CLASS(Employee, "EMPLOYEE", c)
{
    ZO_ATTRIBUTES(c, salary);
    ZO_ROUTINES(c, get_age);
}

ZO_CLASS(Pet, "PET", c)
{
    ZO_ATTRIBUTES(c, age);
    ZO_ROUTINES(c, get_age);
}

ZO_CLASS(World, "TEST_WORLD", c)
{
    ZO_ATTRIBUTES(c, pieces);
}

} // namespace zotest
