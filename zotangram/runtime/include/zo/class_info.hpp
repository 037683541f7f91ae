// The class registry: class numbers, upper-case names, conformance,
// attributes (name, kind, place in the object) and the routines that may be
// called from outside (name, argument kinds, result kind).
//
// An application class declares itself beside its code:
//
//     class Rect : public zo::Object {
//         ZO_OBJECT(Rect, zo::Object)
//         std::int32_t left = 0;
//         void move(std::int32_t dx);
//     };
//
//     ZO_CLASS(Rect, "RECT", c)
//     {
//         ZO_ATTRIBUTES(c, left);
//         ZO_ROUTINES(c, move);
//     }
//
// Each member is registered under its own name, in the order of the list;
// ZO_REALS declares double attributes of kind REAL. The builder's own calls
// register a member under another name: c.attribute<&Rect::left>("x").
//
// Kinds follow the C++ types: bool BOOLEAN, char CHARACTER, std::int32_t
// INTEGER, void * POINTER, double DOUBLE (REAL with real()), and a pointer to
// an application class a reference of that class.
#ifndef ZO_CLASS_INFO_HPP
#define ZO_CLASS_INFO_HPP

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "zo/name_index.hpp"
#include "zo/object.hpp"
#include "zo/scalar.hpp"

namespace zo {

using ClassGetter = const ClassInfo &(*)();

// The classes of the basic kinds ("_BOOLEAN" ...); their objects box one value.
const ClassInfo &boolean_class();
const ClassInfo &character_class();
const ClassInfo &integer_class();
const ClassInfo &pointer_class();
const ClassInfo &real_class();
const ClassInfo &double_class();

// The kind of an attribute, formal argument or result.
struct Formal {
    Storage storage = Storage::None;
    ClassGetter kind = nullptr; // null for a procedure's result

    const ClassInfo *kind_class() const { return kind ? &kind() : nullptr; }
};

template <class T>
T load_stored(const void *place)
{
    T value;
    std::memcpy(&value, place, sizeof value);
    return value;
}

struct Attribute {
    std::string name;
    Formal formal;
    void *(*locate)(Object *object) = nullptr; // the place of the attribute in the object

    // The place through its offset, learned at the first access: every
    // object of a class has the attribute at the same offset.
    void *place(Object *object) const
    {
        const auto base = reinterpret_cast<std::uintptr_t>(object);
        if (offset == kUnknownOffset)
            offset = reinterpret_cast<std::uintptr_t>(locate(object)) - base;
        return reinterpret_cast<void *>(base + offset);
    }

    Scalar read(Object *object) const
    {
        const void *place = this->place(object);
        switch (formal.storage) {
        case Storage::Boolean: return Scalar::integer(load_stored<bool>(place) ? 1 : 0, Storage::Boolean);
        case Storage::Character: return Scalar::integer(load_stored<char>(place), Storage::Character);
        case Storage::Integer: return Scalar::integer(load_stored<std::int32_t>(place));
        case Storage::Real:
        case Storage::Double: return Scalar::real(load_stored<double>(place), formal.storage);
        case Storage::Pointer:
        case Storage::Reference: return Scalar::address(load_stored<void *>(place), formal.storage);
        case Storage::None: break;
        }
        return Scalar();
    }
    // False, writing nothing, when a reference is not a live object of a conforming class.
    bool write(Object *object, const Scalar &value) const;

    static constexpr std::uintptr_t kUnknownOffset = ~std::uintptr_t{0};
    mutable std::uintptr_t offset = kUnknownOffset; // learned for the objects of one class
};

struct Routine {
    static constexpr std::size_t kMaxArguments = 32;

    std::string name;
    std::vector<Formal> arguments;
    Formal result;
    Scalar (*invoke)(Object *target, const Scalar *arguments) = nullptr;
};

// Where the elements of an array class live and what they are.
struct ArrayLayout {
    Formal element;
    std::size_t element_size = 0;
};

// Exactly the same characters; inline, as names are short.
inline bool same_text(const char *text, const std::string &name)
{
    for (const char *other = name.c_str(); *text == *other; ++text, ++other)
        if (!*text)
            return true;
    return false;
}

class ClassInfo {
public:
    using Factory = Object *(*)(const ClassInfo &);

    ClassInfo(std::string name, const ClassInfo *parent, Storage storage, Factory factory);
    ClassInfo(const ClassInfo &) = delete;
    ClassInfo &operator=(const ClassInfo &) = delete;

    void add_attribute(Attribute attribute);
    void add_routine(Routine routine);
    void set_array_layout(const ArrayLayout &layout);
    // Builds the routine list with the inherited routines; done once, after the declarations.
    void seal();

    const std::string &name() const { return name_; }
    std::uint16_t number() const { return number_; }
    const ClassInfo *parent() const { return parent_; }
    // Reference for object classes; the stored kind for the basic classes.
    Storage storage() const { return storage_; }
    // The class itself, then its ancestors.
    std::vector<const ClassInfo *> conformance() const;
    bool conforms_to(const ClassInfo &other) const;

    const std::vector<Attribute> &attributes() const { return attributes_; }
    const std::vector<std::size_t> &reference_attributes() const { return references_; }
    const Attribute *find_attribute(const char *name) const
    {
        if (name && name == last_attribute_name_ && same_text(name, attributes_[last_attribute_].name))
            return &attributes_[last_attribute_];
        return lookup_attribute(name);
    }
    // Its own routines first, then those of its ancestors in order.
    const Routine *find_routine(const char *name) const
    {
        if (name && name == last_routine_name_ && same_text(name, routines_[last_routine_].name))
            return &routines_[last_routine_];
        return lookup_routine(name);
    }

    bool is_array() const { return array_.element_size != 0; }
    const ArrayLayout &array_layout() const { return array_; }

    // A new object with every attribute at its default, not yet on the heap;
    // null for a class without objects.
    Object *instantiate() const { return factory_ ? factory_(*this) : nullptr; }

private:
    friend class Registry;
    const Attribute *lookup_attribute(const char *name) const;
    const Routine *lookup_routine(const char *name) const;

    std::string name_;
    std::uint16_t number_ = 0;
    const ClassInfo *parent_;
    Storage storage_;
    Factory factory_;
    std::vector<Attribute> attributes_;
    std::vector<std::size_t> references_;
    std::vector<Routine> routines_;
    NameIndex attribute_index_;
    NameIndex routine_index_;
    // The last name each lookup found, by address: the table resolves the
    // same name again at every access, and the text is compared again.
    mutable const char *last_attribute_name_ = nullptr;
    mutable std::size_t last_attribute_ = 0;
    mutable const char *last_routine_name_ = nullptr;
    mutable std::size_t last_routine_ = 0;
    ArrayLayout array_;
};

class Registry {
public:
    static Registry &instance();

    void add(ClassInfo &info);
    std::size_t count() const { return classes_.size(); }
    const ClassInfo *by_number(std::size_t number) const;
    // The first class, in number order, whose name matches.
    const ClassInfo *by_name(const char *name) const;
    // A class handle of the table: a class number, or above 0xFFFF a descriptor's address.
    const ClassInfo *by_handle(std::uintptr_t handle) const;

private:
    std::vector<ClassInfo *> classes_;
    NameIndex names_;
};

// Registers a class at program start, so that it can be found by name.
struct Registration {
    explicit Registration(ClassGetter getter) { getter(); }
};

// ---- From C++ types to kinds and values ----

template <class T>
struct KindOf;

#define ZO_BASIC_KIND(Type, kind_storage, getter)                                                                      \
    template <>                                                                                                        \
    struct KindOf<Type> {                                                                                              \
        static Formal formal() { return {kind_storage, &getter}; }                                                     \
    }
ZO_BASIC_KIND(bool, Storage::Boolean, boolean_class);
ZO_BASIC_KIND(char, Storage::Character, character_class);
ZO_BASIC_KIND(std::int32_t, Storage::Integer, integer_class);
ZO_BASIC_KIND(void *, Storage::Pointer, pointer_class);
ZO_BASIC_KIND(double, Storage::Double, double_class);
#undef ZO_BASIC_KIND

template <class U>
struct KindOf<U *> {
    static_assert(std::is_base_of_v<Object, U>, "a reference attribute points to an application class");
    static Formal formal() { return {Storage::Reference, &U::zo_class}; }
};

template <class T>
T from_scalar(const Scalar &value)
{
    if constexpr (std::is_same_v<T, bool>)
        return value.as_integer() != 0;
    else if constexpr (std::is_same_v<T, char> || std::is_same_v<T, std::int32_t>)
        return static_cast<T>(value.as_integer());
    else if constexpr (std::is_same_v<T, double>)
        return value.as_real();
    else
        return static_cast<T>(value.as_address());
}

template <class T>
Scalar to_scalar(T value)
{
    const Storage storage = KindOf<T>::formal().storage;
    if constexpr (std::is_same_v<T, double>)
        return Scalar::real(value);
    else if constexpr (std::is_pointer_v<T>)
        return Scalar::address(static_cast<void *>(const_cast<std::remove_const_t<std::remove_pointer_t<T>> *>(value)),
                               storage);
    else
        return Scalar::integer(value, storage);
}

template <class Method>
struct MethodTraits;

template <class C, class R, class... A>
struct MethodTraits<R (C::*)(A...)> {
    static_assert(sizeof...(A) <= Routine::kMaxArguments, "too many arguments for a callable routine");

    static std::vector<Formal> arguments() { return {KindOf<std::decay_t<A>>::formal()...}; }
    static Formal result()
    {
        if constexpr (std::is_void_v<R>)
            return {};
        else
            return KindOf<R>::formal();
    }

    template <auto Method, std::size_t... I>
    static Scalar call(Object *target, const Scalar *arguments, std::index_sequence<I...>)
    {
        C *self = static_cast<C *>(target);
        if constexpr (std::is_void_v<R>) {
            (self->*Method)(from_scalar<std::decay_t<A>>(arguments[I])...);
            return Scalar();
        } else {
            return to_scalar<R>((self->*Method)(from_scalar<std::decay_t<A>>(arguments[I])...));
        }
    }

    template <auto Method>
    static Scalar invoke(Object *target, const Scalar *arguments)
    {
        return call<Method>(target, arguments, std::index_sequence_for<A...>{});
    }
};

template <class C, class R, class... A>
struct MethodTraits<R (C::*)(A...) const> : MethodTraits<R (C::*)(A...)> {
    template <auto Method>
    static Scalar invoke(Object *target, const Scalar *arguments)
    {
        return MethodTraits<R (C::*)(A...)>::template call<Method>(target, arguments, std::index_sequence_for<A...>{});
    }
};

template <class M, class C>
M member_type(M C::*);

// The declarations of one class.
template <class T>
class ClassBuilder {
public:
    using Class = T;

    explicit ClassBuilder(ClassInfo &info) : info_(info) {}

    template <auto Member>
    ClassBuilder &attribute(const char *name)
    {
        using M = decltype(member_type(Member));
        info_.add_attribute({name, KindOf<M>::formal(), &locate<Member>});
        return *this;
    }

    // A double attribute of kind REAL.
    template <auto Member>
    ClassBuilder &real(const char *name)
    {
        static_assert(std::is_same_v<decltype(member_type(Member)), double>, "a REAL attribute is a double");
        info_.add_attribute({name, {Storage::Real, &real_class}, &locate<Member>});
        return *this;
    }

    template <auto Method>
    ClassBuilder &routine(const char *name)
    {
        using Traits = MethodTraits<decltype(Method)>;
        info_.add_routine({name, Traits::arguments(), Traits::result(), &Traits::template invoke<Method>});
        return *this;
    }

private:
    template <auto Member>
    static void *locate(Object *object)
    {
        return &(static_cast<T *>(object)->*Member);
    }

    ClassInfo &info_;
};

template <class T>
Object *make_default(const ClassInfo &)
{
    if constexpr (std::is_default_constructible_v<T>)
        return new T();
    else
        return nullptr;
}

// Builds, registers and returns the metadata of T; it lives for the whole run.
template <class T>
const ClassInfo &define_class(const char *name, void (*describe)(ClassBuilder<T> &))
{
    const ClassInfo *parent = nullptr;
    if constexpr (!std::is_void_v<typename T::zo_parent>)
        parent = &T::zo_parent::zo_class();
    auto *info = new ClassInfo(name, parent, Storage::Reference, &make_default<T>);
    ClassBuilder<T> builder(*info);
    describe(builder);
    info->seal();
    Registry::instance().add(*info);
    return *info;
}

} // namespace zo

#define ZO_CONCAT_(a, b) a##b
#define ZO_CONCAT(a, b) ZO_CONCAT_(a, b)

// The declaration of an application class: its registry name and a block
// that declares its attributes and routines through the builder named `c`.
#define ZO_CLASS(Type, class_name, c)                                                                                  \
    static void ZO_CONCAT(zo_describe_, __LINE__)(::zo::ClassBuilder<Type> &);                                         \
    const ::zo::ClassInfo &Type::zo_class()                                                                            \
    {                                                                                                                  \
        static const ::zo::ClassInfo &info = ::zo::define_class<Type>(class_name, &ZO_CONCAT(zo_describe_, __LINE__)); \
        return info;                                                                                                   \
    }                                                                                                                  \
    static const ::zo::Registration ZO_CONCAT(zo_registration_, __LINE__)(&Type::zo_class);                            \
    static void ZO_CONCAT(zo_describe_, __LINE__)([[maybe_unused]] ::zo::ClassBuilder<Type> & c)

// ZO_FOR_EACH_(step, c, a, b, ...) is step(c, a) step(c, b) ...; every name
// takes one rescan of ZO_EXPAND_, which gives more than 64.
#define ZO_PARENS_ ()
#define ZO_EXPAND_(...) ZO_EXPAND3_(ZO_EXPAND3_(ZO_EXPAND3_(ZO_EXPAND3_(__VA_ARGS__))))
#define ZO_EXPAND3_(...) ZO_EXPAND2_(ZO_EXPAND2_(ZO_EXPAND2_(ZO_EXPAND2_(__VA_ARGS__))))
#define ZO_EXPAND2_(...) ZO_EXPAND1_(ZO_EXPAND1_(ZO_EXPAND1_(ZO_EXPAND1_(__VA_ARGS__))))
#define ZO_EXPAND1_(...) __VA_ARGS__
#define ZO_FOR_EACH_(step, c, ...) __VA_OPT__(ZO_EXPAND_(ZO_FOR_EACH_STEP_(step, c, __VA_ARGS__)))
#define ZO_FOR_EACH_STEP_(step, c, member, ...)                                                                        \
    step(c, member) __VA_OPT__(ZO_FOR_EACH_AGAIN_ ZO_PARENS_(step, c, __VA_ARGS__))
#define ZO_FOR_EACH_AGAIN_() ZO_FOR_EACH_STEP_

#define ZO_MEMBER_(c, member) &std::remove_reference_t<decltype(c)>::Class::member
#define ZO_ATTRIBUTE_(c, member) .attribute<ZO_MEMBER_(c, member)>(#member)
#define ZO_REAL_(c, member) .real<ZO_MEMBER_(c, member)>(#member)
#define ZO_ROUTINE_(c, member) .routine<ZO_MEMBER_(c, member)>(#member)

// Declarations in a ZO_CLASS block through its builder c, by member names.
#define ZO_ATTRIBUTES(c, ...) c ZO_FOR_EACH_(ZO_ATTRIBUTE_, c, __VA_ARGS__)
#define ZO_REALS(c, ...) c ZO_FOR_EACH_(ZO_REAL_, c, __VA_ARGS__)
#define ZO_ROUTINES(c, ...) c ZO_FOR_EACH_(ZO_ROUTINE_, c, __VA_ARGS__)

#endif
