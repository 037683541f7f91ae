// Natively the test program's own fsync and rename, which the library's calls
// reach too: they record what happens to which file before doing it.
#include "test_support.hpp"

#if !defined(_WIN32)

#include <cstdio>
#include <dlfcn.h>
#include <mutex>
#include <unistd.h>

namespace {

std::mutex events_lock;
std::vector<std::string> events;

void Note(const std::string &event)
{
    std::lock_guard<std::mutex> guard(events_lock);
    events.push_back(event);
}

std::string PathOf(int fd)
{
    char link[64], path[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t length = ::readlink(link, path, sizeof path - 1);
    return length > 0 ? std::string(path, size_t(length)) : std::string();
}

template <typename Function>
Function Next(const char *name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" int fsync(int fd)
{
    Note("sync " + PathOf(fd));
    static auto real = Next<int (*)(int)>("fsync");
    return real(fd);
}

extern "C" int rename(const char *from, const char *to) noexcept
{
    Note(std::string("rename ") + from + " -> " + to);
    static auto real = Next<int (*)(const char *, const char *)>("rename");
    return real(from, to);
}

namespace fltest {

bool FileEvents::available()
{
    return true;
}

FileEvents::FileEvents()
{
    std::lock_guard<std::mutex> guard(events_lock);
    events.clear();
}

std::vector<std::string> FileEvents::seen() const
{
    std::lock_guard<std::mutex> guard(events_lock);
    return events;
}

} // namespace fltest

#else

namespace fltest {

bool FileEvents::available()
{
    return false;
}
FileEvents::FileEvents() {}
std::vector<std::string> FileEvents::seen() const
{
    return {};
}

} // namespace fltest

#endif
