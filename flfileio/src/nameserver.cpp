#include "nameserver.hpp"
#include "stobject.hpp"
#include "storage.hpp"

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

const char kNameFileHeader[] = "Formloom string resources\n";
constexpr int kSmallestNameEntryBytes = 8; // empty name and sign

void WriteText(CAbstrFile &stream, const std::string &text)
{
    stream.WriteBytes(text.data(), static_cast<int32_t>(text.size()));
}

} // namespace

std::unique_ptr<NameServer> NameServer::Open(const char *file_name)
{
    auto server = std::make_unique<NameServer>();
    CBinFile stream(file_name, CBinFile::ForReading);
    stream.ReadString(); // header, not checked
    stream.ReadInt();    // reserved
    server->next_sign_ = stream.ReadInt();
    int32_t count = CheckedCount(stream, stream.ReadInt(), kSmallestNameEntryBytes);
    std::vector<NameEntry> read;
    for (; count > 0; --count) {
        const char *name = stream.ReadString();
        NameEntry entry{name ? name : "", 0};
        entry.sign = stream.ReadInt();
        read.push_back(std::move(entry));
    }
    InsertAllAsRead(server->by_sign_, read, [](const NameEntry &a, const NameEntry &b) { return a.sign < b.sign; });
    InsertAllAsRead(server->by_name_, std::move(read),
                    [](const NameEntry &a, const NameEntry &b) { return a.name < b.name; });
    return server;
}

void NameServer::Save(const char *file_name) const
{
    WriteFileSafely(file_name, [&](CAbstrFile &stream) {
        stream.WriteString(kNameFileHeader);
        stream.WriteInt(0);
        stream.WriteInt(next_sign_);
        stream.WriteInt(Count());
        for (const NameEntry &entry : by_name_) {
            stream.WriteString(entry.name.c_str());
            stream.WriteInt(entry.sign);
        }
    });
}

void NameServer::WriteConstants(const char *file_name, const char *head, const char *line_pattern,
                                const char *tail) const
{
    WriteFileSafely(file_name, [&](CAbstrFile &stream) {
        WriteText(stream, head);
        for (const NameEntry &entry : by_name_) {
            char line[128];
            int length = std::snprintf(line, sizeof line, line_pattern, entry.name.c_str(), entry.sign);
            stream.WriteBytes(line, length < int(sizeof line) ? length : int(sizeof line) - 1);
        }
        WriteText(stream, tail);
    });
}

void NameServer::WriteCHeader(const char *file_name) const
{
    WriteConstants(file_name,
                   "// Formloom properties constvalues\r\n#ifndef FL_CONSTANTS_H\r\n#define FL_CONSTANTS_H\r\n\r\n",
                   "#define FL_%-30.30s %d\r\n", "\r\n#endif // FL_CONSTANTS_H");
}

void NameServer::WriteClassText(const char *file_name) const
{
    WriteConstants(file_name, "class FL_CONSTANTS\r\n   feature -- FL name server constants\r\n\r\n",
                   "      FL_%-50.50s : INTEGER is %d\r\n", "\r\nend -- FL_CONSTANTS");
}

int NameServer::SearchName(const char *name) const
{
    return SortedSearch(Count(), [&](int position) { return by_name_[position - 1].name.compare(name); });
}

int NameServer::SearchSign(int32_t sign) const
{
    return SortedSearch(static_cast<int>(by_sign_.size()), [&](int position) {
        int32_t other = by_sign_[position - 1].sign;
        return other < sign ? -1 : (other == sign ? 0 : 1);
    });
}

void NameServer::Insert(const NameEntry &entry)
{
    int by_name = SearchName(entry.name.c_str());
    by_name_.insert(by_name_.begin() + ((by_name > 0 ? by_name : -by_name) - 1), entry);
    int by_sign = SearchSign(entry.sign);
    by_sign_.insert(by_sign_.begin() + ((by_sign > 0 ? by_sign : -by_sign) - 1), entry);
}

int32_t NameServer::Add(const char *name)
{
    if (!name)
        return 0;
    int found = SearchName(name);
    if (found > 0)
        return by_name_[found - 1].sign;
    // A file's next sign may lag behind its names: a new name never shares
    // the sign of a present one.
    if (!by_sign_.empty() && by_sign_.back().sign >= next_sign_)
        next_sign_ = by_sign_.back().sign == INT32_MAX ? INT32_MAX : by_sign_.back().sign + 1;
    // The highest sign is never handed out, so the next sign never overflows.
    if (next_sign_ == INT32_MAX)
        return 0;
    Insert(NameEntry{name, next_sign_});
    return next_sign_++;
}

int32_t NameServer::SignOf(const char *name) const
{
    int found = name ? SearchName(name) : 0;
    return found > 0 ? by_name_[found - 1].sign : 0;
}

const char *NameServer::NameOf(int32_t sign) const
{
    int found = SearchSign(sign);
    return found > 0 ? by_sign_[found - 1].name.c_str() : nullptr;
}

void NameServer::Remove(int32_t sign)
{
    int found = SearchSign(sign);
    if (found <= 0)
        return;
    std::string name = by_sign_[found - 1].name;
    by_sign_.erase(by_sign_.begin() + (found - 1));
    // With duplicate names, remove the pair that carries this very sign.
    for (int position = SearchName(name.c_str()); position > 0 && position <= Count(); ++position) {
        const NameEntry &entry = by_name_[position - 1];
        if (entry.name != name)
            break;
        if (entry.sign == sign) {
            by_name_.erase(by_name_.begin() + (position - 1));
            break;
        }
    }
}

const NameEntry *NameServer::At(int position) const
{
    if (position < 1 || position > Count())
        return nullptr;
    return &by_name_[position - 1];
}
