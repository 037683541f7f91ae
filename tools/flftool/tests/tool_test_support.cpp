#include "tool_test_support.hpp"

#include <fstream>
#include <random>
#include <sstream>
#include <vector>

#include "name_base.hpp"
#include "parser.hpp"
#include "resource_io.hpp"
#include "writer.hpp"

namespace flftool::test {

std::string bytes_of_file(const std::string &file_name)
{
    std::ifstream in(file_name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void put_file(const std::string &file_name, const std::string &bytes)
{
    std::ofstream out(file_name, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string dump_file(const std::string &file_name, const NameTable &names)
{
    std::vector<std::string> warnings;
    return Writer(names).write(load_resource_file(file_name, warnings));
}

void build_source(const std::string &source, const std::string &file_name, const NameTable &names)
{
    build_resource_file(parse_source(source, names), file_name);
}

std::string repo_forms_dir()
{
    return FLFTOOL_FORMS_DIR;
}

NameTable vocabulary()
{
    NameTable names;
    for (const NameEntry &entry : parse_name_list(bytes_of_file(repo_forms_dir() + "/vocabulary.txt")))
        names.add(entry.name, entry.sign);
    return names;
}

} // namespace flftool::test
