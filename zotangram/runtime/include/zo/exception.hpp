// Application exceptions and the path of one that no routine rescues.
#ifndef ZO_EXCEPTION_HPP
#define ZO_EXCEPTION_HPP

#include <exception>
#include <string>

namespace zo {

class Object;

class Exception : public std::exception {
public:
    Exception(int code, std::string message, Object *carried = nullptr)
        : code_(code), message_(std::move(message)), carried_(carried)
    {}

    int code() const { return code_; }
    const std::string &message() const { return message_; }
    Object *carried() const { return carried_; }
    const char *what() const noexcept override { return message_.c_str(); }

private:
    int code_;
    std::string message_;
    Object *carried_;
};

// The code of the exceptions that the native interface table raises.
constexpr int kTableExceptionCode = 999;

// The exit code of a run ended by an exception that no routine rescued: the
// code a C++ program gets when it aborts.
constexpr int kUnhandledExceptionExitCode = 3;

// Raises an application exception with the default code.
[[noreturn]] void raise(const std::string &message);

// Shows the message of an unhandled exception to the user; by default on the
// standard error stream. A program with windows installs a message box.
using ExceptionReporter = void (*)(const std::string &message);
void set_exception_reporter(ExceptionReporter reporter);

// The text shown for an exception: its message, or its code when it has none.
std::string describe(const std::exception_ptr &exception);

// What the program must let go before an unhandled exception ends it (COM
// references, say, that a server process waits for). Runs once, after the
// report; null removes it.
using UnhandledCleanup = void (*)();
void set_unhandled_cleanup(UnhandledCleanup cleanup);

// Reports the exception, runs the cleanup and ends the process with kUnhandledExceptionExitCode.
[[noreturn]] void end_with_unhandled(const std::exception_ptr &exception);

// Makes every exception that leaves the program's routines, even one that
// escapes through a window procedure, end the run through end_with_unhandled.
void install_unhandled_exception_path();

// Runs the program's root routine; an exception it does not rescue ends the
// run as above. Answers 0 when the routine returns.
int run_program(void (*root)());

} // namespace zo

#endif
