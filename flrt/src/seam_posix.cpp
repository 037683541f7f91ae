// The Linux build's seam where Windows shows boxes: assertions and
// routine-call exceptions are recorded for the test that drives the runtime
// (an assertion is answered No), a fatal error is printed and ends the
// process as the box does; the call trace has no window to write to.
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>

#include "jni_runtime.hpp"
#include "text.hpp"

namespace {

std::deque<std::string> g_reports;
std::string g_taken;

void record(std::string text)
{
    g_reports.push_back(std::move(text));
}

[[noreturn]] void end_with(const std::string &text)
{
    std::fprintf(stderr, "Formloom reported Error: %s\n", text.c_str());
    std::fflush(stderr);
    std::_Exit(255); // exit code -1, as on Windows
}

} // namespace

namespace flrt {

void report_unhandled(const std::string &text)
{
    record("Unhandled exception: " + text);
}

} // namespace flrt

using flrt::format;

extern "C" {

FLRT_API const char *FLRT_CALL flrt_next_report(void)
{
    if (g_reports.empty())
        return nullptr;
    g_taken = g_reports.front();
    g_reports.pop_front();
    return g_taken.c_str();
}

FLRT_API void FLRT_CALL flrt_assert(const char *module, int line)
{
    record(format("Assertion: File %s, Line %d", module, line));
}

FLRT_API void FLRT_CALL flrt_assert_msg(const char *message, const char *module, int line)
{
    record(format("Assertion: %s (File %s, Line %d)", message, module, line));
}

FLRT_API void FLRT_CALL flrt_assert_name(const char *message, const char *name, const char *module, int line)
{
    record(format("Assertion: %s \"%s\" (File %s, Line %d)", message, name ? name : "", module, line));
}

FLRT_API void FLRT_CALL flrt_fatal(const char *text)
{
    end_with(text ? text : "");
}

FLRT_API void FLRT_CALL flrt_fatal_detail(const char *text, const char *detail)
{
    end_with(format("%s (%s)", text ? text : "", detail ? detail : ""));
}

FLRT_API void FLRT_CALL flrt_trace_set_switch(int) {}
FLRT_API void FLRT_CALL flrt_trace_line(const char *) {}
FLRT_API void FLRT_CALL flrt_trace_call(const char *, const char *, const char *) {}

} // extern "C"
