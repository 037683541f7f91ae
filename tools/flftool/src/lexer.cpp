#include "lexer.hpp"

#include <charconv>
#include <cstdio>
#include <limits>

#include "diagnostics.hpp"
#include "literals.hpp"

namespace flftool {

namespace {

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}
bool is_word_start(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool is_word_char(char c)
{
    return is_word_start(c) || is_digit(c);
}

int hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string describe_byte(char c)
{
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte > 0x20 && byte < 0x7F)
        return std::string("'") + c + "'";
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "byte 0x%02X", byte);
    return buffer;
}

} // namespace

std::string describe_kind(TokenKind kind)
{
    switch (kind) {
    case TokenKind::End: return "the end of the file";
    case TokenKind::Identifier: return "a name";
    case TokenKind::Integer: return "an integer";
    case TokenKind::Real: return "a real number";
    case TokenKind::String: return "a string";
    case TokenKind::Character: return "a character";
    case TokenKind::LeftBrace: return "'{'";
    case TokenKind::RightBrace: return "'}'";
    case TokenKind::LeftBracket: return "'['";
    case TokenKind::RightBracket: return "']'";
    case TokenKind::LeftParen: return "'('";
    case TokenKind::RightParen: return "')'";
    case TokenKind::Equals: return "'='";
    case TokenKind::Comma: return "','";
    case TokenKind::Dot: return "'.'";
    case TokenKind::Colon: return "':'";
    case TokenKind::Arrow: return "'->'";
    case TokenKind::Star: return "'*'";
    case TokenKind::Pipe: return "'|'";
    }
    return "a token";
}

std::string describe_token(const Token &token)
{
    switch (token.kind) {
    case TokenKind::Identifier: return "'" + token.text + "'";
    case TokenKind::Integer:
    case TokenKind::Real: return "the number " + token.text;
    case TokenKind::String: return "the string " + quote_string(token.text.substr(0, 40));
    case TokenKind::Character: return "the character " + quote_character(static_cast<unsigned char>(token.text[0]));
    default: return describe_kind(token.kind);
    }
}

Lexer::Lexer(std::string_view source) : source_(source) {}

char Lexer::peek(size_t ahead) const
{
    return offset_ + ahead < source_.size() ? source_[offset_ + ahead] : '\0';
}

char Lexer::advance()
{
    char c = source_[offset_++];
    if (c == '\n') {
        ++line_;
        column_ = 1;
    } else {
        ++column_;
    }
    return c;
}

void Lexer::skip_blanks_and_comments()
{
    while (offset_ < source_.size()) {
        char c = peek();
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            advance();
        } else if (c == '#') {
            while (offset_ < source_.size() && peek() != '\n')
                advance();
        } else {
            return;
        }
    }
}

Token Lexer::next()
{
    skip_blanks_and_comments();
    Token token;
    token.pos = here();
    if (offset_ >= source_.size())
        return token;
    char c = peek();
    if (is_digit(c) || (c == '-' && (is_digit(peek(1)) || source_.substr(offset_ + 1, 3) == "inf")))
        return lex_number(token);
    if (c == '"' || c == '\'')
        return lex_quoted(token, c);
    if (is_word_start(c))
        return lex_word(token);
    static const struct {
        char c;
        TokenKind kind;
    } singles[] = {{'{', TokenKind::LeftBrace},    {'}', TokenKind::RightBrace}, {'[', TokenKind::LeftBracket},
                   {']', TokenKind::RightBracket}, {'(', TokenKind::LeftParen},  {')', TokenKind::RightParen},
                   {'=', TokenKind::Equals},       {',', TokenKind::Comma},      {'.', TokenKind::Dot},
                   {':', TokenKind::Colon},        {'*', TokenKind::Star},       {'|', TokenKind::Pipe}};
    if (c == '-' && peek(1) == '>') {
        advance();
        advance();
        token.kind = TokenKind::Arrow;
        return token;
    }
    for (const auto &single : singles) {
        if (single.c == c) {
            advance();
            token.kind = single.kind;
            return token;
        }
    }
    throw SourceError(token.pos, "unexpected " + describe_byte(c));
}

Token Lexer::lex_word(Token token)
{
    size_t start = offset_;
    while (offset_ < source_.size() && is_word_char(peek()))
        advance();
    token.kind = TokenKind::Identifier;
    token.text = std::string(source_.substr(start, offset_ - start));
    return token;
}

Token Lexer::lex_number(Token token)
{
    size_t start = offset_;
    token.kind = TokenKind::Integer;
    if (peek() == '-') {
        token.negative = true;
        advance();
        if (peek() == 'i') { // -inf
            for (int i = 0; i < 3; ++i)
                advance();
            token.kind = TokenKind::Real;
            token.text = "-inf";
            token.real = -std::numeric_limits<double>::infinity();
            if (is_word_char(peek()))
                throw SourceError(here(), "unexpected " + describe_byte(peek()) + " after -inf");
            return token;
        }
    }
    int base = 10;
    if (peek() == '0' && (peek(1) == 'x' || peek(1) == 'X')) {
        base = 16;
        advance();
        advance();
        if (hex_value(peek()) < 0)
            throw SourceError(here(), "expected hexadecimal digits after 0x");
    }
    bool too_large = false;
    while (offset_ < source_.size()) {
        int digit = base == 16 ? hex_value(peek()) : (is_digit(peek()) ? peek() - '0' : -1);
        if (digit < 0)
            break;
        advance();
        if (token.magnitude > (std::numeric_limits<uint64_t>::max() - digit) / base)
            too_large = true;
        token.magnitude = token.magnitude * base + digit;
    }
    if (base == 10 && (peek() == '.' || peek() == 'e' || peek() == 'E'))
        return lex_real(token, start);
    token.text = std::string(source_.substr(start, offset_ - start));
    if (too_large)
        throw SourceError(token.pos, "the number " + token.text + " is too large");
    if (is_word_char(peek()))
        throw SourceError(here(), "unexpected " + describe_byte(peek()) + " after the number " + token.text);
    return token;
}

Token Lexer::lex_real(Token token, size_t start)
{
    if (peek() == '.') {
        advance();
        if (!is_digit(peek()))
            throw SourceError(here(), "expected digits after the decimal point");
        while (is_digit(peek()))
            advance();
    }
    if (peek() == 'e' || peek() == 'E') {
        advance();
        if (peek() == '+' || peek() == '-')
            advance();
        if (!is_digit(peek()))
            throw SourceError(here(), "expected the digits of an exponent");
        while (is_digit(peek()))
            advance();
    }
    token.kind = TokenKind::Real;
    token.text = std::string(source_.substr(start, offset_ - start));
    if (is_word_char(peek()))
        throw SourceError(here(), "unexpected " + describe_byte(peek()) + " after the number " + token.text);
    const char *first = token.text.data();
    auto result = std::from_chars(first, first + token.text.size(), token.real);
    if (result.ec != std::errc() || result.ptr != first + token.text.size())
        throw SourceError(token.pos, "the real number " + token.text + " is out of range");
    return token;
}

unsigned char Lexer::lex_escape()
{
    SourcePos at = here();
    advance(); // the backslash
    char c = offset_ < source_.size() ? advance() : '\0';
    switch (c) {
    case '\\': return '\\';
    case '"': return '"';
    case '\'': return '\'';
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    case 'x': {
        int high = hex_value(peek());
        int low = high < 0 ? -1 : hex_value(peek(1));
        if (low < 0)
            throw SourceError(at, "expected two hexadecimal digits after \\x");
        advance();
        advance();
        return static_cast<unsigned char>(high * 16 + low);
    }
    default: throw SourceError(at, "unknown escape sequence; use \\\\, \\\", \\', \\n, \\r, \\t or \\xHH");
    }
}

Token Lexer::lex_quoted(Token token, char quote)
{
    advance();
    std::string bytes;
    while (true) {
        if (offset_ >= source_.size() || peek() == '\n' || peek() == '\r')
            throw SourceError(token.pos, quote == '"' ? "unterminated string" : "unterminated character");
        char c = peek();
        if (c == quote) {
            advance();
            break;
        }
        if (c == '\\') {
            bytes += static_cast<char>(lex_escape());
        } else {
            bytes += advance();
        }
    }
    token.text = bytes;
    if (quote == '\'') {
        if (bytes.size() != 1)
            throw SourceError(token.pos, "a character holds exactly one byte");
        token.kind = TokenKind::Character;
        return token;
    }
    if (bytes.find('\0') != std::string::npos)
        throw SourceError(token.pos, "a string cannot hold the byte 0");
    if (bytes.size() > FLF_MAX_STRING)
        throw SourceError(token.pos, "a string holds at most 4095 bytes; this one has " + std::to_string(bytes.size()));
    token.kind = TokenKind::String;
    return token;
}

} // namespace flftool
