// Field reads, field writes and routine calls per second through the native
// interface table, against the same operations on the C++ objects directly.
//
// Through the table, each field access resolves the attribute's name against
// the object's class, as it must: a field ID is only the name. The runtime's
// own sequence (FindClass, GetFieldID, ExceptionOccurred, then the access)
// is measured too.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "zo/builtin.hpp"
#include "zo/ni_table.h"

namespace {

class Sample : public zo::Object {
    ZO_OBJECT(Sample, zo::Object)
    bool flag = false;
    std::int32_t first = 0;
    std::int32_t second = 0;
    double ratio = 0.0;
    std::int32_t counter = 0;
    std::int32_t value = 0;

    [[gnu::noinline]] std::int32_t add(std::int32_t amount)
    {
        counter += amount;
        return counter;
    }
};

ZO_CLASS(Sample, "BENCH_SAMPLE", c)
{
    ZO_ATTRIBUTES(c, flag, first, second);
    ZO_REALS(c, ratio);
    ZO_ATTRIBUTES(c, counter, value);
    ZO_ROUTINES(c, add);
}

template <class T>
void keep(T &&value)
{
    asm volatile("" : : "g"(value) : "memory");
}

// Operations per second of body, run in rounds until 50 ms have passed.
template <class Body>
double rate(Body &body)
{
    using Clock = std::chrono::steady_clock;
    constexpr long kRound = 20000;
    long done = 0;
    const auto start = Clock::now();
    auto elapsed = Clock::duration::zero();
    do {
        for (long i = 0; i < kRound; ++i)
            body(i);
        done += kRound;
        elapsed = Clock::now() - start;
    } while (elapsed < std::chrono::milliseconds(50));
    return static_cast<double>(done) / std::chrono::duration<double>(elapsed).count();
}

// The best rates of the two ways, measured in alternation: on a shared
// machine the best of several short trials is the least disturbed.
template <class Table, class Direct>
void compare(const char *what, Table &&table, Direct &&direct)
{
    constexpr int kTrials = 8;
    double best_table = 0.0;
    double best_direct = 0.0;
    for (int trial = 0; trial < kTrials; ++trial) {
        best_table = std::max(best_table, rate(table));
        best_direct = std::max(best_direct, rate(direct));
    }
    std::printf("%-34s %14.0f %14.0f %9.1fx\n", what, best_table, best_direct, best_direct / best_table);
}

} // namespace

int main()
{
    JNIEnv *env = zo_native_interface();
    Sample *sample = zo::make<Sample>();
    zo::Root<Sample> root(sample);
    jobject obj = reinterpret_cast<jobject>(sample);
    char signature[] = "I";
    const jclass cls = env->FindClass("BENCH_SAMPLE");
    const jfieldID value_id = env->GetFieldID(cls, "value", signature);
    const jmethodID add_id = env->GetMethodID(cls, "add", "()I");
    if (!cls || !value_id || !add_id || env->ExceptionOccurred()) {
        std::fprintf(stderr, "zo_bench: the class BENCH_SAMPLE is not registered with its field and routine\n");
        return 1;
    }
    jvalue slots[32] = {};
    slots[0].i = 1;

    std::printf("%-34s %14s %14s %10s\n", "per second", "table", "direct", "ratio");
    auto direct_read = [&](long) {
        keep(sample);
        keep(sample->value);
    };
    compare(
        "field read (Int)", [&](long) { keep(env->GetIntField(obj, value_id)); }, direct_read);
    compare(
        "field write (Int)", [&](long i) { env->SetIntField(obj, value_id, static_cast<jint>(i)); },
        [&](long i) {
            keep(sample);
            sample->value = static_cast<std::int32_t>(i);
            keep(sample->value);
        });
    compare(
        "routine call (one argument)", [&](long) { keep(env->CallIntMethodA(obj, add_id, slots)); },
        [&](long) {
            keep(sample);
            keep(sample->add(1));
        });
    compare(
        "field read with lookups (runtime)",
        [&](long) {
            char letter[] = "I";
            const jclass c = env->FindClass("bench_sample");
            const jfieldID id = env->GetFieldID(c, "value", letter);
            if (!env->ExceptionOccurred())
                keep(env->GetIntField(obj, id));
        },
        direct_read);
    return 0;
}
