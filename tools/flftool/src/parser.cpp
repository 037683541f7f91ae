#include "parser.hpp"

#include <bit>
#include <limits>
#include <map>

#include "diagnostics.hpp"
#include "literals.hpp"

namespace flftool {

namespace {

std::string position_text(SourcePos pos)
{
    return std::to_string(pos.line) + ":" + std::to_string(pos.column);
}

bool fits_int32(const Token &token)
{
    return token.negative ? token.magnitude <= 0x80000000ull : token.magnitude <= 0xFFFFFFFFull;
}

// Integers take the 32-bit pattern: 0xFFFFFFFF is -1, as the library's own
// integer text conversion has it.
int32_t to_int32(const Token &token)
{
    uint32_t bits = static_cast<uint32_t>(token.magnitude);
    return static_cast<int32_t>(token.negative ? 0u - bits : bits);
}

bool is_nan_pattern(uint64_t bits)
{
    return (bits & 0x7FF0000000000000ull) == 0x7FF0000000000000ull && (bits & 0x000FFFFFFFFFFFFFull) != 0;
}

} // namespace

Document parse_source(std::string_view source, const NameTable &names)
{
    return Parser(source, names).parse_document();
}

Parser::Parser(std::string_view source, const NameTable &names)
    : lexer_(source), names_(names), schema_(Schema::builtin())
{}

const Token &Parser::peek(size_t ahead)
{
    while (lookahead_.size() <= ahead)
        lookahead_.push_back(lexer_.next());
    return lookahead_[ahead];
}

Token Parser::take()
{
    peek();
    Token token = std::move(lookahead_.front());
    lookahead_.pop_front();
    return token;
}

bool Parser::take_if(TokenKind kind)
{
    if (!peek().is(kind))
        return false;
    take();
    return true;
}

bool Parser::take_word(std::string_view word)
{
    if (!peek().is_word(word))
        return false;
    take();
    return true;
}

void Parser::fail_expected(const std::string &what, size_t ahead)
{
    const Token &found = peek(ahead);
    throw SourceError(found.pos, "expected " + what + ", found " + describe_token(found));
}

Token Parser::expect(TokenKind kind, const std::string &what)
{
    if (!peek().is(kind))
        fail_expected(what);
    return take();
}

void Parser::check_level(int level, SourcePos pos)
{
    if (level > kMaxLevel)
        throw SourceError(pos, "nested deeper than " + std::to_string(kMaxLevel) +
                                   " levels; a resource file cannot hold it");
}

Document Parser::parse_document()
{
    Document document;
    while (!peek().is(TokenKind::End))
        parse_statement(document);
    allocate_form_signs(document.forms);
    std::map<int32_t, SourcePos> signs;
    for (const FormDecl &form : document.forms) {
        auto [previous, fresh] = signs.emplace(form.sign, form.pos);
        if (!fresh)
            throw SourceError(form.pos, "form sign " + std::to_string(form.sign) + " is already taken by the form at " +
                                            position_text(previous->second));
    }
    if (!document.next_form_sign_given)
        document.next_form_sign = default_next_form_sign(document.forms);
    return document;
}

void Parser::parse_statement(Document &document)
{
    const Token &keyword = peek();
    for (const char *once : {"project", "custom_flags", "next_form_sign"}) {
        if (keyword.is_word(once)) {
            auto [previous, fresh] = header_seen_.emplace(once, keyword.pos);
            if (!fresh)
                throw SourceError(keyword.pos,
                                  std::string(once) + " is already given at " + position_text(previous->second));
        }
    }
    if (keyword.is_word("project")) {
        parse_project(document);
    } else if (keyword.is_word("custom_flags")) {
        take();
        document.custom_flags = static_cast<uint32_t>(parse_int32("the custom flags (a 32-bit number)"));
    } else if (keyword.is_word("next_form_sign")) {
        document.next_form_sign_pos = take().pos;
        document.next_form_sign = parse_int32("the next form sign");
        document.next_form_sign_given = true;
    } else if (keyword.is_word("form")) {
        parse_form(document);
    } else if (keyword.is_word("class")) {
        ClassDecl empty{"", take().pos};
        empty.name = parse_class_name("the class name (a name or a string)");
        document.empty_classes.push_back(std::move(empty));
    } else if (keyword.is_word("root")) {
        parse_root(document);
    } else {
        fail_expected("a statement (project, custom_flags, next_form_sign, class, form or root)");
    }
}

void Parser::parse_project(Document &document)
{
    take();
    document.project_name = parse_text("the project name (a string)");
    if (take_word("relative")) {
        document.project_type = FLF_PROJECT_RELATIVE;
    } else if (take_word("absolute")) {
        document.project_type = FLF_PROJECT_ABSOLUTE;
    } else if (take_word("type")) {
        SourcePos at = peek().pos;
        int32_t type = parse_int32("the project type");
        if (type < 0 || type > 0xFFFF)
            throw SourceError(at, "a project type is a 16-bit number (0 to 0xFFFF)");
        document.project_type = type;
    }
}

void Parser::parse_form(Document &document)
{
    FormDecl form;
    form.pos = take().pos;
    form.class_name = parse_class_name("the class name of the form (a name or a string)");
    form.id = parse_int32("the form id (an integer)");
    form.alias = parse_text("the form alias (a string)");
    if (take_word("sign")) {
        form.sign = parse_int32("the form sign");
        form.sign_given = true;
    }
    if (peek().is(TokenKind::LeftBrace)) {
        Item body = make_compound(FLF_TAG_SORTED, 0);
        body.pos = peek().pos;
        parse_children(body, 1, Where{"widget", kFormKind});
        form.body = std::move(body);
    }
    document.forms.push_back(std::move(form));
}

void Parser::parse_root(Document &document)
{
    take();
    Item root = make_compound(FLF_TAG_SORTED, 0);
    if (!peek().is(TokenKind::LeftBrace))
        fail_expected("'{' to open the root group");
    parse_children(root, 0);
    // Several root statements make one group, in sign order (items of one
    // sign in the order the source gives them), as a single statement would.
    root.children.insert(root.children.begin(), std::make_move_iterator(document.root_items.begin()),
                         std::make_move_iterator(document.root_items.end()));
    sort_children(root);
    document.root_items = std::move(root.children);
}

int32_t Parser::parse_int32(const std::string &what)
{
    const Token &token = peek();
    if (!token.is(TokenKind::Integer))
        fail_expected(what);
    if (!fits_int32(token))
        throw SourceError(token.pos, "the number " + token.text + " does not fit in 32 bits");
    return to_int32(take());
}

std::string Parser::parse_class_name(const std::string &what)
{
    if (!peek().is(TokenKind::Identifier) && !peek().is(TokenKind::String))
        fail_expected(what);
    return take().text;
}

std::string Parser::parse_text(const std::string &what)
{
    return expect(TokenKind::String, what).text;
}

// Styles, colors and flags take their names only after a sign written as a
// name: "76 none" stays the string none wherever it stands.
Item Parser::parse_item(NameContext context, int level, const Where &parent)
{
    Item item;
    item.pos = peek().pos;
    check_level(level, item.pos);
    bool named = peek().is(TokenKind::Identifier);
    item.sign = parse_sign(context);
    if (context == NameContext::List) {
        parse_value(item, level, schema_.list_item(parent, item.sign));
        return item;
    }
    const SchemaEntry *entry = schema_.entry(parent, item.sign);
    if (named && entry && at_named_value(*entry))
        parse_named_value(item, *entry, parent.kind);
    else
        parse_value(item, level, schema_.child(parent, item.sign));
    return item;
}

int32_t Parser::parse_sign(NameContext context)
{
    const Token &token = peek();
    if (token.is(TokenKind::Integer))
        return parse_int32("a sign");
    if (!token.is(TokenKind::Identifier))
        fail_expected("a property (a name or a sign number)");
    if (std::optional<int32_t> sign = names_.resolve(token.text, context)) {
        take();
        return *sign;
    }
    std::string message = "unknown name '" + token.text + "'";
    std::string kind_name = std::string(kKindPrefix) + token.text;
    if (names_.resolve(kind_name, NameContext::Group)) {
        message += " here: widget kinds are names only among the items of a list (" + kind_name + " names it anywhere)";
    } else if (names_.empty()) {
        message += " (no name base given: pass one with --names, or write the sign number)";
    } else if (std::optional<std::string> guess = names_.closest(token.text)) {
        message += "; did you mean '" + *guess + "'?";
    }
    throw SourceError(token.pos, message);
}

void Parser::parse_value(Item &item, int level, const Where &where)
{
    const Token &token = peek();
    if (token.is(TokenKind::LeftBrace) || token.is(TokenKind::LeftBracket)) {
        item.tag = token.is(TokenKind::LeftBrace) ? FLF_TAG_SORTED : FLF_TAG_ORDERED;
        parse_children(item, level, where);
    } else if (token.is(TokenKind::Equals)) {
        take();
        parse_path_value(item, level);
    } else if (at_simple_value()) {
        parse_simple(item);
    } else {
        fail_expected("a value (a number, a string, a character, true, false, none, '{', '[' or '=')");
    }
}

void Parser::parse_children(Item &compound, int level, const Where &where)
{
    bool ordered = compound.tag == FLF_TAG_ORDERED;
    Token open = take();
    TokenKind close = ordered ? TokenKind::RightBracket : TokenKind::RightBrace;
    NameContext context = ordered ? NameContext::List : NameContext::Group;
    while (!peek().is(close)) {
        if (peek().is(TokenKind::End))
            throw SourceError(peek().pos, "expected " + describe_kind(close) + " to close the " +
                                              describe_kind(open.kind) + " opened at " + position_text(open.pos) +
                                              ", found the end of the file");
        compound.children.push_back(parse_item(context, level + 1, where));
    }
    take();
    if (!ordered)
        sort_children(compound);
}

bool Parser::at_simple_value()
{
    const Token &token = peek();
    switch (token.kind) {
    case TokenKind::Integer:
    case TokenKind::Real:
    case TokenKind::String:
    case TokenKind::Character: return true;
    case TokenKind::Identifier:
        return token.text == "true" || token.text == "false" || token.text == "none" || token.text == "inf" ||
               token.text == "nan";
    default: return false;
    }
}

void Parser::parse_simple(Item &item)
{
    Token token = take();
    switch (token.kind) {
    case TokenKind::Integer:
        if (!fits_int32(token))
            throw SourceError(token.pos, "the integer " + token.text + " does not fit in 32 bits");
        item.tag = FLF_TAG_INTEGER;
        item.number = to_int32(token);
        return;
    case TokenKind::Real:
        item.tag = FLF_TAG_DOUBLE;
        item.real = token.real;
        return;
    case TokenKind::String:
        item.tag = FLF_TAG_STRING;
        item.text = token.text;
        return;
    case TokenKind::Character:
        item.tag = FLF_TAG_CHARACTER;
        item.number = static_cast<unsigned char>(token.text[0]);
        return;
    default: break;
    }
    if (token.text == "none") {
        item.tag = FLF_TAG_STRING;
        item.text.reset();
    } else if (token.text == "false") {
        item.tag = FLF_TAG_BOOLEAN;
        item.number = 0;
    } else if (token.text == "true") {
        item.tag = FLF_TAG_BOOLEAN;
        item.number = 1;
        if (take_if(TokenKind::LeftParen)) {
            SourcePos at = peek().pos;
            int32_t stored = parse_int32("the stored byte of the boolean");
            if (stored == 0 || stored < -128 || stored > 255)
                throw SourceError(at, "a true boolean stores a byte other than 0 (-128 to 255)");
            item.number = static_cast<int8_t>(stored & 0xFF); // read back sign-extended
            expect(TokenKind::RightParen, "')' after the stored byte");
        }
    } else if (token.text == "inf") {
        item.tag = FLF_TAG_DOUBLE;
        item.real = std::numeric_limits<double>::infinity();
    } else { // nan
        item.tag = FLF_TAG_DOUBLE;
        item.real = std::bit_cast<double>(kPlainNanBits);
        if (take_if(TokenKind::LeftParen)) {
            Token bits = expect(TokenKind::Integer, "the bits of the NaN (0x followed by 16 digits)");
            if (bits.negative || !is_nan_pattern(bits.magnitude))
                throw SourceError(bits.pos, "nan(...) takes the 64 bits of a NaN");
            item.real = std::bit_cast<double>(bits.magnitude);
            expect(TokenKind::RightParen, "')' after the bits of the NaN");
        }
    }
}

} // namespace flftool
