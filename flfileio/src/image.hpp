// Reading a resource file from its bytes in memory: a stream over the bytes,
// and a scanner that checks a child list without building anything.
// The layout it checks: docs/flf-format.md.
#ifndef FLFILEIO_IMAGE_HPP
#define FLFILEIO_IMAGE_HPP

#include "flfileio.h"
#include "platform.hpp"

#include <cstdint>
#include <vector>

// A read-only stream over bytes owned by someone else: bytes already in
// memory, or the image of a file that is read on as the stream needs it.
class CByteReader : public CAbstrFile {
public:
    CByteReader(const unsigned char *data, int64_t size) : data_(data), size_(size) {}
    explicit CByteReader(flf_platform::FileImage &source) : data_(source.Data()), size_(source.Size()), source_(&source)
    {}

    void ReadBytes(void *buffer, int32_t n) override;
    void WriteBytes(const void *buffer, int32_t n) override;
    void Seek(int32_t position) override;
    bool AtEnd() override { return position_ >= (source_ ? source_->FileSize() : size_); }
    // Of a file being read: what the file held when it was opened.
    int64_t Remaining() override { return (source_ ? source_->FileSize() : size_) - position_; }

    int64_t Position() const { return position_; }
    const unsigned char *Here() const { return data_ + position_; }
    void Skip(int64_t n) { position_ += n; }

private:
    const unsigned char *data_;
    int64_t size_;
    int64_t position_ = 0;
    flf_platform::FileImage *source_ = nullptr;
};

// Walks a child list (count, then tag, sign and value per child) and checks it
// as the reader would: known tags, string lengths, counts the bytes can hold,
// nesting depth. It also tells whether reading the list and writing it back
// would give the very same bytes: children of sorted compounds in strictly
// ascending sign order.
class ChildListScanner {
public:
    explicit ChildListScanner(const unsigned char *end) : end_(end) {}
    // Over the image of a file being read: reads on as the walk needs bytes.
    explicit ChildListScanner(flf_platform::FileImage &source) : end_(source.Data() + source.Size()), source_(&source)
    {}

    struct Span {
        const unsigned char *begin;
        const unsigned char *end;
        bool exact; // reads back to exactly these bytes
    };

    // The end of the list starting at list, or null when it is malformed.
    // depth 1 is a top-level list (the forms root).
    const unsigned char *List(const unsigned char *list, int depth, bool sorted);
    // The child lists of the compounds in the top-level list, in file order.
    const std::vector<Span> &TopLevelCompounds() const { return top_level_; }
    // Where and why List found the list malformed.
    const unsigned char *FailedAt() const { return failed_at_; }
    const char *FailedCheck() const { return failed_check_; }
    int FailedKind() const { return failed_kind_; } // as a stream error

private:
    const unsigned char *Values(const unsigned char *p, int32_t &count, int64_t &previous, bool sorted);
    const unsigned char *TopLevelCompound(const unsigned char *p, int tag);
    const unsigned char *SkipString(const unsigned char *p);
    const unsigned char *Fail(const unsigned char *at, const char *check, int kind = file_exception::OutOfBounds);
    // Whether n bytes from p are there, reading on when they are not yet.
    bool Have(const unsigned char *p, int64_t n) { return end_ - p >= n || More(p, n); }
    bool More(const unsigned char *p, int64_t n);

    const unsigned char *end_;
    flf_platform::FileImage *source_ = nullptr;
    bool exact_ = true;
    std::vector<Span> top_level_;
    const unsigned char *failed_at_ = nullptr;
    const char *failed_check_ = "";
    int failed_kind_ = file_exception::OutOfBounds;
};

// Why a resource file does not open: where reading stopped (a byte offset),
// the part of the file, the check that failed and the stream error kind.
struct MalformedFile {
    int64_t offset;
    const char *part;
    const char *check;
    int kind;
};

#endif // FLFILEIO_IMAGE_HPP
