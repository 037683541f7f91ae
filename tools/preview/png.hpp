// A PNG file of 8-bit RGB pixels, written without compression.
#ifndef FLPREVIEW_PNG_HPP
#define FLPREVIEW_PNG_HPP

#include <string>
#include <vector>

namespace flpreview {

// rgb holds width * height * 3 bytes, rows from the top; false when the file
// cannot be written.
bool write_png(const std::string &file_name, int width, int height, const std::vector<unsigned char> &rgb);

} // namespace flpreview

#endif
