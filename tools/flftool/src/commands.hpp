// The command line of flftool.
#ifndef FLFTOOL_COMMANDS_HPP
#define FLFTOOL_COMMANDS_HPP

#include <ostream>
#include <string>
#include <vector>

namespace flftool {

// Runs one command line (without the program name); answers the exit code:
// 0 done, 1 failed, 2 misused.
int run_tool(const std::vector<std::string> &arguments, std::ostream &out, std::ostream &err);

} // namespace flftool

#endif
