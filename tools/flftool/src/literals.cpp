#include "literals.hpp"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace flftool {

bool is_identifier(std::string_view text)
{
    if (text.empty())
        return false;
    auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (!letter(text[0]))
        return false;
    for (char c : text)
        if (!letter(c) && !digit(c))
            return false;
    return true;
}

static void append_escaped(std::string &out, unsigned char byte, char quote)
{
    switch (byte) {
    case '\\': out += "\\\\"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    default: break;
    }
    if (byte == static_cast<unsigned char>(quote)) {
        out += '\\';
        out += quote;
    } else if (byte < 0x20 || byte >= 0x7F) {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, "\\x%02X", byte);
        out += buffer;
    } else {
        out += static_cast<char>(byte);
    }
}

std::string quote_string(std::string_view bytes)
{
    std::string out = "\"";
    for (char c : bytes)
        append_escaped(out, static_cast<unsigned char>(c), '"');
    return out + "\"";
}

std::string quote_character(unsigned char byte)
{
    std::string out = "'";
    append_escaped(out, byte, '\'');
    return out + "'";
}

std::string format_hex(uint32_t value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(value));
    return buffer;
}

std::string format_integer(int32_t value)
{
    if (value >= -0xFFFF && value <= 0xFFFF)
        return std::to_string(value);
    return format_hex(static_cast<uint32_t>(value));
}

std::string format_double(double value)
{
    if (std::isnan(value)) {
        uint64_t bits = std::bit_cast<uint64_t>(value);
        if (bits == kPlainNanBits)
            return "nan";
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, "nan(0x%016llX)", static_cast<unsigned long long>(bits));
        return buffer;
    }
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    if (text.find_first_of(".e") == std::string::npos)
        text += ".0";
    return text;
}

} // namespace flftool
