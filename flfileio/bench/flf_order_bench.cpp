// Measures how the order of keys in a file changes the time to open it: the
// same children of one sorted form, the same classes of the index and the
// same names of a name base, stored in ascending, descending and equal key
// order. Goal: every order within a small factor of ascending order (reading
// is O(n log n) in any order), and twice the children taking about twice
// the time.
//
//   flf_order_bench [CHILDREN [REPEATS [FOLDER]]]
//
// CHILDREN (default 400000, about 3.6 MB) children of one form; a tenth as
// many classes and names. Best of REPEATS rounds (default 3). The files go to
// FOLDER (default: the temporary folder) and are removed at the end.
#include "flfileio.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

enum class Order { Ascending, Descending, Equal };
const char *const kOrderNames[] = {"ascending", "descending", "equal"};
constexpr double goal_ratio = 4.0;

class Bytes {
public:
    Bytes &i32(int32_t value)
    {
        for (int i = 0; i < 4; ++i)
            data_.push_back(char(uint32_t(value) >> (8 * i)));
        return *this;
    }
    Bytes &byte(int value)
    {
        data_.push_back(char(value));
        return *this;
    }
    Bytes &str(const std::string &text)
    {
        i32(int32_t(text.size()));
        data_.insert(data_.end(), text.begin(), text.end());
        return *this;
    }
    void save(const fs::path &file) const
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(data_.data(), std::streamsize(data_.size()));
    }

private:
    std::vector<char> data_;
};

int32_t key(Order order, int i, int n)
{
    return order == Order::Ascending ? i + 1 : order == Order::Descending ? n - i : 7;
}

std::string numbered(char prefix, int32_t number)
{
    char text[16];
    std::snprintf(text, sizeof text, "%c%09d", prefix, int(number));
    return text;
}

Bytes resource_header()
{
    Bytes image;
    image.str("Formloom resource file\n").i32(int32_t(0xEFFE0004u)).str("C:\\bench").i32(0);
    return image;
}

void write_children(const fs::path &file, Order order, int n)
{
    Bytes image = resource_header();
    image.i32(10002).i32(1).i32(1).str("MAIN").i32(1).i32(10001).str("Main");
    image.i32(1).byte(FLF_TAG_SORTED).i32(10001).i32(n);
    for (int i = 0; i < n; ++i)
        image.byte(FLF_TAG_INTEGER).i32(key(order, i, n)).i32(i);
    image.save(file);
}

void write_classes(const fs::path &file, Order order, int n)
{
    Bytes image = resource_header();
    image.i32(10001 + n).i32(n);
    for (int i = 0; i < n; ++i)
        image.i32(1).str(numbered('C', key(order, i, n))).i32(1).i32(10001 + i).str("");
    image.i32(0).save(file);
}

void write_names(const fs::path &file, Order order, int n)
{
    Bytes image;
    image.str("Formloom string resources\n").i32(0).i32(n + 1).i32(n);
    for (int i = 0; i < n; ++i)
        image.str(numbered('n', key(order, i, n))).i32(key(order, i, n));
    image.save(file);
}

[[noreturn]] void fail(const std::string &what)
{
    std::fprintf(stderr, "flf_order_bench: %s\n", what.c_str());
    std::exit(1);
}

void open_children(const fs::path &file, int n)
{
    FLF_BASE base = flf_open_base(file.string().c_str());
    if (flf_get_children_count(flf_get_form(base, "MAIN", 1)) != n)
        fail("could not open " + file.string());
    flf_close_base(base);
}

void open_classes(const fs::path &file, int n)
{
    FLF_BASE base = flf_open_base(file.string().c_str());
    if (flf_get_class_count(base) != n)
        fail("could not open " + file.string());
    flf_close_base(base);
}

// Name bases live until the library is unloaded: a few rounds of them stay.
void open_names(const fs::path &file, int n)
{
    FLF_NAMES names = flf_open_name_base(file.string().c_str());
    if (flf_name_server_get_next(names, n - 1) != n)
        fail("could not open " + file.string());
}

double best_seconds(int repeats, const std::function<void()> &work)
{
    double best = 1e300;
    for (int round = 0; round < repeats; ++round) {
        auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

struct Kind {
    const char *name;
    int count;
    std::function<void(const fs::path &, Order, int)> write;
    std::function<void(const fs::path &, int)> open;
};

// Times one kind in every order at count and at twice the count; answers
// whether every ratio to ascending order is within the goal.
bool measure(const Kind &kind, const fs::path &folder, int repeats)
{
    bool met = true;
    double at_count[3] = {0, 0, 0};
    for (int scale : {1, 2}) {
        const int n = kind.count * scale;
        double seconds[3];
        for (Order order : {Order::Ascending, Order::Descending, Order::Equal}) {
            const fs::path file = folder / "order.bin";
            kind.write(file, order, n);
            seconds[int(order)] = best_seconds(repeats, [&] { kind.open(file, n); });
            fs::remove(file);
        }
        for (Order order : {Order::Ascending, Order::Descending, Order::Equal}) {
            double ratio = seconds[int(order)] / seconds[0];
            met = met && ratio <= goal_ratio;
            std::printf("%-9s %9d  %-10s %9.1f %10.2f", kind.name, n, kOrderNames[int(order)],
                        seconds[int(order)] * 1000.0, ratio);
            if (scale == 2)
                std::printf(" %10.2f", seconds[int(order)] / at_count[int(order)]);
            std::printf("\n");
            at_count[int(order)] = seconds[int(order)];
        }
    }
    return met;
}

} // namespace

int main(int argc, char **argv)
{
    int children = argc > 1 ? std::atoi(argv[1]) : 400000;
    int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
    if (argc > 4 || children < 10 || repeats < 1) {
        std::fprintf(stderr, "usage: flf_order_bench [CHILDREN [REPEATS [FOLDER]]]\n");
        return 2;
    }
    const fs::path folder =
        (argc > 3 ? fs::path(argv[3]) : fs::temp_directory_path()) /
        ("flf-order-bench-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(folder);
    const Kind kinds[] = {
        {"children", children, write_children, open_children},
        {"classes", children / 10, write_classes, open_classes},
        {"names", children / 10, write_names, open_names},
    };
    std::printf("flf_order_bench: open and read, best of %d rounds\n\n", repeats);
    std::printf("%-9s %9s  %-10s %9s %10s %10s\n", "what", "count", "order", "best ms", "/ ascend.", "/ half");
    bool met = true;
    for (const Kind &kind : kinds)
        met = measure(kind, folder, repeats) && met;
    fs::remove_all(folder);
    std::printf("\ngoal, every order within %.0f times ascending order: %s\n", goal_ratio, met ? "met" : "NOT met");
    return 0;
}
