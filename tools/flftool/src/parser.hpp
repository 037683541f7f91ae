// The form source parser: text to document, names resolved through a table.
#ifndef FLFTOOL_PARSER_HPP
#define FLFTOOL_PARSER_HPP

#include <deque>
#include <map>
#include <string>
#include <string_view>

#include "lexer.hpp"
#include "names.hpp"
#include "path_notation.hpp"
#include "schema.hpp"
#include "tree.hpp"

namespace flftool {

// Compound levels below the forms root that a resource file can hold: the
// library refuses to read deeper trees.
constexpr int kMaxLevel = 255;

class Parser {
public:
    Parser(std::string_view source, const NameTable &names);

    // Raises SourceError at the first fault.
    Document parse_document();

private:
    const Token &peek(size_t ahead = 0);
    Token take();
    Token expect(TokenKind kind, const std::string &what);
    bool take_if(TokenKind kind);
    bool take_word(std::string_view word);
    [[noreturn]] void fail_expected(const std::string &what, size_t ahead = 0);

    void parse_statement(Document &document);
    void parse_project(Document &document);
    void parse_form(Document &document);
    void parse_root(Document &document);
    int32_t parse_int32(const std::string &what);
    std::string parse_text(const std::string &what);
    std::string parse_class_name(const std::string &what);

    Item parse_item(NameContext context, int level, const Where &parent);
    int32_t parse_sign(NameContext context);
    void parse_value(Item &item, int level, const Where &where = {});
    void parse_children(Item &compound, int level, const Where &where = {});

    // Styles, colors and flags by name (value_names.cpp).
    bool at_named_value(const SchemaEntry &entry);
    void parse_named_value(Item &item, const SchemaEntry &entry, int32_t widget_kind);
    void parse_color(Item &item);
    uint32_t parse_color_channel();
    void parse_bits(Item &item, const BitNames &names, int32_t style_kind);
    std::string unknown_bit_name(const std::string &name, const BitNames &names, int32_t style_kind) const;
    bool at_simple_value();
    void parse_simple(Item &item);

    // The compact notation of access paths (path_syntax.cpp).
    void parse_path_value(Item &item, int level);
    Path parse_path(int level);
    PathElement parse_element(int level);
    void parse_element_core(PathElement &element, int level);
    enum class TagSpelling { Plain, Real, Fixed, NoArguments };
    TagSpelling parse_tag_keyword(PathElement &element);
    void parse_target(PathElement &element);
    std::string parse_name_part();
    void parse_arguments(PathElement &element, int level);

    void check_level(int level, SourcePos pos);

    Lexer lexer_;
    std::deque<Token> lookahead_;
    const NameTable &names_;
    const Schema &schema_;
    std::map<std::string, SourcePos> header_seen_;
};

Document parse_source(std::string_view source, const NameTable &names);

} // namespace flftool

#endif
