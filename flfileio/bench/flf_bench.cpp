// Measures how fast flfileio opens and saves a large resource base, against
// reading and writing the same bytes in one piece.
//
//   flf_bench [SIZE_MB [REPEATS [FOLDER]]]
//
// Builds a synthetic base of about SIZE_MB megabytes (default 50) through the
// flf_ functions, saves it, then times REPEATS rounds (default 5) of: one
// fread of the whole file, flf_open_base, flf_saveas_base to a second file,
// flf_close_base, and one fwrite of the same bytes to a third file, plain and
// then waiting until the bytes are on the disk (as a save does). The best
// time of each is reported, with the ratios open / raw read (the goal:
// within 3) and save / raw write, plain and synced. The files go to FOLDER
// (default: the temporary folder) and are removed at the end.
#include "flfileio.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<char>;

constexpr double MB = 1024.0 * 1024.0;
constexpr double goal_ratio = 3.0;

// A fixed-seed xorshift generator, so every run builds the same base.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}

    uint32_t next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return uint32_t(state_ >> 32);
    }
    int below(int n) { return int(next() % uint32_t(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }

    // 1 .. n in random order: unique signs for the children of a sorted compound.
    std::vector<int> shuffled_signs(int n)
    {
        std::vector<int> signs(n);
        for (int i = 0; i < n; ++i)
            signs[i] = i + 1;
        for (int i = n - 1; i > 0; --i)
            std::swap(signs[i], signs[below(i + 1)]);
        return signs;
    }

private:
    uint64_t state_;
};

// Fills a base with forms until its item tree encodes to about the target
// size. Each form holds one value of every kind, a wide ordered list of
// widget records, a wide sorted compound filled in random sign order, and a
// deep chain of nested compounds. Signs within a sorted compound are unique,
// so a save of the reopened base must give the very same bytes.
class SyntheticBase {
public:
    SyntheticBase(FLF_BASE base, int64_t target_bytes) : base_(base), target_(target_bytes)
    {
        for (char &c : text_pool_)
            c = char(random_.between(' ', '~'));
    }

    void build()
    {
        while (bytes_ < target_)
            add_form();
    }

    int forms() const { return forms_; }
    int64_t items() const { return items_; }

private:
    static constexpr int class_count = 101;
    static constexpr int item_header = 5; // tag byte and sign

    void add_form()
    {
        int number = forms_++;
        std::string class_name = "APP_CLASS_" + std::to_string(number % class_count);
        if (number % 3 == 0)
            class_name += "_WITH_A_LONGER_NAME";
        int id = number / class_count + 1;
        std::string alias = "Form " + std::to_string(id) + " of " + class_name;
        FLF_ITEM form = flf_add_form(base_, class_name.c_str(), id, alias.c_str());
        count_compound();

        std::vector<int> signs = random_.shuffled_signs(20);
        for (int tag : {FLF_TAG_INTEGER, FLF_TAG_STRING, FLF_TAG_BOOLEAN, FLF_TAG_CHARACTER, FLF_TAG_DOUBLE})
            add_value(form, tag, signs.back()), signs.pop_back();
        add_widget_list(add_compound(form, FLF_TAG_ORDERED, 93));
        add_values(add_compound(form, FLF_TAG_SORTED, 95), random_.between(200, 2000));
        add_chain(form, random_.between(20, 120));
    }

    void add_widget_list(FLF_ITEM list)
    {
        for (int n = random_.between(50, 400); n > 0; --n) {
            FLF_ITEM widget = add_compound(list, FLF_TAG_SORTED, random_.between(1, 22));
            add_values(widget, random_.between(4, 10));
            if (random_.chance(10))
                add_values(add_compound(widget, FLF_TAG_ORDERED, 1000), random_.between(5, 20));
        }
    }

    // Nested compounds, ordered and sorted in turn, each with a few values.
    void add_chain(FLF_ITEM form, int depth)
    {
        FLF_ITEM level = add_compound(form, FLF_TAG_ORDERED, 94);
        for (int d = 1; d < depth; ++d) {
            add_values(level, random_.between(1, 3));
            level = add_compound(level, d % 2 ? FLF_TAG_SORTED : FLF_TAG_ORDERED, 1000 + d);
        }
    }

    // count values of random kinds with unique signs in random order.
    void add_values(FLF_ITEM compound, int count)
    {
        for (int sign : random_.shuffled_signs(count))
            add_value(compound, random_.between(FLF_TAG_INTEGER, FLF_TAG_DOUBLE), sign);
    }

    FLF_ITEM add_compound(FLF_ITEM parent, int tag, int sign)
    {
        count_compound();
        return flf_add_property(parent, tag, sign, nullptr);
    }

    void count_compound()
    {
        bytes_ += item_header + 4;
        ++items_;
    }

    void add_value(FLF_ITEM compound, int tag, int sign)
    {
        ++items_;
        bytes_ += item_header;
        if (tag == FLF_TAG_STRING) {
            add_string(compound, sign);
            return;
        }
        FLF_ITEM item = flf_add_property(compound, tag, sign, nullptr);
        switch (tag) {
        case FLF_TAG_INTEGER: flf_set_prop_int(item, int(random_.next())), bytes_ += 4; break;
        case FLF_TAG_BOOLEAN: flf_set_prop_boo(item, random_.below(2)), bytes_ += 1; break;
        case FLF_TAG_CHARACTER: flf_set_prop_char(item, random_.between(' ', '~')), bytes_ += 1; break;
        default: flf_set_prop_double(item, double(int(random_.next())) / 1000.0), bytes_ += 8; break;
        }
    }

    // Mostly short texts, some long ones, a few near the 4095-byte limit, and
    // some strings without value.
    void add_string(FLF_ITEM compound, int sign)
    {
        bytes_ += 4;
        if (random_.chance(5)) {
            flf_add_property(compound, FLF_TAG_STRING, sign, nullptr);
            return;
        }
        int percent = random_.below(100);
        int length = percent < 60   ? random_.between(0, 16)
                     : percent < 90 ? random_.between(17, 80)
                     : percent < 99 ? random_.between(81, 600)
                                    : random_.between(601, FLF_MAX_STRING);
        int start = random_.below(int(sizeof text_pool_) - length);
        std::string text(text_pool_ + start, size_t(length));
        flf_add_property(compound, FLF_TAG_STRING, sign, text.c_str());
        bytes_ += length;
    }

    FLF_BASE base_;
    int64_t target_;
    Random random_{0x5EED5EED12345ULL};
    char text_pool_[2 * FLF_MAX_STRING];
    int64_t bytes_ = 0;
    int64_t items_ = 0;
    int forms_ = 0;
};

struct BaseCloser {
    void operator()(flf_base_ *base) const { flf_close_base(base); }
};
using Base = std::unique_ptr<flf_base_, BaseCloser>;

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

class BenchError {
public:
    explicit BenchError(std::string text) : text_(std::move(text)) {}
    const std::string &text() const { return text_; }

private:
    std::string text_;
};

// Unbuffered: the whole file moves in one read or write call, and the
// stream allocates no buffer of its own.
File open_file(const fs::path &name, const char *mode)
{
    File file(std::fopen(name.string().c_str(), mode));
    if (!file)
        throw BenchError("cannot open " + name.string());
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    return file;
}

// Closes the base. Some allocators (glibc's) tidy the millions of small
// blocks a closed base freed only on the next large request; making that
// request here charges the tidying to closing instead of the next operation.
void close_base(Base &base)
{
    base.reset();
    std::free(std::malloc(1 << 20));
}

// One fread of the whole file into a buffer of its size.
void read_whole(const fs::path &name, Bytes &buffer)
{
    File file = open_file(name, "rb");
    if (std::fread(buffer.data(), 1, buffer.size(), file.get()) != buffer.size())
        throw BenchError("short read of " + name.string());
}

bool sync_to_disk(std::FILE *file)
{
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

// One fwrite of the whole buffer; closing is part of the write. Durable:
// also waiting until the bytes are on the disk, as a save does before it
// replaces the file.
void write_whole(const fs::path &name, const Bytes &buffer, bool durable = false)
{
    File file = open_file(name, "wb");
    if (std::fwrite(buffer.data(), 1, buffer.size(), file.get()) != buffer.size())
        throw BenchError("short write of " + name.string());
    if (durable && !sync_to_disk(file.get()))
        throw BenchError("cannot write " + name.string() + " to the disk");
    if (std::fclose(file.release()) != 0)
        throw BenchError("cannot close " + name.string());
}

Bytes file_bytes(const fs::path &name)
{
    Bytes buffer(size_t(fs::file_size(name)));
    read_whole(name, buffer);
    return buffer;
}

// The folder of the benchmark files, removed with them at the end.
class WorkFolder {
public:
    explicit WorkFolder(const fs::path &parent) : dir_(parent / "flf_bench_files") { fs::create_directories(dir_); }
    ~WorkFolder()
    {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    WorkFolder(const WorkFolder &) = delete;
    WorkFolder &operator=(const WorkFolder &) = delete;

    fs::path file(const char *name) const { return dir_ / name; }
    const fs::path &path() const { return dir_; }

private:
    fs::path dir_;
};

// The best (shortest) of the measured times of one operation.
class BestTime {
public:
    template <class Operation>
    void measure(Operation &&operation)
    {
        auto start = std::chrono::steady_clock::now();
        operation();
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best_ = std::min(best_, took.count());
    }
    double seconds() const { return best_; }

private:
    double best_ = std::numeric_limits<double>::infinity();
};

struct Settings {
    double size_mb = 50;
    int repeats = 5;
    fs::path folder;
};

struct Results {
    double file_bytes = 0;
    BestTime raw_read, open, save, close, raw_write, durable_write;
};

bool parse_number(const char *text, double &value)
{
    char *end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && value > 0;
}

bool parse_settings(int argc, char **argv, Settings &settings)
{
    double repeats = settings.repeats;
    if (argc > 4 || (argc > 1 && !parse_number(argv[1], settings.size_mb)) ||
        (argc > 2 && !parse_number(argv[2], repeats)))
        return false;
    settings.repeats = int(repeats);
    settings.folder = argc > 3 ? fs::path(argv[3]) : fs::temp_directory_path();
    return settings.repeats >= 1;
}

void build_base(const Settings &settings, const fs::path &file)
{
    auto start = std::chrono::steady_clock::now();
    Base base(flf_new_base("C:\\bench\\project", FLF_PROJECT_ABSOLUTE));
    SyntheticBase synthetic(base.get(), int64_t(settings.size_mb * MB));
    synthetic.build();
    flf_saveas_base(base.get(), file.string().c_str());
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("flf_bench: synthetic base of %.1f MB, %d forms in up to 101 classes, %lld items\n",
                double(fs::file_size(file)) / MB, synthetic.forms(), (long long)synthetic.items());
    std::printf("           built and saved in %.2f s; best of %d rounds; files in %s\n\n", took.count(),
                settings.repeats, file.parent_path().string().c_str());
}

void run_rounds(const Settings &settings, const WorkFolder &folder, Results &results)
{
    const fs::path base_file = folder.file("base.flf"), saved = folder.file("saved.flf"), raw = folder.file("raw.bin");
    Bytes buffer(size_t(fs::file_size(base_file)));
    results.file_bytes = double(buffer.size());
    read_whole(base_file, buffer); // warms the cache
    for (int round = 0; round < settings.repeats; ++round) {
        results.raw_read.measure([&] { read_whole(base_file, buffer); });
        Base base;
        results.open.measure([&] { base.reset(flf_open_base(base_file.string().c_str())); });
        if (!base)
            throw BenchError("flf_open_base could not open " + base_file.string() +
                             " (out of memory? try a smaller size)");
        // Both writes make a fresh file: replacing one costs extra on some
        // file systems (ext4 starts writing back a file that is truncated or
        // renamed over), which would blur the comparison.
        fs::remove(saved);
        results.save.measure([&] { flf_saveas_base(base.get(), saved.string().c_str()); });
        results.close.measure([&] { close_base(base); });
        fs::remove(raw);
        results.raw_write.measure([&] { write_whole(raw, buffer); });
        fs::remove(raw);
        results.durable_write.measure([&] { write_whole(raw, buffer, true); });
    }
    if (file_bytes(saved) != buffer)
        throw BenchError("the base saved after opening differs from the file it was opened from");
}

void print_row(const char *operation, const BestTime &time, double bytes)
{
    std::printf("%-26s %10.1f %10.1f\n", operation, time.seconds() * 1000.0, bytes / MB / time.seconds());
}

void print_ratio_row(const char *operation, const BestTime &time, double bytes, const BestTime &raw, const char *label,
                     bool goal = false)
{
    double ratio = time.seconds() / raw.seconds();
    std::printf("%-26s %10.1f %10.1f %8.2f  %s%s\n", operation, time.seconds() * 1000.0, bytes / MB / time.seconds(),
                ratio, label, goal && ratio > goal_ratio ? "  (over goal)" : "");
}

void print_results(const Results &results)
{
    const double bytes = results.file_bytes;
    std::printf("%-26s %10s %10s %8s\n", "operation", "best ms", "MB/s", "ratio");
    std::printf("%-26s %10s %10s %8s\n", "---------", "-------", "----", "-----");
    print_row("raw read (one fread)", results.raw_read, bytes);
    print_ratio_row("flf_open_base", results.open, bytes, results.raw_read, "open / raw read", true);
    print_row("raw write (one fwrite)", results.raw_write, bytes);
    print_row("raw write, synced", results.durable_write, bytes);
    print_ratio_row("flf_saveas_base", results.save, bytes, results.raw_write, "save / raw write");
    print_ratio_row("", results.save, bytes, results.durable_write, "save / synced raw write");
    std::printf("%-26s %10.1f\n", "flf_close_base", results.close.seconds() * 1000.0);
    bool met = results.open.seconds() <= goal_ratio * results.raw_read.seconds();
    std::printf("\ngoal, open within %.0f times the raw read: %s\n", goal_ratio, met ? "met" : "NOT met");
}

int run(const Settings &settings)
{
    WorkFolder folder(settings.folder);
    build_base(settings, folder.file("base.flf"));
    Results results;
    run_rounds(settings, folder, results);
    print_results(results);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    Settings settings;
    if (!parse_settings(argc, argv, settings)) {
        std::fprintf(stderr, "usage: flf_bench [SIZE_MB [REPEATS [FOLDER]]]\n");
        return 2;
    }
    try {
        return run(settings);
    } catch (const BenchError &error) {
        std::fprintf(stderr, "flf_bench: %s\n", error.text().c_str());
    } catch (const fs::filesystem_error &error) {
        std::fprintf(stderr, "flf_bench: %s\n", error.what());
    } catch (const std::bad_alloc &) {
        std::fprintf(stderr, "flf_bench: out of memory; try a smaller size\n");
    } catch (file_exception *error) {
        std::fprintf(stderr, "flf_bench: %s\n", error->message().c_str());
        delete error;
    } catch (mexception *error) {
        std::fprintf(stderr, "flf_bench: %s\n", error->message().c_str());
        delete error;
    } catch (flf_system_error code) {
        std::fprintf(stderr, "flf_bench: a file could not be opened (system error %lu)\n", (unsigned long)code);
    }
    return 1;
}
