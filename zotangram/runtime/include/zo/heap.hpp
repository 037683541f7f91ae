// The heap of application objects and its collector.
//
// Objects made with make<T>() live on the heap. An object stays while it can
// be reached, through reference attributes and reference arrays, from a root:
// a Root<T> of the application, a Snapshot, the target and arguments of a
// routine call under way, or the references the form runtime holds (counted:
// each NewGlobalRef until its DeleteGlobalRef). The collector runs
// only when asked to (collect, collect_if_due), at points where every object
// still in use is reachable from a root.
#ifndef ZO_HEAP_HPP
#define ZO_HEAP_HPP

#include <cstddef>
#include <functional>
#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

#include "zo/object.hpp"

namespace zo {

// Something that holds objects alive: the heap asks it for them at every collection.
class RootSource {
public:
    virtual ~RootSource() = default;
    virtual void add_roots(std::vector<Object *> &roots) const = 0;
};

class Heap {
public:
    static Heap &instance();

    Object *adopt(std::unique_ptr<Object> object);
    bool contains(const Object *object) const { return objects_.count(const_cast<Object *>(object)) != 0; }
    std::size_t size() const { return objects_.size(); }
    std::size_t allocated_since_collection() const { return allocated_; }

    // The form runtime holds one more (or one less) reference to the object.
    void keep(Object &object) { ++object.kept_; }
    void release(Object &object)
    {
        if (object.kept_ > 0)
            --object.kept_;
    }

    // Frees every object that no root reaches; answers how many were freed.
    std::size_t collect();
    // Collects when the objects made since the last collection outnumber the
    // survivors of that collection (and a minimum budget).
    bool collect_if_due();

    void add_root_source(const RootSource &source) { sources_.push_back(&source); }
    void remove_root_source(const RootSource &source);

    // Objects in use by routine calls under way (their targets and reference arguments).
    std::size_t pinned() const { return pinned_.size(); }
    void pin(Object *object) { pinned_.push_back(object); }
    void unpin_to(std::size_t count) { pinned_.resize(count); }

private:
    Heap() = default;
    ~Heap();
    void mark(std::vector<Object *> pending);

    std::unordered_set<Object *> objects_;
    std::vector<const RootSource *> sources_;
    std::vector<Object *> pinned_;
    std::size_t allocated_ = 0;
    std::size_t survivors_ = 0;
};

template <class T, class... Args>
T *make(Args &&...args)
{
    return static_cast<T *>(Heap::instance().adopt(std::make_unique<T>(std::forward<Args>(args)...)));
}

// A new object of the class with every attribute at its default; null for a class without objects.
Object *make_of(const ClassInfo &cls);

// Calls visit for every object that the object refers to.
void for_each_reference(Object &object, const std::function<void(Object *)> &visit);

// True for void, and for a live heap object whose class conforms to kind
// (any class when kind is null): what may be stored in a reference.
bool is_acceptable_reference(const void *address, const ClassInfo *kind);

// Keeps the objects it pins alive until it ends.
class Pins {
public:
    Pins() : mark_(Heap::instance().pinned()) {}
    ~Pins() { Heap::instance().unpin_to(mark_); }
    Pins(const Pins &) = delete;
    Pins &operator=(const Pins &) = delete;

    void add(Object *object) { Heap::instance().pin(object); }

private:
    std::size_t mark_;
};

// An application reference that keeps its object alive.
template <class T>
class Root : public RootSource {
public:
    explicit Root(T *object = nullptr) : object_(object) { Heap::instance().add_root_source(*this); }
    ~Root() override { Heap::instance().remove_root_source(*this); }
    Root(const Root &) = delete;
    Root &operator=(const Root &) = delete;

    Root &operator=(T *object)
    {
        object_ = object;
        return *this;
    }
    T *get() const { return object_; }
    T *operator->() const { return object_; }
    operator T *() const { return object_; }

    void add_roots(std::vector<Object *> &roots) const override { roots.push_back(object_); }

private:
    T *object_;
};

// The state of every object reachable from one object, taken at one moment;
// restore puts each of them back as it was. The objects stay alive while the
// snapshot exists.
class Snapshot : public RootSource {
public:
    explicit Snapshot(Object &root);
    ~Snapshot() override;
    Snapshot(const Snapshot &) = delete;
    Snapshot &operator=(const Snapshot &) = delete;

    void restore() const;
    std::size_t size() const { return saved_.size(); }

    void add_roots(std::vector<Object *> &roots) const override;

private:
    std::vector<std::pair<Object *, std::unique_ptr<Object>>> saved_;
};

} // namespace zo

#endif
