// Application classes of the tests: one of every attribute kind, routines
// of every argument and result kind, an heir that redefines a routine and
// an unrelated class that shares attribute and routine names.
#ifndef ZO_TEST_CLASSES_HPP
#define ZO_TEST_CLASSES_HPP

#include <string>
#include <vector>

#include "zo/builtin.hpp"

namespace zotest {

class Person : public zo::Object {
    ZO_OBJECT(Person, zo::Object)
    bool active = false;
    char initial = 0;
    std::int32_t age = 0;
    void *handle = nullptr;
    double height = 0.0; // REAL
    double weight = 0.0; // DOUBLE
    zo::String *name = nullptr;
    Person *buddy = nullptr;
    zo::Rect *area = nullptr;
    zo::Array *nicknames = nullptr;
    zo::Object *empty = nullptr;

    std::int32_t get_age() { return age; }
    double get_height() { return height; }
    bool is_active() { return active; }
    char get_initial() { return initial; }
    Person *get_buddy() { return buddy; }
    zo::String *get_name() { return name; }
    void grow(std::int32_t years) { age += years; }
    void set_all(bool a, char c, std::int32_t n, double h, zo::String *s);
    std::int32_t add3(std::int32_t a, std::int32_t b, std::int32_t c) { return a + b + c; }
    void make(zo::String *a_name) { name = a_name; }
    void explode();
    // Collects in the middle of a call, then uses its argument.
    std::int32_t collect_then_measure(zo::String *text);
};

class Employee : public Person {
    ZO_OBJECT(Employee, Person)
    std::int32_t salary = 0;

    std::int32_t get_age() { return age + 100; }
};

class Pet : public zo::Object {
    ZO_OBJECT(Pet, zo::Object)
    std::int32_t age = 0;
    std::int32_t get_age() { return age * 7; }
};

class World : public zo::Object {
    ZO_OBJECT(World, zo::Object)
    std::int32_t pieces = 0;
};

} // namespace zotest

#endif
