// Application objects: every object knows its class and can hand out a copy
// of its state and take it back (what a cancelled form relies on).
#ifndef ZO_OBJECT_HPP
#define ZO_OBJECT_HPP

#include <cstddef>
#include <cstdint>
#include <memory>

namespace zo {

class ClassInfo;

// The root of every application class; as a class of its own it is ANY.
class Object {
public:
    using zo_parent = void;

    Object() = default;
    // Copies carry the state only: the heap's marks stay with the original.
    Object(const Object &) noexcept {}
    Object &operator=(const Object &) noexcept { return *this; }
    virtual ~Object() = default;

    // Objects live where a 32-bit handle names them: the form runtime moves
    // references through the table's Int functions. In a 64-bit Windows
    // process they come from memory below 2 GB (object_memory.cpp).
    static void *operator new(std::size_t size);
    static void operator delete(void *object, std::size_t size) noexcept;

    static const ClassInfo &zo_class();
    virtual const ClassInfo &class_info() const { return zo_class(); }

    // A detached copy of this object's state, and the way back from one made
    // by this same object.
    virtual std::unique_ptr<Object> copy_state() const { return std::make_unique<Object>(*this); }
    virtual void restore_state(const Object &) {}

    bool is_kept() const { return kept_ > 0; }

    // The class, without a virtual call for objects of the heap (the table asks at every access).
    const ClassInfo &dynamic_class() const { return class_ ? *class_ : class_info(); }

private:
    friend class Heap;
    const ClassInfo *class_ = nullptr; // learned when the heap adopts the object
    // How many references the form runtime holds (NewGlobalRef without DeleteGlobalRef yet).
    std::int32_t kept_ = 0;
    bool marked_ = false;
};

} // namespace zo

// First line of every application class body: names its C++ parent and
// gives the class its metadata hook and its state copy. Members that follow
// it are public unless an access specifier says otherwise.
#define ZO_OBJECT(Type, Parent)                                                                                        \
public:                                                                                                                \
    using zo_parent = Parent;                                                                                          \
    static const ::zo::ClassInfo &zo_class();                                                                          \
    const ::zo::ClassInfo &class_info() const override                                                                 \
    {                                                                                                                  \
        static const ::zo::ClassInfo &info = zo_class();                                                               \
        return info;                                                                                                   \
    }                                                                                                                  \
    std::unique_ptr<::zo::Object> copy_state() const override                                                          \
    {                                                                                                                  \
        return std::make_unique<Type>(*this);                                                                          \
    }                                                                                                                  \
    void restore_state(const ::zo::Object &saved) override                                                             \
    {                                                                                                                  \
        *this = static_cast<const Type &>(saved);                                                                      \
    }

#endif
