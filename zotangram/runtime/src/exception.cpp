#include "zo/exception.hpp"

#include <cstdio>
#include <cstdlib>

namespace zo {
namespace {

constexpr int kApplicationExceptionCode = 1;

void report_on_stderr(const std::string &message)
{
    std::fprintf(stderr, "Unhandled exception: %s\n", message.c_str());
    std::fflush(stderr);
}

ExceptionReporter g_reporter = &report_on_stderr;
UnhandledCleanup g_cleanup = nullptr;

void run_cleanup_once()
{
    UnhandledCleanup cleanup = g_cleanup;
    g_cleanup = nullptr; // a failure inside the cleanup does not run it again
    if (!cleanup)
        return;
    try {
        cleanup();
    } catch (...) {
        // The run ends all the same.
    }
}

[[noreturn]] void on_terminate()
{
    end_with_unhandled(std::current_exception());
}

} // namespace

void raise(const std::string &message)
{
    throw Exception(kApplicationExceptionCode, message);
}

void set_exception_reporter(ExceptionReporter reporter)
{
    g_reporter = reporter ? reporter : &report_on_stderr;
}

std::string describe(const std::exception_ptr &exception)
{
    if (!exception)
        return "Program terminated";
    try {
        std::rethrow_exception(exception);
    } catch (const Exception &e) {
        return e.message().empty() ? "Exception " + std::to_string(e.code()) : e.message();
    } catch (const std::exception &e) {
        return e.what();
    } catch (...) {
        return "Unknown exception";
    }
}

void set_unhandled_cleanup(UnhandledCleanup cleanup)
{
    g_cleanup = cleanup;
}

void end_with_unhandled(const std::exception_ptr &exception)
{
    g_reporter(describe(exception));
    run_cleanup_once();
    std::_Exit(kUnhandledExceptionExitCode);
}

void install_unhandled_exception_path()
{
    std::set_terminate(&on_terminate);
}

int run_program(void (*root)())
{
    install_unhandled_exception_path();
    try {
        root();
    } catch (...) {
        end_with_unhandled(std::current_exception());
    }
    return 0;
}

} // namespace zo
