// The name server: property names and their signs, kept in a name file and
// written out as constant files for client programs.
#ifndef FLFILEIO_NAMESERVER_HPP
#define FLFILEIO_NAMESERVER_HPP

#include "flfileio.h"

#include <memory>
#include <string>
#include <vector>

struct NameEntry {
    std::string name;
    int32_t sign;
};

class NameServer {
public:
    static std::unique_ptr<NameServer> Open(const char *file_name);
    void Save(const char *file_name) const;
    void WriteCHeader(const char *file_name) const;
    void WriteClassText(const char *file_name) const;

    // The sign of a name, given the next sign when the name is new.
    int32_t Add(const char *name);
    // 0 when the name is not present.
    int32_t SignOf(const char *name) const;
    // None when the sign is not present.
    const char *NameOf(int32_t sign) const;
    void Remove(int32_t sign);

    int Count() const { return static_cast<int>(by_name_.size()); }
    const NameEntry *At(int position) const;

private:
    int SearchName(const char *name) const;
    int SearchSign(int32_t sign) const;
    void Insert(const NameEntry &entry);
    void WriteConstants(const char *file_name, const char *head, const char *line_pattern, const char *tail) const;

    std::vector<NameEntry> by_name_;
    std::vector<NameEntry> by_sign_;
    int32_t next_sign_ = 1;
};

#endif // FLFILEIO_NAMESERVER_HPP
