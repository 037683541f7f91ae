#include "zo/heap.hpp"

#include <algorithm>
#include <cstring>

#include "zo/builtin.hpp"
#include "zo/class_info.hpp"

namespace zo {
namespace {

// Below this many new objects a collection is never due.
constexpr std::size_t kMinimumBudget = 4096;

} // namespace

Heap &Heap::instance()
{
    // Never destroyed: objects may be released by static destructors of other modules.
    static Heap *heap = new Heap();
    return *heap;
}

Heap::~Heap() = default;

Object *Heap::adopt(std::unique_ptr<Object> object)
{
    Object *raw = object.release();
    raw->class_ = &raw->class_info();
    objects_.insert(raw);
    ++allocated_;
    return raw;
}

void Heap::remove_root_source(const RootSource &source)
{
    auto found = std::find(sources_.rbegin(), sources_.rend(), &source);
    if (found != sources_.rend())
        sources_.erase(std::next(found).base());
}

void Heap::mark(std::vector<Object *> pending)
{
    while (!pending.empty()) {
        Object *object = pending.back();
        pending.pop_back();
        if (!object || object->marked_ || !contains(object))
            continue;
        object->marked_ = true;
        for_each_reference(*object, [&](Object *referred) { pending.push_back(referred); });
    }
}

std::size_t Heap::collect()
{
    std::vector<Object *> roots;
    for (const RootSource *source : sources_)
        source->add_roots(roots);
    roots.insert(roots.end(), pinned_.begin(), pinned_.end());
    for (Object *object : objects_)
        if (object->kept_)
            roots.push_back(object);
    mark(std::move(roots));

    std::vector<Object *> garbage;
    for (Object *object : objects_) {
        if (!object->marked_)
            garbage.push_back(object);
        object->marked_ = false;
    }
    for (Object *object : garbage) {
        objects_.erase(object);
        delete object;
    }
    allocated_ = 0;
    survivors_ = objects_.size();
    return garbage.size();
}

bool Heap::collect_if_due()
{
    if (allocated_ < std::max(kMinimumBudget, survivors_))
        return false;
    collect();
    return true;
}

Object *make_of(const ClassInfo &cls)
{
    Object *object = cls.instantiate();
    return object ? Heap::instance().adopt(std::unique_ptr<Object>(object)) : nullptr;
}

void for_each_reference(Object &object, const std::function<void(Object *)> &visit)
{
    const ClassInfo &cls = object.class_info();
    for (std::size_t index : cls.reference_attributes()) {
        const Attribute &attribute = cls.attributes()[index];
        void *referred;
        std::memcpy(&referred, attribute.place(&object), sizeof referred);
        if (referred)
            visit(static_cast<Object *>(referred));
    }
    if (cls.is_array() && cls.array_layout().element.storage == Storage::Reference) {
        const Array &array = static_cast<const Array &>(object);
        for (std::size_t i = 0; i < array.length(); ++i)
            if (Object *element = array.reference(i))
                visit(element);
    }
}

bool is_acceptable_reference(const void *address, const ClassInfo *kind)
{
    if (!address)
        return true;
    auto *object = static_cast<const Object *>(address);
    if (!Heap::instance().contains(object))
        return false;
    return !kind || object->class_info().conforms_to(*kind);
}

// ---- Snapshots ----

Snapshot::Snapshot(Object &root)
{
    std::unordered_set<Object *> seen;
    std::vector<Object *> pending{&root};
    while (!pending.empty()) {
        Object *object = pending.back();
        pending.pop_back();
        if (!seen.insert(object).second)
            continue;
        saved_.emplace_back(object, object->copy_state());
        for_each_reference(*object, [&](Object *referred) { pending.push_back(referred); });
    }
    Heap::instance().add_root_source(*this);
}

Snapshot::~Snapshot()
{
    Heap::instance().remove_root_source(*this);
}

void Snapshot::restore() const
{
    for (const auto &[object, state] : saved_)
        object->restore_state(*state);
}

void Snapshot::add_roots(std::vector<Object *> &roots) const
{
    for (const auto &entry : saved_)
        roots.push_back(entry.first);
}

} // namespace zo
