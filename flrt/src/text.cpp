#include "text.hpp"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace flrt {

std::string format(const char *pattern, ...)
{
    va_list args;
    va_start(args, pattern);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, pattern, args);
    va_end(args);
    std::string text(length > 0 ? length : 0, '\0');
    if (length > 0)
        std::vsnprintf(text.data(), text.size() + 1, pattern, again);
    va_end(again);
    return text;
}

void copy_cut(char *buffer, size_t size, const char *text)
{
    if (size == 0)
        return;
    const size_t length = std::min(std::strlen(text), size - 1);
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
}

} // namespace flrt
