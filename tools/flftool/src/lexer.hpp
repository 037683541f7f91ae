// Tokens of form sources and vocabulary lists.
#ifndef FLFTOOL_LEXER_HPP
#define FLFTOOL_LEXER_HPP

#include <cstdint>
#include <string>
#include <string_view>

#include "tree.hpp"

namespace flftool {

enum class TokenKind {
    End,
    Identifier,
    Integer,
    Real,
    String,
    Character,
    LeftBrace,
    RightBrace,
    LeftBracket,
    RightBracket,
    LeftParen,
    RightParen,
    Equals,
    Comma,
    Dot,
    Colon,
    Arrow,
    Star,
    Pipe
};

struct Token {
    TokenKind kind = TokenKind::End;
    SourcePos pos;
    std::string text;       // identifier, decoded string or character bytes, number spelling
    uint64_t magnitude = 0; // integers: the digits' value
    bool negative = false;  // integers: written with a minus sign
    double real = 0.0;      // reals

    bool is(TokenKind k) const { return kind == k; }
    bool is_word(std::string_view word) const { return kind == TokenKind::Identifier && text == word; }
};

// "'}'", "the name caption", "the end of the file": what a message says was found.
std::string describe_token(const Token &token);
std::string describe_kind(TokenKind kind);

class Lexer {
public:
    explicit Lexer(std::string_view source);

    // The next token; raises SourceError for malformed text.
    Token next();

private:
    char peek(size_t ahead = 0) const;
    char advance();
    void skip_blanks_and_comments();
    SourcePos here() const { return {line_, column_}; }

    Token lex_number(Token token);
    Token lex_real(Token token, size_t start);
    Token lex_quoted(Token token, char quote);
    unsigned char lex_escape();
    Token lex_word(Token token);

    std::string_view source_;
    size_t offset_ = 0;
    int line_ = 1;
    int column_ = 1;
};

} // namespace flftool

#endif
