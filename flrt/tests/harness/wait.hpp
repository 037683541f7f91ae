// Waiting for a condition with a timeout, pumping the calling thread's messages meanwhile.
#ifndef FLRT_TEST_WAIT_HPP
#define FLRT_TEST_WAIT_HPP

#include <functional>

namespace fltest {

// Long enough for a loaded machine running Wine under emulation.
constexpr int kDefaultTimeoutMs = 20000;

// True as soon as the condition holds; false when the timeout passed first.
bool wait_until(const std::function<bool()> &condition, int timeout_ms = kDefaultTimeoutMs);

// Dispatches the messages waiting for this thread; a quit request stays queued.
void pump_messages();

} // namespace fltest

#endif
