// Runs scenarios in a child process of the test program: for paths that end
// the process, and for settings (locale, command line) fixed at process start.
#ifndef FLRT_TEST_CHILD_HPP
#define FLRT_TEST_CHILD_HPP

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace fltest {

using Scenario = std::function<int(const std::vector<std::string> &arguments)>;

// Registers a scenario under a name; used by FLTEST_CHILD_SCENARIO.
bool register_scenario(const std::string &name, Scenario scenario);

struct ChildResult {
    bool finished = false;
    unsigned long exit_code = 0;
    unsigned long error = 0; // why the child could not be started or waited for
};

// Starts this program running the named scenario with the extra arguments
// and environment settings, and waits for its end.
ChildResult run_child(const std::string &scenario, const std::vector<std::string> &arguments = {},
                      const std::map<std::string, std::string> &environment = {}, int timeout_ms = 60000);

// Entry of a test program: runs a scenario when started as a child, else the tests.
int harness_main(int argc, char **argv);

} // namespace fltest

#define FLTEST_CHILD_SCENARIO(name)                                                                                    \
    static int name##_scenario(const std::vector<std::string> &arguments);                                             \
    static const bool name##_registered = fltest::register_scenario(#name, name##_scenario);                           \
    static int name##_scenario([[maybe_unused]] const std::vector<std::string> &arguments)

#endif
