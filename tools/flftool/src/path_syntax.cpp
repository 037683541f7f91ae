// The parser's part for the compact notation of access paths:
//
//   path     := element { "->" element }
//   element  := [ "static" [ "(" value ")" ] ] core [ ":" STRING ] [ "{" items "}" ]
//   core     := "*" | value
//             | [ keyword ] [ part "." part ] [ "(" [ path { "," path } ] ")" ]
//   keyword  := "real" [ "const" ] | "const" | "call" | "type" | "tag" CHARACTER
//   part     := NAME | STRING
#include "diagnostics.hpp"
#include "parser.hpp"
#include "writer.hpp"

namespace flftool {

void Parser::parse_path_value(Item &item, int level)
{
    SourcePos pos = item.pos;
    if (!peek().is(TokenKind::LeftBracket)) {
        item = holder_to_tree(item.sign, parse_path(level + 1));
        item.pos = pos;
        return;
    }
    Token open = take();
    std::vector<Path> paths;
    while (!peek().is(TokenKind::RightBracket)) {
        if (peek().is(TokenKind::End))
            throw SourceError(peek().pos, "expected ']' to close the list of paths opened at " +
                                              std::to_string(open.pos.line) + ":" + std::to_string(open.pos.column) +
                                              ", found the end of the file");
        paths.push_back(parse_path(level + 1));
        if (!peek().is(TokenKind::RightBracket))
            expect(TokenKind::Comma, "',' or ']' after a path of the list");
    }
    take();
    if (paths.empty())
        throw SourceError(open.pos, "a list of paths after '=' holds at least one path; an empty list is []");
    item = path_list_to_tree(item.sign, paths);
    item.pos = pos;
}

Path Parser::parse_path(int level)
{
    Path path;
    do {
        path.push_back(parse_element(level + static_cast<int>(path.size())));
    } while (take_if(TokenKind::Arrow));
    return path;
}

PathElement Parser::parse_element(int level)
{
    check_level(level, peek().pos);
    PathElement element;
    element.pos = peek().pos;
    if (take_word("static")) {
        Item marker = make_boolean(path_sign::kStatic, 1);
        if (take_if(TokenKind::LeftParen)) {
            if (!at_simple_value())
                fail_expected("the value of the static marker");
            parse_simple(marker);
            expect(TokenKind::RightParen, "')' after the value of the static marker");
        }
        element.static_marker = marker;
    }
    parse_element_core(element, level);
    if (take_if(TokenKind::Colon))
        element.signature = parse_text("the signature (a string such as \"(I)V\")");
    if (peek().is(TokenKind::LeftBrace)) {
        Item extras = make_compound(FLF_TAG_SORTED, 0);
        parse_children(extras, level);
        element.extras = std::move(extras.children);
    }
    return element;
}

void Parser::parse_element_core(PathElement &element, int level)
{
    if (take_if(TokenKind::Star)) {
        element.tag = '*';
        return;
    }
    bool class_string = peek().is(TokenKind::String) && peek(1).is(TokenKind::Dot);
    if (!class_string && at_simple_value()) {
        Item literal;
        literal.sign = path_sign::kLiteral;
        parse_simple(literal);
        element.tag = 'L';
        element.literal = literal;
        return;
    }
    TagSpelling spelling = parse_tag_keyword(element);
    if (spelling == TagSpelling::Plain) {
        if (!((peek().is(TokenKind::Identifier) || peek().is(TokenKind::String)) && peek(1).is(TokenKind::Dot)))
            fail_expected("a path element: CLASS.field, CLASS.function(...), call CLASS.procedure(...), "
                          "'*' or a literal value");
    }
    parse_target(element);
    if (peek().is(TokenKind::LeftParen)) {
        if (spelling == TagSpelling::NoArguments)
            throw SourceError(peek().pos, "this element takes no arguments; "
                                          "write tag '" +
                                              std::string(1, element.tag) + "' CLASS.name(...)");
        // Parentheses make a field a function call.
        if (spelling == TagSpelling::Plain)
            element.tag = 'F';
        else if (spelling == TagSpelling::Real)
            element.tag = 'f';
        parse_arguments(element, level);
    }
}

// Reads the keyword that gives the tag, if any: none for a field (a function
// call when arguments follow), "real" for a real field (or function).
Parser::TagSpelling Parser::parse_tag_keyword(PathElement &element)
{
    element.tag = 'V';
    if (take_word("real")) {
        if (take_word("const")) {
            element.tag = 'c';
            return TagSpelling::NoArguments;
        }
        element.tag = 'v';
        return TagSpelling::Real;
    }
    static const struct {
        const char *word;
        char tag;
        TagSpelling spelling;
    } keywords[] = {{"const", 'C', TagSpelling::NoArguments},
                    {"type", 'T', TagSpelling::NoArguments},
                    {"call", 'P', TagSpelling::Fixed}};
    for (const auto &keyword : keywords) {
        if (take_word(keyword.word)) {
            element.tag = keyword.tag;
            return keyword.spelling;
        }
    }
    if (take_word("tag")) {
        element.tag = expect(TokenKind::Character, "the tag character after 'tag' (such as 'V')").text[0];
        return TagSpelling::Fixed;
    }
    return TagSpelling::Plain;
}

void Parser::parse_target(PathElement &element)
{
    bool present = (peek().is(TokenKind::Identifier) || peek().is(TokenKind::String)) && peek(1).is(TokenKind::Dot);
    if (!present)
        return;
    element.class_name = parse_name_part();
    take(); // the dot
    element.feature = parse_name_part();
}

std::string Parser::parse_name_part()
{
    const Token &token = peek();
    if (token.is(TokenKind::String) || (token.is(TokenKind::Identifier) && !is_path_keyword(token.text)))
        return take().text;
    fail_expected("a class or feature name (a name, or a string for any other text)");
}

void Parser::parse_arguments(PathElement &element, int level)
{
    take(); // "("
    if (take_if(TokenKind::RightParen))
        return;
    do {
        // An argument is a parameter compound (level + 1) holding its path.
        element.arguments.push_back(parse_path(level + 2));
    } while (take_if(TokenKind::Comma));
    expect(TokenKind::RightParen, "',' or ')' after an argument");
}

} // namespace flftool
