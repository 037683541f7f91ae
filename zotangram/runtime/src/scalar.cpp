#include "zo/scalar.hpp"

#include <cmath>
#include <limits>

namespace zo {

std::int64_t Scalar::truncated(double value)
{
    // A real that no integer holds saturates instead of being undefined.
    using Limits = std::numeric_limits<std::int64_t>;
    if (std::isnan(value))
        return 0;
    if (value <= static_cast<double>(Limits::min()))
        return Limits::min();
    if (value >= static_cast<double>(Limits::max()))
        return Limits::max();
    return static_cast<std::int64_t>(value);
}

} // namespace zo
