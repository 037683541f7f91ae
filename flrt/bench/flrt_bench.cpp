// Evaluations per second of a three-element reading path (field, function,
// field) through the emulated test table, against the same values read
// directly in C++.
#include <windows.h>

#include <chrono>
#include <cstdio>

#include "cflrt.h"
#include "path_builder.hpp"
#include "test_table.hpp"

using namespace fltest;
using Clock = std::chrono::steady_clock;

namespace {

template <class Evaluate>
double per_second(Evaluate evaluate, long &checksum)
{
    long rounds = 1000;
    for (;;) {
        const auto start = Clock::now();
        for (long i = 0; i < rounds; ++i)
            checksum += evaluate();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (seconds > 1.0)
            return rounds / seconds;
        rounds *= 4;
    }
}

} // namespace

int main()
{
    TestTable table(TestTable::Mode::Emulated);
    TestClass &person = table.define_class("test/Person");
    person.field("age", Kind::Integer).field("friend", Kind::Object);
    person.routine("get_friend", "()I", [](TestObject *self, const jvalue *) { return self->value("friend"); });
    TestObject *ann = table.make(person);
    TestObject *bob = table.make(person);
    TestObject *cy = table.make(person);
    ann->set_object("friend", bob);
    bob->set_object("friend", cy);
    cy->set_int("age", 30);
    set_ni_table(table.env());

    PathBuilder path;
    path.feature('V', "test/Person", "friend")
        .feature('F', "test/Person", "get_friend")
        .feature('V', "test/Person", "age");
    long checksum = 0;
    const double through_table = per_second([&] { return javaapi_get_int(ann->handle(), path.first()); }, checksum);
    const double direct = per_second(
        [&] {
            TestObject *friend_ = ann->get_object("friend");
            TestObject *result = TestObject::from(friend_->cls().routines[0].body(friend_, nullptr).l);
            return static_cast<long>(result->get_int("age"));
        },
        checksum);
    std::printf("reading path (field, function, field) through the emulated table: %.0f evaluations/s\n",
                through_table);
    std::printf("same values read directly in C++:                                %.0f evaluations/s\n", direct);
    std::printf("ratio: %.1f (checksum %ld)\n", direct / through_table, checksum);
    return 0;
}
