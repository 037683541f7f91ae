// Reading a resource file into a document (the dumper's input) and building a
// resource file from a document, both through the flf_ functions.
#ifndef FLFTOOL_RESOURCE_IO_HPP
#define FLFTOOL_RESOURCE_IO_HPP

#include <string>
#include <vector>

#include "tree.hpp"

namespace flftool {

// Raises ToolError when the file cannot be read. Warnings name what a source
// cannot express (a class name stored twice).
Document load_resource_file(const std::string &file_name, std::vector<std::string> &warnings);

// Checks that the library can produce what the document says (SourceError at
// the form or statement that it cannot), then builds and saves the file. A
// failed build leaves an existing file as it was.
void build_resource_file(const Document &document, const std::string &file_name);

} // namespace flftool

#endif
