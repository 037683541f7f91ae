// flftool: form sources, resource files and name bases on the command line.
#include <iostream>
#include <string>
#include <vector>

#include "commands.hpp"

int main(int argc, char **argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return flftool::run_tool(arguments, std::cout, std::cerr);
}
