#include "child.hpp"

#include <windows.h>

#include <gtest/gtest.h>

#include "box_answerer.hpp"
#include "wait.hpp"

#include <cstring>
#include <memory>

namespace fltest {
namespace {

constexpr const char *kChildOption = "--fl-child=";

std::map<std::string, Scenario> &scenarios()
{
    static std::map<std::string, Scenario> registry;
    return registry;
}

std::string quoted(const std::string &argument)
{
    return "\"" + argument + "\"";
}

// The current environment with the given settings replacing or adding variables.
std::string environment_block(const std::map<std::string, std::string> &settings)
{
    std::map<std::string, std::string> variables;
    const std::unique_ptr<char, decltype(&FreeEnvironmentStringsA)> block(GetEnvironmentStringsA(),
                                                                          &FreeEnvironmentStringsA);
    for (const char *entry = block.get(); *entry; entry += std::strlen(entry) + 1) {
        const char *equals = std::strchr(entry + 1, '=');
        if (equals)
            variables[std::string(entry, equals)] = equals + 1;
    }
    for (const auto &[name, value] : settings)
        variables[name] = value;
    std::string result;
    for (const auto &[name, value] : variables)
        result += name + "=" + value + '\0';
    return result + '\0';
}

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// Under Wine on an emulated CPU, unwinding the exception that carries debug
// output crashes the process; GoogleTest sends every failure message there.
// Continuing at once makes the debug output a no-op.
LONG CALLBACK ignore_debug_output(EXCEPTION_POINTERS *info)
{
    return info->ExceptionRecord->ExceptionCode == DBG_PRINTEXCEPTION_C ? EXCEPTION_CONTINUE_EXECUTION
                                                                        : EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

bool register_scenario(const std::string &name, Scenario scenario)
{
    scenarios()[name] = std::move(scenario);
    return true;
}

ChildResult run_child(const std::string &scenario, const std::vector<std::string> &arguments,
                      const std::map<std::string, std::string> &environment, int timeout_ms)
{
    char program[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string command = quoted(program) + " " + kChildOption + scenario;
    for (const std::string &argument : arguments)
        command += " " + quoted(argument);
    std::string env = environment_block(environment);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ChildResult result;
    if (!CreateProcessA(program, command.data(), nullptr, nullptr, FALSE, 0, env.data(), nullptr, &startup, &process)) {
        result.error = GetLastError();
        return result;
    }
    const Handle process_handle(process.hProcess);
    const Handle thread_handle(process.hThread);
    if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(timeout_ms)) != WAIT_OBJECT_0) {
        result.error = GetLastError();
        TerminateProcess(process.hProcess, 99);
        return result;
    }
    result.finished = true;
    GetExitCodeProcess(process.hProcess, &result.exit_code);
    return result;
}

int harness_main(int argc, char **argv)
{
    AddVectoredExceptionHandler(1, ignore_debug_output);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], kChildOption, std::strlen(kChildOption)) != 0)
            continue;
        const auto found = scenarios().find(argv[i] + std::strlen(kChildOption));
        if (found == scenarios().end())
            return 98;
        return found->second(std::vector<std::string>(argv + i + 1, argv + argc));
    }
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    stop_answerer();
    // Windows of the tests (the trace window) go before the process ends.
    pump_messages();
    return result;
}

} // namespace fltest
