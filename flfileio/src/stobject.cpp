#include "stobject.hpp"
#include "platform.hpp"
#include "storage.hpp"
#include "image.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <strings.h>

namespace {

// Deeper nesting than this in a file is taken as malformed: no form needs it,
// and it keeps a crafted file from exhausting the stack.
constexpr int kMaxStreamDepth = 256;
// The smallest child in a file, a boolean or a character: tag, sign, one byte.
constexpr int kSmallestChildBytes = 6;

thread_local int stream_depth = 0;

// Counts the compound levels a read or a write is inside. Writing is limited
// like reading, so the library never writes a file it would refuse to open.
class DepthGuard {
public:
    DepthGuard()
    {
        if (++stream_depth > kMaxStreamDepth) {
            --stream_depth;
            throw new file_exception(file_exception::OutOfBounds, 0);
        }
    }
    ~DepthGuard() { --stream_depth; }
};

std::string Format(const char *pattern, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char *pattern, ...)
{
    va_list args;
    va_start(args, pattern);
    va_list again;
    va_copy(again, args);
    int length = std::vsnprintf(nullptr, 0, pattern, args);
    va_end(args);
    std::string text(length > 0 ? length : 0, '\0');
    std::vsnprintf(text.data(), text.size() + 1, pattern, again);
    va_end(again);
    return text;
}

} // namespace

// ---- simple values ---------------------------------------------------------

const char *simple_stobject::KeepText(std::string text)
{
    text_ = std::move(text);
    return text_.c_str();
}

void integer_stobject::Read(CAbstrFile &stream, int32_t version)
{
    value = stream.ReadInt();
    // Files before format 3 stored "no limit" of property 76 as 0.
    constexpr int32_t kOldLimitSign = 76;
    if ((version & 0xFFFF) < 3 && sign == kOldLimitSign && value == 0)
        value = 0x40000000;
}

void integer_stobject::Write(CAbstrFile &stream) const
{
    stream.WriteInt(value);
}

const char *integer_stobject::GetText()
{
    return KeepText(Format("%d", value));
}

int integer_stobject::SetText(const char *text)
{
    if (!text || !*text)
        return 0;
    errno = 0;
    char *end = nullptr;
    unsigned long long number = std::strtoull(text, &end, 0);
    bool negative = false;
    for (const char *p = text; p < end; ++p) {
        if (*p == '-') {
            negative = true;
            break;
        }
        if (*p != ' ' && *p != '\t' && *p != '\n' && *p != '\r' && *p != '\f' && *p != '\v')
            break;
    }
    // strtoull negates modulo 2^64; undo that to check the magnitude.
    unsigned long long magnitude = negative ? 0ULL - number : number;
    if (errno == ERANGE || magnitude > 0xFFFFFFFFULL) {
        flf_platform::Beep();
        return 0;
    }
    uint32_t bits = static_cast<uint32_t>(magnitude);
    value = static_cast<int32_t>(negative ? 0U - bits : bits);
    return 1;
}

void boolean_stobject::Read(CAbstrFile &stream, int32_t)
{
    value = stream.ReadBool();
}

void boolean_stobject::Write(CAbstrFile &stream) const
{
    stream.WriteBool(value);
}

const char *boolean_stobject::GetText()
{
    return KeepText(value ? "true" : "false");
}

int boolean_stobject::SetText(const char *text)
{
    if (!text)
        return 0;
    if (strcasecmp(text, "true") == 0)
        value = 1;
    else if (strcasecmp(text, "false") == 0)
        value = 0;
    else
        return 0;
    return 1;
}

void string_stobject::SetValue(const char *text)
{
    if (!text)
        return;
    value_.assign(text);
    present_ = true;
}

// A text is kept with every byte the file gave, zero bytes too: the
// interface shows it up to its first zero byte, and saving writes it whole.
void string_stobject::Read(CAbstrFile &stream, int32_t)
{
    int32_t length = 0;
    const char *text = stream.ReadString(length);
    present_ = text != nullptr;
    if (text)
        value_.assign(text, static_cast<size_t>(length));
    else
        value_.clear();
}

void string_stobject::Write(CAbstrFile &stream) const
{
    stream.WriteString(Value(), value_.size());
}

int string_stobject::SetText(const char *text)
{
    SetValue(text);
    return 1;
}

void character_stobject::Read(CAbstrFile &stream, int32_t)
{
    value = static_cast<char>(stream.ReadByte());
}

void character_stobject::Write(CAbstrFile &stream) const
{
    stream.WriteByte(static_cast<unsigned char>(value));
}

const char *character_stobject::GetText()
{
    return KeepText(value ? std::string(1, value) : std::string());
}

int character_stobject::SetText(const char *text)
{
    if (!text || !*text)
        return 0;
    value = text[0];
    return 1;
}

void double_stobject::Read(CAbstrFile &stream, int32_t)
{
    value = stream.ReadDouble();
}

void double_stobject::Write(CAbstrFile &stream) const
{
    stream.WriteDouble(value);
}

const char *double_stobject::GetText()
{
    return KeepText(Format("%.7f", value));
}

int double_stobject::SetText(const char *text)
{
    if (!text || !*text)
        return 0;
    errno = 0;
    double number = std::strtod(text, nullptr);
    if (errno == ERANGE) {
        flf_platform::Beep();
        return 0;
    }
    value = number;
    return 1;
}

// ---- compounds -------------------------------------------------------------

compound_stobject::compound_stobject(const compound_stobject &other) : stobject(other) {}

void compound_stobject::CopyChildrenFrom(const compound_stobject &source)
{
    const Owned &originals = source.Children();
    Owned copies;
    copies.reserve(originals.size());
    for (const std::unique_ptr<stobject> &child : originals)
        copies.emplace_back(child->Clone());
    AddAll(std::move(copies));
}

void compound_stobject::Read(CAbstrFile &stream, int32_t version)
{
    DepthGuard depth;
    ReadChildren(stream, version);
}

void compound_stobject::ReadChildren(CAbstrFile &stream, int32_t version)
{
    int32_t count = CheckedCount(stream, stream.ReadInt(), kSmallestChildBytes);
    // Room grows with the children actually read, never by the count: nested
    // counts that the bytes left could each hold would together reserve far
    // more memory than the data takes.
    std::vector<std::unique_ptr<stobject>> read;
    for (int32_t i = 0; i < count; ++i) {
        int32_t tag = stream.ReadByte();
        std::unique_ptr<stobject> child = CreateStobject(tag);
        child->sign = stream.ReadInt();
        child->Read(stream, version);
        read.push_back(std::move(child));
    }
    AddAll(std::move(read));
}

void compound_stobject::KeepUnread(const unsigned char *list, int32_t size, int32_t version)
{
    unread_ = list;
    unread_size_ = size;
    unread_version_ = version;
}

void compound_stobject::ReadKeptBytes() const
{
    const unsigned char *kept = unread_;
    CByteReader reader(kept, unread_size_);
    unread_ = nullptr;
    try {
        const_cast<compound_stobject *>(this)->ReadChildren(reader, unread_version_);
    } catch (...) {
        unread_ = kept; // nothing was added: the form stays unread, nothing is lost
        throw;
    }
}

void compound_stobject::Write(CAbstrFile &stream) const
{
    if (unread_) {
        stream.WriteBytes(unread_, unread_size_);
        return;
    }
    DepthGuard depth;
    stream.WriteInt(Count());
    for (const std::unique_ptr<stobject> &child : children_) {
        stream.WriteByte(child->tag);
        stream.WriteInt(child->sign);
        child->Write(stream);
    }
}

stobject *compound_stobject::ItemAt(int position) const
{
    if (position < 1 || position > Count())
        return nullptr;
    return Children()[position - 1].get();
}

int compound_stobject::PositionOf(const stobject *child) const
{
    for (size_t i = 0; i < Children().size(); ++i)
        if (Children()[i].get() == child)
            return static_cast<int>(i) + 1;
    return 0;
}

void compound_stobject::Delete(stobject *child)
{
    int position = PositionOf(child);
    if (position)
        TakeOut(position);
}

stobject *compound_stobject::PathStep(const int32_t *path, int n, int i) const
{
    stobject *child = ChildBySign(path[i - 1]);
    if (!child || i == n)
        return child;
    if (!child->IsCompound())
        return nullptr;
    return static_cast<compound_stobject *>(child)->PathStep(path, n, i + 1);
}

// A failed insert (no memory) leaves the vector as it was: the moves of
// unique_ptr cannot throw, so child keeps its object.
void compound_stobject::Insert(int position, std::unique_ptr<stobject> &&child)
{
    stobject *joining = child.get();
    Children().insert(Children().begin() + (position - 1), std::move(child));
    joining->parent = this;
}

std::unique_ptr<stobject> compound_stobject::TakeOut(int position)
{
    std::unique_ptr<stobject> child = std::move(Children()[position - 1]);
    Children().erase(Children().begin() + (position - 1));
    child->parent = nullptr;
    return child;
}

void ordered_stobjects::Add(std::unique_ptr<stobject> &&child)
{
    Insert(Count() + 1, std::move(child));
}

void ordered_stobjects::AddAll(std::vector<std::unique_ptr<stobject>> children)
{
    Children().reserve(Children().size() + children.size());
    for (std::unique_ptr<stobject> &child : children)
        Add(std::move(child));
}

stobject *ordered_stobjects::ChildBySign(int32_t sign) const
{
    for (const std::unique_ptr<stobject> &child : Children())
        if (child->sign == sign)
            return child.get();
    return nullptr;
}

int ordered_stobjects::SetChildSign(stobject *child, int32_t sign)
{
    child->sign = sign;
    return 1;
}

std::unique_ptr<stobject> ordered_stobjects::Detach(stobject *child)
{
    int position = PositionOf(child);
    return position ? TakeOut(position) : nullptr;
}

void ordered_stobjects::InsertAt(std::unique_ptr<stobject> &&child, int position)
{
    if (position >= 1 && position <= Count() + 1)
        Insert(position, std::move(child));
}

void ordered_stobjects::Exchange(stobject *child, bool to_top)
{
    int from = PositionOf(child);
    if (!from)
        return;
    int to = to_top ? 1 : Count();
    std::swap(Children()[from - 1], Children()[to - 1]);
}

int sorted_stobjects::Search(int32_t sign) const
{
    const Owned &children = Children();
    return SortedSearch(Count(), [&](int position) {
        int32_t other = children[position - 1]->sign;
        return other < sign ? -1 : (other == sign ? 0 : 1);
    });
}

void sorted_stobjects::Add(std::unique_ptr<stobject> &&child)
{
    // Files hold sorted children in sign order: appending is the common case.
    const Owned &children = Children();
    if (children.empty() || children.back()->sign < child->sign) {
        Insert(Count() + 1, std::move(child));
        return;
    }
    int found = Search(child->sign);
    Insert(found > 0 ? found : -found, std::move(child));
}

void sorted_stobjects::AddAll(std::vector<std::unique_ptr<stobject>> children)
{
    // Sorting copies of the signs beside the children spares a visit to two
    // children in memory for every comparison. Each entry names the owner it
    // comes from; the owners are emptied only once all memory is had, so a
    // failure changes nothing.
    struct Keyed {
        int32_t sign;
        std::unique_ptr<stobject> *owner;
    };
    std::vector<Keyed> kept, added;
    kept.reserve(Children().size());
    added.reserve(children.size());
    for (std::unique_ptr<stobject> &child : Children())
        kept.push_back(Keyed{child->sign, &child});
    for (std::unique_ptr<stobject> &child : children) {
        child->parent = this; // freed with children should this fail
        added.push_back(Keyed{child->sign, &child});
    }
    InsertAllAsRead(kept, std::move(added), [](const Keyed &a, const Keyed &b) { return a.sign < b.sign; });
    Owned merged;
    merged.reserve(kept.size());
    for (const Keyed &entry : kept)
        merged.push_back(std::move(*entry.owner));
    Children().swap(merged);
}

stobject *sorted_stobjects::ChildBySign(int32_t sign) const
{
    int found = Search(sign);
    return found > 0 ? Children()[found - 1].get() : nullptr;
}

int sorted_stobjects::PositionOf(const stobject *child) const
{
    int position = Search(child->sign);
    if (position <= 0)
        return 0;
    for (; position <= Count() && Children()[position - 1]->sign == child->sign; ++position)
        if (Children()[position - 1].get() == child)
            return position;
    return 0;
}

int sorted_stobjects::SetChildSign(stobject *child, int32_t sign)
{
    if (ChildBySign(sign))
        return 0;
    int from = PositionOf(child);
    if (!from)
        return 0;
    MoveToSortedPlace(Children(), from, -Search(sign));
    child->sign = sign;
    return 1;
}

// ---- checking a child list in memory ----------------------------------------

namespace {

// Bytes of the values that have a fixed size, by tag (0: not fixed).
constexpr unsigned char kFixedValueBytes[] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 1, 1, 8};
// The most bytes a child other than a compound takes: a string of the
// longest length.
constexpr int64_t kLargestValueChild = 5 + 4 + FLF_MAX_STRING;

// The bytes of a child of tag 10 to 14 (tag, sign and value; of a string
// without its text), 4 bits a tag.
constexpr uint64_t ValueChildBytes()
{
    uint64_t table = 0;
    for (int tag = FLF_TAG_INTEGER; tag <= FLF_TAG_DOUBLE; ++tag)
        table |= uint64_t(5 + (tag == FLF_TAG_STRING ? 4 : kFixedValueBytes[tag])) << (4 * tag);
    return table;
}
constexpr uint64_t kValueChildBytes = ValueChildBytes();

// The bytes of text a child of that tag and length field holds: those of a
// string (none for length -1), none for any other kind.
inline uint32_t TextBytes(unsigned tag, int32_t length)
{
    uint32_t text = uint32_t(length) + (uint32_t(length) >> 31);
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    // A conditional move: compilers make a branch of the selection, and the
    // kinds of children come in no order a branch predictor could learn.
    asm("cmpl %[string], %[tag]\n\tcmovnel %[zero], %[text]"
        : [text] "+r"(text)
        : [tag] "r"(tag), [string] "i"(FLF_TAG_STRING), [zero] "r"(0u)
        : "cc");
    return text;
#else
    return tag == FLF_TAG_STRING ? text : 0;
#endif
}

int32_t LoadInt(const unsigned char *p)
{
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

} // namespace

const unsigned char *ChildListScanner::Fail(const unsigned char *at, const char *check, int kind)
{
    failed_at_ = at;
    failed_check_ = check;
    failed_kind_ = kind;
    return nullptr;
}

const unsigned char *ChildListScanner::List(const unsigned char *p, int depth, bool sorted)
{
    if (depth > kMaxStreamDepth)
        return Fail(p, "compounds nested deeper than 256 levels");
    if (!Have(p, 4))
        return Fail(p, "the data ends inside a child count");
    int32_t count = LoadInt(p);
    if (count < 0 || !Have(p, 4 + int64_t(count) * kSmallestChildBytes))
        return Fail(p, "a child count below 0 or larger than the bytes left can hold");
    p += 4;
    int64_t previous = INT64_MIN; // the sign before, in a sorted list
    for (;;) {
        p = Values(p, count, previous, sorted);
        if (count == 0)
            return p;
        // A compound, a child near the end of the bytes, or a malformed one.
        if (depth == 1 && ahead_ && TakeOver(p, count))
            return p;
        --count;
        p = Child(p, depth, sorted, previous);
        if (!p)
            return nullptr;
    }
}

const unsigned char *ChildListScanner::Child(const unsigned char *p, int depth, bool sorted, int64_t &previous)
{
    if (!Have(p, 5))
        return Fail(p, "the data ends inside a child's tag and sign");
    unsigned tag = p[0];
    int32_t sign = LoadInt(p + 1);
    const unsigned char *child = p;
    p += 5;
    if (sorted) {
        exact_ = exact_ && sign > previous; // reading re-sorts, writing would change the bytes
        previous = sign;
    }
    int fixed = tag < sizeof kFixedValueBytes ? kFixedValueBytes[tag] : 0;
    if (fixed > 0) {
        if (!Have(p, fixed))
            return Fail(p, "the data ends inside a value");
        return p + fixed;
    }
    if (tag == FLF_TAG_STRING)
        return SkipString(p);
    if (tag == FLF_TAG_ORDERED || tag == FLF_TAG_SORTED)
        return depth > 1 ? List(p, depth + 1, tag == FLF_TAG_SORTED) : TopLevelCompound(p, tag);
    return Fail(child, "a tag that names no kind of stored object");
}

// Whether the walk ahead answers for the count children of the top-level list
// from p on; p is then the end of the list, or null when a child is malformed.
// (Whether the top-level list itself is in order matters to nobody: each
// form is kept unread or read by the exactness of its own span.)
bool ChildListScanner::TakeOver(const unsigned char *&p, int32_t count)
{
    const WalkAhead::Result *ahead = ahead_->Arrive(p, count);
    if (!ahead) {
        if (ahead_->Passed())
            ahead_ = nullptr;
        return false;
    }
    ahead_ = nullptr;
    const size_t walked = ahead->ends.size(), left = static_cast<size_t>(count);
    if (walked < left && !ahead->failed)
        return false; // cut short: this walk goes on itself
    if (walked < left) {
        top_level_.insert(top_level_.end(), ahead->compounds.begin(), ahead->compounds.end());
        p = Fail(ahead->failed_at, ahead->failed_check, ahead->failed_kind);
        return true;
    }
    p = ahead->ends[left - 1];
    for (const Span &span : ahead->compounds) {
        if (span.end > p)
            break;
        top_level_.push_back(span);
    }
    return true;
}

// The run of plain values (numbers, characters, booleans and strings) from p,
// counted off count, while the longest such child would still be in memory.
// Stops before a compound or anything else List has to look at. A file holds
// millions of children in random order of kinds, so the size of each comes
// from tables and selections, without a branch on its kind to mispredict.
const unsigned char *ChildListScanner::Values(const unsigned char *p, int32_t &count, int64_t &previous, bool sorted)
{
    int32_t left = count;
    int64_t before = previous;
    bool exact = true, values = true;
    while (values && left > 0 && (end_ - p >= kLargestValueChild || More(p, kLargestValueChild))) {
        // Up to the end of what is in memory, so that end_ stays in a register.
        const unsigned char *last = end_ - kLargestValueChild;
        do {
            __builtin_prefetch(p + 8192); // the bytes may come from another core's cache
            const unsigned tag = p[0];
            const int32_t sign = LoadInt(p + 1);
            const int32_t length = LoadInt(p + 5); // of a string; any bytes of other values
            const bool string = tag == FLF_TAG_STRING;
            const bool value = tag - FLF_TAG_INTEGER <= unsigned(FLF_TAG_DOUBLE - FLF_TAG_INTEGER);
            // Length -1 (none) up to the longest string.
            const bool length_ok = uint32_t(length) + 1 <= uint32_t(FLF_MAX_STRING) + 1;
            if (!(value & (length_ok | (!string)))) {
                values = false;
                break;
            }
            exact &= (!sorted) | (sign > before);
            before = sign;
            const uint32_t text = TextBytes(tag, length);
            p += text;
            p += (kValueChildBytes >> (4 * (tag & 15))) & 15;
        } while (--left > 0 && p <= last);
    }
    exact_ = exact_ && exact;
    count = left;
    previous = before;
    return p;
}

const unsigned char *ChildListScanner::SkipString(const unsigned char *p)
{
    if (!Have(p, 4))
        return Fail(p, "the data ends inside a string length");
    int32_t length = LoadInt(p);
    if (length == -1)
        return p + 4;
    if (length < 0 || length > FLF_MAX_STRING)
        return Fail(p, "a string length below -1 or above 4095", file_exception::StringTooLong);
    if (!Have(p, 4 + int64_t(length)))
        return Fail(p, "the data ends inside a string");
    p += 4;
    return p + length;
}

bool ChildListScanner::More(const unsigned char *p, int64_t n)
{
    if (!source_)
        return false;
    end_ = source_->Data() + source_->LoadUpTo(p - source_->Data() + n);
    return end_ - p >= n;
}

// A compound of the top-level list, remembered with whether it alone reads
// back exactly (its sorted compounds hold their children in order).
const unsigned char *ChildListScanner::TopLevelCompound(const unsigned char *p, int tag)
{
    bool exact_before = exact_;
    exact_ = true;
    const unsigned char *end = List(p, 2, tag == FLF_TAG_SORTED);
    if (end)
        top_level_.push_back(Span{p, end, exact_});
    exact_ = exact_before && exact_;
    return end;
}

// ---- the second walk of a large forms root ------------------------------------

void WalkAhead::Begin(const unsigned char *first_child, std::vector<int32_t> form_signs)
{
    std::lock_guard<std::mutex> lock(lock_);
    if (state_ != State::Idle)
        return;
    form_signs_ = std::move(form_signs);
    caller_at_.store(first_child);
    state_ = State::Ready;
    changed_.notify_all();
}

const WalkAhead::Result *WalkAhead::Arrive(const unsigned char *p, int32_t left)
{
    // Published before looking at the start: Run never begins behind it.
    caller_at_.store(p);
    const unsigned char *start = start_.load();
    if (!start || p < start)
        return nullptr;
    if (p > start) {
        passed_ = true;
        Cancel();
        return nullptr;
    }
    limit_.store(left);
    std::unique_lock<std::mutex> lock(lock_);
    changed_.wait(lock, [this] { return state_ == State::Done; });
    return &result_;
}

void WalkAhead::Cancel()
{
    cancelled_.store(true);
    std::lock_guard<std::mutex> lock(lock_);
    if (state_ == State::Idle || state_ == State::Ready)
        state_ = State::Over;
    changed_.notify_all();
}

void WalkAhead::Run(const unsigned char *end) noexcept
{
    std::unique_lock<std::mutex> lock(lock_);
    // A small file may be read before the caller has read the class index.
    changed_.wait(lock, [this] { return state_ != State::Idle; });
    if (state_ != State::Ready)
        return; // the caller has left the forms root, or never came to it
    const unsigned char *caller = caller_at_.load();
    lock.unlock();
    const unsigned char *start = FindForm(caller + (end - caller) / 2, end);
    lock.lock();
    if (!start || cancelled_.load() || caller_at_.load() >= start) {
        state_ = State::Over;
        return;
    }
    start_.store(start);
    state_ = State::Walking;
    lock.unlock();
    Walk(start, end);
    lock.lock();
    state_ = State::Done;
    changed_.notify_all();
}

// The first compound from `from` on whose sign is a form's and whose count the
// bytes after it can hold. A guess: a value inside a form may look the same.
const unsigned char *WalkAhead::FindForm(const unsigned char *from, const unsigned char *end) const
{
    constexpr int64_t kSearchedBytes = int64_t(4) << 20;
    const unsigned char *stop = end - from > kSearchedBytes ? from + kSearchedBytes : end;
    for (const unsigned char *p = from; p < stop && end - p >= 9; ++p) {
        if ((p[0] != FLF_TAG_ORDERED && p[0] != FLF_TAG_SORTED) ||
            !std::binary_search(form_signs_.begin(), form_signs_.end(), LoadInt(p + 1)))
            continue;
        const int32_t count = LoadInt(p + 5);
        if (count >= 0 && (end - p - 9) / kSmallestChildBytes >= count)
            return p;
    }
    return nullptr;
}

void WalkAhead::Walk(const unsigned char *start, const unsigned char *end)
{
    ChildListScanner walker(end);
    int64_t previous = INT64_MIN;
    try {
        for (const unsigned char *p = start;
             !cancelled_.load(std::memory_order_relaxed) && result_.ends.size() < static_cast<size_t>(limit_.load());) {
            const unsigned char *next = walker.Child(p, 1, true, previous);
            if (!next) {
                result_.failed = true;
                result_.failed_at = walker.FailedAt();
                result_.failed_check = walker.FailedCheck();
                result_.failed_kind = walker.FailedKind();
                break;
            }
            result_.ends.push_back(next);
            p = next;
        }
        result_.compounds = walker.TakeTopLevelCompounds();
    } catch (const std::bad_alloc &) {
        // Cut short: the caller's walk goes on by itself.
        result_.failed = false;
        result_.ends.clear();
        result_.compounds.clear();
    }
}

// ---- kind registry ---------------------------------------------------------

namespace {

class KindRegistry {
public:
    KindRegistry()
    {
        Register(std::make_unique<ordered_stobjects>());
        Register(std::make_unique<sorted_stobjects>());
        Register(std::make_unique<integer_stobject>());
        Register(std::make_unique<string_stobject>());
        Register(std::make_unique<boolean_stobject>());
        Register(std::make_unique<character_stobject>());
        Register(std::make_unique<double_stobject>());
    }

    std::unique_ptr<stobject> Create(int32_t tag) const
    {
        if (tag < 0 || tag >= kTags || !prototypes_[tag])
            throw new mexception(mexception::BadObjectTag, tag);
        return prototypes_[tag]->Clone();
    }

private:
    static constexpr int kTags = 15;

    void Register(std::unique_ptr<stobject> prototype)
    {
        const int32_t tag = prototype->tag;
        prototypes_[tag] = std::move(prototype);
    }

    std::unique_ptr<stobject> prototypes_[kTags];
};

// Built when the library is loaded, before any exported operation runs.
const KindRegistry registry;

} // namespace

std::unique_ptr<stobject> CreateStobject(int32_t tag)
{
    return registry.Create(tag);
}
