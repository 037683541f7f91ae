// Helpers shared by the flfileio tests: byte images in the file encodings,
// temporary folders, owners of the handles the library hands out, and a
// uniform way to look at the errors it raises.
#ifndef FLFILEIO_TEST_SUPPORT_HPP
#define FLFILEIO_TEST_SUPPORT_HPP

#include "flfileio.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fltest {

using ByteVector = std::vector<unsigned char>;

// Builds byte images with the primitive encodings: little-endian int32,
// single bytes, IEEE doubles and length-prefixed strings.
class ByteWriter {
public:
    ByteWriter &i32(int32_t value) { return little_endian(static_cast<uint32_t>(value), 4); }
    ByteWriter &byte(int value) { return little_endian(static_cast<uint8_t>(value), 1); }
    ByteWriter &f64(double value) { return little_endian(std::bit_cast<uint64_t>(value), 8); }
    ByteWriter &str(std::string_view text); // int32 length, then the bytes
    ByteWriter &no_str() { return i32(-1); }
    ByteWriter &append(const ByteVector &bytes);
    ByteWriter &child(int tag, int32_t sign) { return byte(tag).i32(sign); } // a list entry's tag and sign

    const ByteVector &bytes() const { return bytes_; }

private:
    ByteWriter &little_endian(uint64_t bits, int count);

    ByteVector bytes_;
};

ByteVector from_hex(std::string_view hex); // "17 00 0A" style
std::string text_of(const ByteVector &bytes);

constexpr int32_t version_word(int project_type, int format)
{
    return static_cast<int32_t>((static_cast<uint32_t>(project_type) << 16) | static_cast<uint32_t>(format));
}
inline constexpr int32_t kCurrentVersion = version_word(FLF_PROJECT_ABSOLUTE, 4);
inline constexpr const char *kResourceHeader = "Formloom resource file\n";
inline constexpr const char *kNameHeader = "Formloom string resources\n";

// Header fields of a resource file up to and including the custom flags.
ByteWriter resource_header(int32_t version, std::string_view project, int32_t flags);
// Class index of one class "MAIN" with form 1 of sign 10001, next sign 10002.
ByteWriter &one_form_index(ByteWriter &image);
// The 111-byte worked example: form 1 of MAIN holds integer 7 = 5, string 12 = "Hi".
ByteVector example_resource_file();
// A name file with the given next sign and (name, sign) entries, in the order given.
ByteVector name_file(int32_t next_sign, const std::vector<std::pair<std::string, int32_t>> &entries);

ByteVector read_file(const std::filesystem::path &path);
void write_file(const std::filesystem::path &path, const ByteVector &bytes);
// A path as the library wants it, with every slash turned into a backslash
// (the form the project path computations produce).
std::string backslashed(std::string text);

// A folder of its own for one test, removed with its contents at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::filesystem::path &path() const { return path_; }
    std::string file(std::string_view relative) const; // full name, made of native separators
    std::string write(std::string_view relative, const ByteVector &bytes) const;
    ByteVector read(std::string_view relative) const;
    std::vector<std::string> entries() const; // names directly inside, sorted

private:
    std::filesystem::path path_;
};

// Makes saving over an existing file fail while it lives, the way a full disk
// or a file in use does: natively a file size limit, on Windows an open handle
// on the target that shares nothing.
class SaveBlocker {
public:
    explicit SaveBlocker(const std::string &target);
    ~SaveBlocker();
    SaveBlocker(const SaveBlocker &) = delete;
    SaveBlocker &operator=(const SaveBlocker &) = delete;

private:
    void *handle_ = nullptr;
};

// A block of memory in the form a fixed CMemoryFile takes: an HGLOBAL on
// Windows, plain bytes elsewhere.
class FixedBlock {
public:
    explicit FixedBlock(const ByteVector &bytes);
    ~FixedBlock();
    FixedBlock(const FixedBlock &) = delete;
    FixedBlock &operator=(const FixedBlock &) = delete;

    void *handle() const { return handle_; }
    ByteVector bytes() const;

private:
    void *handle_;
    size_t size_;
};

// The most bytes held through operator new since construction, above what was
// held then. Counted only where the library allocates through the test
// program's operator new (natively); available() tells.
class AllocationPeak {
public:
    AllocationPeak();
    size_t bytes() const;
    static bool available();

private:
    size_t start_;
};

// While it lives, allocations that would hold more than the given bytes above
// today's level fail with std::bad_alloc (natively; nothing on Windows).
class AllocationLimit {
public:
    explicit AllocationLimit(size_t bytes);
    ~AllocationLimit();
    AllocationLimit(const AllocationLimit &) = delete;
    AllocationLimit &operator=(const AllocationLimit &) = delete;
};

// The disk syncs ("sync PATH") and renames ("rename FROM -> TO") the program
// made since construction, in order (natively; nothing on Windows).
class FileEvents {
public:
    FileEvents();
    std::vector<std::string> seen() const;
    static bool available();
};

struct BaseCloser {
    void operator()(flf_base_ *base) const { flf_close_base(base); }
};
using BasePtr = std::unique_ptr<flf_base_, BaseCloser>;

// Owns an item no compound holds (created, cloned, read or detached).
struct ItemDeleter {
    void operator()(flf_item_ *item) const { flf_delete_property(item); }
};
using ItemPtr = std::unique_ptr<flf_item_, ItemDeleter>;

BasePtr open_base(const std::string &file_name);
ItemPtr new_item(int tag, int sign = 1, const char *text = nullptr);

// A growable memory stream holding bytes, positioned at its start.
std::unique_ptr<CMemoryFile> stream_over(const ByteVector &bytes);
ByteVector contents(const CMemoryFile &stream);
// The single-property record of an item.
ByteVector record_of(FLF_ITEM item);

std::vector<FLF_ITEM> children(FLF_ITEM compound);
std::vector<int> child_signs(FLF_ITEM compound);
std::vector<int> child_ints(FLF_ITEM compound); // integer values in position order

// What a call raised, compared as a whole in expectations.
struct Caught {
    enum What { Nothing, Database, File, System, Unknown };
    What what = Nothing;
    long code = 0;   // mexception code, file_exception kind, system error code
    long detail = 0; // mexception detail, file_exception system error

    static Caught database(long code, long detail) { return {Database, code, detail}; }
    static Caught file(long kind, long system_error = 0) { return {File, kind, system_error}; }
    bool operator==(const Caught &) const = default;
};
std::ostream &operator<<(std::ostream &out, const Caught &caught);

template <class Call>
Caught catch_error(Call &&call)
{
    try {
        call();
        return {};
    } catch (mexception *error) {
        Caught caught{Caught::Database, error->code(), error->detail()};
        delete error;
        return caught;
    } catch (file_exception *error) {
        Caught caught{Caught::File, error->kind(), error->system_error()};
        delete error;
        return caught;
    } catch (flf_system_error code) {
        return {Caught::System, static_cast<long>(code), 0};
    } catch (...) {
        return {Caught::Unknown, 0, 0};
    }
}

// Switches the C error mode on for one scope.
class CaughtErrors {
public:
    CaughtErrors() : previous_(flf_catch_errors(1)) {}
    ~CaughtErrors() { flf_catch_errors(previous_); }
    CaughtErrors(const CaughtErrors &) = delete;
    CaughtErrors &operator=(const CaughtErrors &) = delete;

private:
    int previous_;
};

// What flf_last_error reports (and clears).
flf_error last_error();

// Only the type and the code: for stream errors whose system code varies.
inline Caught kind_only(Caught caught)
{
    caught.detail = 0;
    return caught;
}

} // namespace fltest

#endif // FLFILEIO_TEST_SUPPORT_HPP
