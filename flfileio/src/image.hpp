// Reading a resource file from its bytes in memory: a stream over the bytes,
// and a scanner that checks a child list without building anything.
// The layout it checks: docs/flf-format.md.
#ifndef FLFILEIO_IMAGE_HPP
#define FLFILEIO_IMAGE_HPP

#include "flfileio.h"
#include "platform.hpp"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

class WalkAhead;

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
    // The children of the compounds taken out of the scanner.
    std::vector<Span> TakeTopLevelCompounds() { return std::move(top_level_); }
    // A walk ahead that may answer for the rest of the top-level list.
    void Attach(WalkAhead *ahead) { ahead_ = ahead; }
    // One child of a list of that depth at p: its end, or null when it is
    // malformed. previous is the sign before it in a sorted list.
    const unsigned char *Child(const unsigned char *p, int depth, bool sorted, int64_t &previous);
    // Where and why List found the list malformed.
    const unsigned char *FailedAt() const { return failed_at_; }
    const char *FailedCheck() const { return failed_check_; }
    int FailedKind() const { return failed_kind_; } // as a stream error

private:
    const unsigned char *Values(const unsigned char *p, int32_t &count, int64_t &previous, bool sorted);
    const unsigned char *TopLevelCompound(const unsigned char *p, int tag);
    bool TakeOver(const unsigned char *&p, int32_t count);
    const unsigned char *SkipString(const unsigned char *p);
    const unsigned char *Fail(const unsigned char *at, const char *check, int kind = file_exception::OutOfBounds);
    // Whether n bytes from p are there, reading on when they are not yet.
    bool Have(const unsigned char *p, int64_t n) { return end_ - p >= n || More(p, n); }
    bool More(const unsigned char *p, int64_t n);

    const unsigned char *end_;
    flf_platform::FileImage *source_ = nullptr;
    WalkAhead *ahead_ = nullptr;
    bool exact_ = true;
    std::vector<Span> top_level_;
    const unsigned char *failed_at_ = nullptr;
    const char *failed_check_ = "";
    int failed_kind_ = file_exception::OutOfBounds;
};

// A second walk of the forms root of a large file, made by the thread that
// read the file once all of it is in memory, from a form about halfway
// between where the caller's walk is and the end. Where a form begins is a
// guess: a compound whose sign the class index gives a form. The caller's
// walk takes the result over when it arrives exactly where the second walk
// began, and drops it when it passes that place; either way the outcome is
// the one a single walk gives.
class WalkAhead {
public:
    struct Result {
        std::vector<const unsigned char *> ends; // of each child walked
        std::vector<ChildListScanner::Span> compounds;
        bool failed = false; // in the child after the last of ends
        const unsigned char *failed_at = nullptr;
        const char *failed_check = "";
        int failed_kind = 0;
    };

    // The caller's side. Its walk of the forms root begins at first_child;
    // form_signs: ascending. Begin or Cancel must come: Run waits for one.
    void Begin(const unsigned char *first_child, std::vector<int32_t> form_signs);
    // Its walk is at the top-level compound at p, with left children (this
    // one included) to go: the second walk's result when it began here (once
    // it has walked those children), else null.
    const Result *Arrive(const unsigned char *p, int32_t left);
    // Where the second walk began (null: it did not), and whether the
    // caller's walk went past that place.
    const unsigned char *Start() const { return start_.load(); }
    bool Passed() const { return passed_; }
    // The caller needs no second walk any more: one under way stops.
    void Cancel();

    // The reading thread's side: the whole file is in memory up to end.
    void Run(const unsigned char *end) noexcept;

private:
    enum class State { Idle, Ready, Walking, Done, Over };

    const unsigned char *FindForm(const unsigned char *from, const unsigned char *end) const;
    void Walk(const unsigned char *start, const unsigned char *end);

    std::mutex lock_;
    std::condition_variable changed_; // of state_
    State state_ = State::Idle;
    std::vector<int32_t> form_signs_;
    std::atomic<const unsigned char *> caller_at_{nullptr};
    std::atomic<const unsigned char *> start_{nullptr};
    std::atomic<int32_t> limit_{INT32_MAX};
    std::atomic<bool> cancelled_{false};
    bool passed_ = false; // the caller's own
    Result result_;
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
