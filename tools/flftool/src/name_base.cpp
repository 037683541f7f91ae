#include "name_base.hpp"

#include <algorithm>
#include <map>

#include "diagnostics.hpp"
#include "flfileio.h"
#include "lexer.hpp"
#include "literals.hpp"

namespace flftool {

namespace {

const char kNameFileHeader[] = "Formloom string resources\n";

void append_int(std::string &out, int32_t value)
{
    uint32_t bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((bits >> (8 * i)) & 0xFF);
}

void append_string(std::string &out, std::string_view text)
{
    append_int(out, static_cast<int32_t>(text.size()));
    out += text;
}

} // namespace

std::vector<NameEntry> parse_name_list(std::string_view text)
{
    std::vector<NameEntry> entries;
    std::map<std::string, SourcePos> seen;
    Lexer lexer(text);
    for (Token token = lexer.next(); !token.is(TokenKind::End);) {
        if (!token.is(TokenKind::Identifier))
            throw SourceError(token.pos, "expected a name at the start of the line, found " + describe_token(token));
        NameEntry entry{token.text, 0, token.pos};
        if (entry.name.size() > FLF_MAX_STRING)
            throw SourceError(entry.pos, "the name '" + entry.name.substr(0, 40) + "...' is longer than " +
                                             std::to_string(FLF_MAX_STRING) + " bytes");
        Token sign = lexer.next();
        if (!sign.is(TokenKind::Integer) || sign.pos.line != entry.pos.line)
            throw SourceError(sign.pos, "expected the sign of '" + entry.name + "' (an integer) on its line");
        if (sign.negative ? sign.magnitude > 0x80000000ull : sign.magnitude > 0x7FFFFFFFull)
            throw SourceError(sign.pos, "the sign " + sign.text + " does not fit in 32 bits");
        entry.sign = static_cast<int32_t>(sign.negative ? -int64_t(sign.magnitude) : int64_t(sign.magnitude));
        auto [previous, fresh] = seen.emplace(entry.name, entry.pos);
        if (!fresh)
            throw SourceError(entry.pos, "the name '" + entry.name + "' is already listed on line " +
                                             std::to_string(previous->second.line));
        token = lexer.next();
        if (!token.is(TokenKind::End) && token.pos.line == entry.pos.line)
            throw SourceError(token.pos, "expected the end of the line after the sign of '" + entry.name + "', found " +
                                             describe_token(token));
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string name_file_bytes(std::vector<NameEntry> entries, std::optional<int32_t> next_sign)
{
    std::sort(entries.begin(), entries.end(), [](const NameEntry &a, const NameEntry &b) { return a.name < b.name; });
    int32_t next = 1;
    for (const NameEntry &entry : entries)
        if (entry.sign >= next && entry.sign < INT32_MAX)
            next = entry.sign + 1;
    if (next_sign)
        next = std::max(next, *next_sign);
    std::string out;
    append_string(out, kNameFileHeader);
    append_int(out, 0);
    append_int(out, next);
    append_int(out, static_cast<int32_t>(entries.size()));
    for (const NameEntry &entry : entries) {
        append_string(out, entry.name);
        append_int(out, entry.sign);
    }
    return out;
}

std::string name_list_text(const std::vector<NameEntry> &entries)
{
    size_t width = 0;
    for (const NameEntry &entry : entries)
        width = std::max(width, entry.name.size());
    std::string out;
    for (const NameEntry &entry : entries)
        out += entry.name + std::string(width + 2 - entry.name.size(), ' ') + std::to_string(entry.sign) + "\n";
    return out;
}

} // namespace flftool
