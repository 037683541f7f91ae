#include "diagnostics.hpp"

#include <memory>
#include <new>
#include <system_error>

namespace flftool {

std::string format_source_error(const std::string &file, const SourceError &error)
{
    return file + ":" + std::to_string(error.pos().line) + ":" + std::to_string(error.pos().column) +
           ": error: " + error.what();
}

std::string describe_system_error(uint32_t code)
{
    std::string text = std::system_category().message(static_cast<int>(code));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.'))
        text.pop_back();
    return text + " (system error " + std::to_string(code) + ")";
}

// The library raises file and database errors by pointer and the system error
// code by value; the pointers belong to the catcher.
void rethrow_library_error(const std::string &context)
{
    try {
        throw;
    } catch (file_exception *raised) {
        std::unique_ptr<file_exception> error(raised);
        throw ToolError(context + ": " + error->message());
    } catch (mexception *raised) {
        std::unique_ptr<mexception> error(raised);
        throw ToolError(context + ": " + error->message());
    } catch (flf_system_error code) {
        throw ToolError(context + ": " + describe_system_error(code));
    } catch (const std::bad_alloc &) {
        throw ToolError(context + ": out of memory");
    } catch (const std::exception &error) {
        throw ToolError(context + ": " + error.what());
    }
}

} // namespace flftool
