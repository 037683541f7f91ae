// Helpers of the flftool tests: scratch folders, whole files, and the dump
// and build steps run in process.
#ifndef FLFTOOL_TOOL_TEST_SUPPORT_HPP
#define FLFTOOL_TOOL_TEST_SUPPORT_HPP

#include <filesystem>
#include <string>

#include "names.hpp"
#include "scratch_dir.hpp"
#include "tree.hpp"

namespace flftool::test {

using fltest::ScratchDir;

std::string bytes_of_file(const std::string &file_name);
void put_file(const std::string &file_name, const std::string &bytes);

// dump: the source text of a resource file; build: a source into a file.
std::string dump_file(const std::string &file_name, const NameTable &names = NameTable());
void build_source(const std::string &source, const std::string &file_name, const NameTable &names = NameTable());

// The form vocabulary of the repo as a name table.
NameTable vocabulary();
std::string repo_forms_dir();

} // namespace flftool::test

#endif
