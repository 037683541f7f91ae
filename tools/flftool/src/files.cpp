#include "files.hpp"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

#include "diagnostics.hpp"

namespace flftool {

std::string read_file(const std::string &file_name)
{
    std::ifstream in(file_name, std::ios::binary);
    if (!in)
        throw ToolError("cannot open " + file_name);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad())
        throw ToolError("cannot read " + file_name);
    return bytes.str();
}

void write_file(const std::string &file_name, const std::string &bytes)
{
    std::string scratch = file_name + ".tmp" + std::to_string(std::random_device{}() % 100000);
    {
        std::ofstream out(scratch, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(scratch, ignored);
            throw ToolError("cannot write " + file_name);
        }
    }
    std::error_code error;
    std::filesystem::rename(scratch, file_name, error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(scratch, ignored);
        throw ToolError("cannot write " + file_name + ": " + error.message());
    }
}

} // namespace flftool
