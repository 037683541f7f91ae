// One value on its way between the native interface table and an object:
// what an attribute holds, what a routine takes or answers.
#ifndef ZO_SCALAR_HPP
#define ZO_SCALAR_HPP

#include <cstdint>

namespace zo {

class Object;

// How a value is stored in an object.
enum class Storage : std::uint8_t { None, Boolean, Character, Integer, Pointer, Real, Double, Reference };

class Scalar {
public:
    Scalar() = default;
    static Scalar integer(std::int64_t value, Storage storage = Storage::Integer)
    {
        Scalar scalar(storage);
        scalar.integer_ = value;
        return scalar;
    }
    static Scalar real(double value, Storage storage = Storage::Double)
    {
        Scalar scalar(storage);
        scalar.real_ = value;
        return scalar;
    }
    static Scalar address(void *value, Storage storage)
    {
        Scalar scalar(storage);
        scalar.address_ = value;
        return scalar;
    }

    Storage storage() const { return storage_; }
    bool is_real() const { return storage_ == Storage::Real || storage_ == Storage::Double; }
    bool is_address() const { return storage_ == Storage::Pointer || storage_ == Storage::Reference; }

    // The value as a number of each shape; reals are truncated (saturating).
    std::int64_t as_integer() const
    {
        if (is_address())
            return static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(address_));
        return is_real() ? truncated(real_) : integer_;
    }
    double as_real() const { return is_real() ? real_ : static_cast<double>(as_integer()); }
    // The value as an address: an integer carries a 32-bit handle.
    void *as_address() const
    {
        if (is_address())
            return address_;
        return reinterpret_cast<void *>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(as_integer())));
    }
    // A 32-bit handle of an address, when the address fits.
    bool fits_32_bits() const { return reinterpret_cast<std::uintptr_t>(as_address()) <= 0xFFFFFFFFu; }

private:
    explicit Scalar(Storage storage) : storage_(storage) {}
    static std::int64_t truncated(double value);

    Storage storage_ = Storage::None;
    std::int64_t integer_ = 0;
    double real_ = 0.0;
    void *address_ = nullptr;
};

} // namespace zo

#endif
