// Spelling of the simple values in form sources, shared by the lexer (which
// reads them) and the writer (which writes them). Every value written here
// reads back to the same bits.
#ifndef FLFTOOL_LITERALS_HPP
#define FLFTOOL_LITERALS_HPP

#include <cstdint>
#include <string>
#include <string_view>

namespace flftool {

// The quiet NaN that "nan" stands for.
constexpr uint64_t kPlainNanBits = 0x7FF8000000000000ull;

bool is_identifier(std::string_view text);
std::string quote_string(std::string_view bytes);
std::string quote_character(unsigned char byte);
// Decimal in the range of 16-bit numbers, hexadecimal beyond (style bits,
// colors and flags read better so).
std::string format_integer(int32_t value);
std::string format_hex(uint32_t value);
// The shortest text that reads back to the same double; always with a point
// or an exponent; inf, -inf, nan and nan(0x...) for the rest.
std::string format_double(double value);

} // namespace flftool

#endif
