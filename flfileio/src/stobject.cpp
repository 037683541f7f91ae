#include "stobject.hpp"
#include "platform.hpp"
#include "storage.hpp"
#include "image.hpp"

#include <cerrno>
#include <cstdarg>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

void string_stobject::Read(CAbstrFile &stream, int32_t)
{
    const char *text = stream.ReadString();
    present_ = text != nullptr;
    if (text)
        value_.assign(text);
    else
        value_.clear();
}

void string_stobject::Write(CAbstrFile &stream) const
{
    stream.WriteString(Value());
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
    int32_t previous = INT32_MIN;
    bool first = true;
    for (; count > 0; --count) {
        if (!Have(p, 5))
            return Fail(p, "the data ends inside a child's tag and sign");
        unsigned tag = p[0];
        int32_t sign = LoadInt(p + 1);
        const unsigned char *child = p;
        p += 5;
        if (sorted) {
            if (!first && sign <= previous)
                exact_ = false; // reading re-sorts, writing would change the bytes
            previous = sign;
            first = false;
        }
        // Most children are fixed-size values or strings: skip them without a call.
        int fixed = tag < sizeof kFixedValueBytes ? kFixedValueBytes[tag] : 0;
        if (fixed > 0) {
            if (!Have(p, fixed))
                return Fail(p, "the data ends inside a value");
            p += fixed;
            continue;
        }
        if (tag == FLF_TAG_STRING) {
            p = SkipString(p);
            if (!p)
                return nullptr;
            continue;
        }
        if (tag != FLF_TAG_ORDERED && tag != FLF_TAG_SORTED)
            return Fail(child, "a tag that names no kind of stored object");
        p = depth > 1 ? List(p, depth + 1, tag == FLF_TAG_SORTED) : TopLevelCompound(p, tag);
        if (!p)
            return nullptr;
    }
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
    if (length > 0 && std::memchr(p, 0, length))
        exact_ = false; // a zero byte ends the text that is read
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
// back exactly.
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
