// Whole-file reading and writing for the tool.
#ifndef FLFTOOL_FILES_HPP
#define FLFTOOL_FILES_HPP

#include <string>

namespace flftool {

// Raise ToolError naming the file when they fail.
std::string read_file(const std::string &file_name);
// Writes a scratch file beside the target and renames it over the target
// only when complete, so a failure leaves an existing file as it was.
void write_file(const std::string &file_name, const std::string &bytes);

} // namespace flftool

#endif
