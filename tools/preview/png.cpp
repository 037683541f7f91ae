#include "png.hpp"

#include <cstdint>
#include <cstdio>

namespace flpreview {

namespace {

uint32_t crc32(const unsigned char *data, size_t size, uint32_t crc = 0)
{
    static uint32_t table[256];
    if (!table[1])
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    crc = ~crc;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void put32(std::vector<unsigned char> &out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

void chunk(std::vector<unsigned char> &out, const char *type, const std::vector<unsigned char> &data)
{
    put32(out, static_cast<uint32_t>(data.size()));
    std::vector<unsigned char> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    put32(out, crc32(typed.data(), typed.size()));
}

// A zlib stream of stored deflate blocks.
std::vector<unsigned char> stored_zlib(const std::vector<unsigned char> &raw)
{
    std::vector<unsigned char> out = {0x78, 0x01};
    size_t offset = 0;
    do {
        const size_t size = raw.size() - offset < 65535 ? raw.size() - offset : 65535;
        out.push_back(offset + size == raw.size() ? 1 : 0);
        out.push_back(static_cast<unsigned char>(size));
        out.push_back(static_cast<unsigned char>(size >> 8));
        out.push_back(static_cast<unsigned char>(~size));
        out.push_back(static_cast<unsigned char>(~size >> 8));
        out.insert(out.end(), raw.begin() + static_cast<long>(offset), raw.begin() + static_cast<long>(offset + size));
        offset += size;
    } while (offset < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    put32(out, b << 16 | a);
    return out;
}

} // namespace

bool write_png(const std::string &file_name, int width, int height, const std::vector<unsigned char> &rgb)
{
    std::vector<unsigned char> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0); // no filter
        const auto row = rgb.begin() + static_cast<long>(y) * width * 3;
        raw.insert(raw.end(), row, row + width * 3);
    }
    std::vector<unsigned char> header;
    put32(header, static_cast<uint32_t>(width));
    put32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8-bit RGB
    std::vector<unsigned char> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    chunk(file, "IHDR", header);
    chunk(file, "IDAT", stored_zlib(raw));
    chunk(file, "IEND", {});
    FILE *out = std::fopen(file_name.c_str(), "wb");
    if (!out)
        return false;
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}

} // namespace flpreview
