// Errors of the tool: source errors carry a position, tool errors do not.
#ifndef FLFTOOL_DIAGNOSTICS_HPP
#define FLFTOOL_DIAGNOSTICS_HPP

#include <cstdint>
#include <stdexcept>
#include <string>

#include "tree.hpp"

namespace flftool {

// A fault in a form source or vocabulary list, at a line and column.
class SourceError : public std::runtime_error {
public:
    SourceError(SourcePos pos, const std::string &message) : std::runtime_error(message), pos_(pos) {}
    SourcePos pos() const { return pos_; }

private:
    SourcePos pos_;
};

// Any other failure: a file that cannot be read or written, a library error.
class ToolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "FILE:LINE:COLUMN: error: MESSAGE", the form compilers and editors know.
std::string format_source_error(const std::string &file, const SourceError &error);

std::string describe_system_error(uint32_t code);
// Turns the library error being handled into a ToolError after the context.
[[noreturn]] void rethrow_library_error(const std::string &context);

// Runs a library call and turns what it raises into a ToolError that starts
// with the given context ("cannot save out.flf").
template <class Call>
auto with_library_errors(const std::string &context, Call call) -> decltype(call())
{
    try {
        return call();
    } catch (const ToolError &) {
        throw;
    } catch (const SourceError &) {
        throw;
    } catch (...) {
        rethrow_library_error(context);
    }
}

} // namespace flftool

#endif
