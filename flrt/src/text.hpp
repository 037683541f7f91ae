// printf-style formatting into a std::string.
#ifndef FLRT_TEXT_HPP
#define FLRT_TEXT_HPP

#include <string>

namespace flrt {

std::string format(const char *pattern, ...) __attribute__((format(printf, 1, 2)));

// Copies text into a fixed buffer of `size` bytes, cut to size - 1 characters.
void copy_cut(char *buffer, size_t size, const char *text);

} // namespace flrt

#endif
