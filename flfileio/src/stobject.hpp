// Stored objects: the typed values and compounds of a resource file's tree.
#ifndef FLFILEIO_STOBJECT_HPP
#define FLFILEIO_STOBJECT_HPP

#include "flfileio.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

class compound_stobject;

class stobject {
public:
    stobject(int32_t tag) : tag(tag) {}
    // A copy belongs to no compound until it is added to one: a link to the
    // source's compound would dangle once that compound is gone.
    stobject(const stobject &other) : parent(nullptr), sign(other.sign), tag(other.tag) {}
    virtual ~stobject() = default;

    virtual std::unique_ptr<stobject> Clone() const = 0;
    virtual void Read(CAbstrFile &stream, int32_t version) = 0;
    virtual void Write(CAbstrFile &stream) const = 0;

    bool IsCompound() const { return tag == FLF_TAG_ORDERED || tag == FLF_TAG_SORTED; }

    compound_stobject *parent = nullptr;
    int32_t sign = 0;
    const int32_t tag;
};

class simple_stobject : public stobject {
public:
    using stobject::stobject;
    simple_stobject(const simple_stobject &other) : stobject(other) {}

    // The text form of the value, owned by the object until the next GetText.
    virtual const char *GetText() = 0;
    // Parses text into the value: 1 accepted, 0 refused (value unchanged).
    virtual int SetText(const char *text) = 0;

protected:
    const char *KeepText(std::string text);

private:
    std::string text_;
};

class integer_stobject : public simple_stobject {
public:
    integer_stobject() : simple_stobject(FLF_TAG_INTEGER) {}
    std::unique_ptr<stobject> Clone() const override { return std::make_unique<integer_stobject>(*this); }
    void Read(CAbstrFile &stream, int32_t version) override;
    void Write(CAbstrFile &stream) const override;
    const char *GetText() override;
    int SetText(const char *text) override;

    int32_t value = 0;

protected:
    explicit integer_stobject(int32_t tag, int32_t initial) : simple_stobject(tag), value(initial) {}
};

// A boolean holds the same 32-bit value as an integer; 0 is false. Only the
// low 8 bits are stored in a file.
class boolean_stobject : public integer_stobject {
public:
    boolean_stobject() : integer_stobject(FLF_TAG_BOOLEAN, 1) {}
    std::unique_ptr<stobject> Clone() const override { return std::make_unique<boolean_stobject>(*this); }
    void Read(CAbstrFile &stream, int32_t version) override;
    void Write(CAbstrFile &stream) const override;
    const char *GetText() override;
    int SetText(const char *text) override;
};

class string_stobject : public simple_stobject {
public:
    string_stobject() : simple_stobject(FLF_TAG_STRING) {}
    std::unique_ptr<stobject> Clone() const override { return std::make_unique<string_stobject>(*this); }
    void Read(CAbstrFile &stream, int32_t version) override;
    void Write(CAbstrFile &stream) const override;
    const char *GetText() override { return Value(); }
    int SetText(const char *text) override;

    const char *Value() const { return present_ ? value_.c_str() : nullptr; }
    void SetValue(const char *text);

private:
    std::string value_;
    bool present_ = false;
};

class character_stobject : public simple_stobject {
public:
    character_stobject() : simple_stobject(FLF_TAG_CHARACTER) {}
    std::unique_ptr<stobject> Clone() const override { return std::make_unique<character_stobject>(*this); }
    void Read(CAbstrFile &stream, int32_t version) override;
    void Write(CAbstrFile &stream) const override;
    const char *GetText() override;
    int SetText(const char *text) override;

    char value = 0;
};

class double_stobject : public simple_stobject {
public:
    double_stobject() : simple_stobject(FLF_TAG_DOUBLE) {}
    std::unique_ptr<stobject> Clone() const override { return std::make_unique<double_stobject>(*this); }
    void Read(CAbstrFile &stream, int32_t version) override;
    void Write(CAbstrFile &stream) const override;
    const char *GetText() override;
    int SetText(const char *text) override;

    double value = 0.0;
};

// A compound owns its children, addressed by positions 1 to Count.
class compound_stobject : public stobject {
public:
    using stobject::stobject;
    compound_stobject(const compound_stobject &other);

    void Read(CAbstrFile &stream, int32_t version) override;
    void Write(CAbstrFile &stream) const override;

    // Takes the child in; when that fails (no memory), child still holds it.
    virtual void Add(std::unique_ptr<stobject> &&child) = 0;
    // Adds children as adding them one by one in this order would.
    virtual void AddAll(std::vector<std::unique_ptr<stobject>> children) = 0;
    // Destroys that very child with its subtree.
    virtual void Delete(stobject *child);
    int Count() const { return static_cast<int>(Children().size()); }
    int HasChild(int32_t sign) const { return ChildBySign(sign) != nullptr; }
    virtual stobject *ChildBySign(int32_t sign) const = 0;
    stobject *ChildByPath(const int32_t *path, int n) const { return PathStep(path, n, 1); }
    virtual int SetChildSign(stobject *child, int32_t sign) = 0;
    int FirstPosition() const { return Children().empty() ? 0 : 1; }
    // A walk may start at 0, before the first position; a negative position
    // has no next one.
    int NextPosition(int position) const { return position >= 0 && position < Count() ? position + 1 : 0; }
    stobject *ItemAt(int position) const;
    // The position of that very object, 0 when it is not a child.
    virtual int PositionOf(const stobject *child) const;
    stobject *PathStep(const int32_t *path, int n, int i) const;

    // Leaves the children unread: they stay as the bytes of their child list
    // (count and children, as in the file) until first used, and are written
    // back as those very bytes while untouched. The bytes must outlive this
    // compound and must read back to exactly themselves.
    void KeepUnread(const unsigned char *list, int32_t size, int32_t version);

protected:
    using Owned = std::vector<std::unique_ptr<stobject>>;

    void CopyChildrenFrom(const compound_stobject &source);
    void Insert(int position, std::unique_ptr<stobject> &&child);
    std::unique_ptr<stobject> TakeOut(int position);
    Owned &Children() const
    {
        if (unread_)
            ReadKeptBytes();
        return children_;
    }

private:
    void ReadChildren(CAbstrFile &stream, int32_t version);
    void ReadKeptBytes() const;

    // Unread children were never made: children_ stays empty until they are.
    mutable Owned children_;
    mutable const unsigned char *unread_ = nullptr;
    int32_t unread_size_ = 0;
    int32_t unread_version_ = 0;
};

class ordered_stobjects : public compound_stobject {
public:
    ordered_stobjects() : compound_stobject(FLF_TAG_ORDERED) {}
    ordered_stobjects(const ordered_stobjects &other) : compound_stobject(other) { CopyChildrenFrom(other); }
    std::unique_ptr<stobject> Clone() const override { return std::make_unique<ordered_stobjects>(*this); }

    void Add(std::unique_ptr<stobject> &&child) override;
    void AddAll(std::vector<std::unique_ptr<stobject>> children) override;
    stobject *ChildBySign(int32_t sign) const override;
    int SetChildSign(stobject *child, int32_t sign) override;
    // Hands the child to the caller, without parent; none when it is no child.
    std::unique_ptr<stobject> Detach(stobject *child);
    // Takes the child in at a position from 1 to Count + 1; at any other
    // position, or when that fails, child still holds it.
    void InsertAt(std::unique_ptr<stobject> &&child, int position);
    // Exchanges the child with the first (to_top) or the last child.
    void Exchange(stobject *child, bool to_top);
};

class sorted_stobjects : public compound_stobject {
public:
    sorted_stobjects() : compound_stobject(FLF_TAG_SORTED) {}
    sorted_stobjects(const sorted_stobjects &other) : compound_stobject(other) { CopyChildrenFrom(other); }
    std::unique_ptr<stobject> Clone() const override { return std::make_unique<sorted_stobjects>(*this); }

    void Add(std::unique_ptr<stobject> &&child) override;
    // O(n log n) in any order of signs, where adding one by one before the
    // first equal sign is quadratic for descending or equal signs.
    void AddAll(std::vector<std::unique_ptr<stobject>> children) override;
    stobject *ChildBySign(int32_t sign) const override;
    int SetChildSign(stobject *child, int32_t sign) override;
    int PositionOf(const stobject *child) const override;
    // The position of the first child with that sign, or the negated
    // position where a child with that sign would be inserted.
    int Search(int32_t sign) const;
};

// Creates a stored object of a tag from its prototype; raises mexception 8
// for a tag without prototype.
std::unique_ptr<stobject> CreateStobject(int32_t tag);

// Binary search over a sorted sequence of 1-based positions: the position of
// the first element whose key equals the key, or the negated insertion
// position (before the first greater key, or count + 1). compare(position)
// answers <0, 0, >0 as the element at position compares with the key.
template <typename Compare>
int SortedSearch(int count, Compare compare)
{
    if (count == 0)
        return -1;
    int lo = 1, hi = count;
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (compare(mid) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    int last = compare(hi);
    if (last == 0)
        return hi;
    return last < 0 ? -(hi + 1) : -hi;
}

// Adds items, given in the order they were read, to items kept in ascending
// key order, with the result of inserting them one by one at their search
// position: an item whose key is present goes before the items with that key,
// so among equal keys the one read last comes first. O(n log n) in any order.
// kept is unchanged when this fails.
template <typename T, typename Less>
void InsertAllAsRead(std::vector<T> &kept, std::vector<T> read, Less less)
{
    std::reverse(read.begin(), read.end());
    std::stable_sort(read.begin(), read.end(), less);
    std::vector<T> merged;
    merged.reserve(kept.size() + read.size());
    // Among equal keys merge takes the first range first: the items read.
    std::merge(std::make_move_iterator(read.begin()), std::make_move_iterator(read.end()),
               std::make_move_iterator(kept.begin()), std::make_move_iterator(kept.end()), std::back_inserter(merged),
               less);
    kept = std::move(merged);
}

// Moves the element at position from to the place a new key takes among
// elements kept in ascending key order (as a sorted compound moves a child
// whose sign changes). insert is the negated search result for the new key.
template <typename T>
void MoveToSortedPlace(std::vector<T> &items, int from, int insert)
{
    int count = static_cast<int>(items.size());
    if (count <= 1)
        return;
    auto at = [&](int position) { return items.begin() + (position - 1); };
    if (insert > count) // past the end: the child becomes the last one
        std::rotate(at(from), at(from) + 1, items.end());
    else if (insert < from)
        std::rotate(at(insert), at(from), at(from) + 1);
    else if (from < insert - 1)
        std::rotate(at(from), at(from) + 1, at(insert));
}

#endif // FLFILEIO_STOBJECT_HPP
