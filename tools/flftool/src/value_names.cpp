// Reading styles, colors and flags by name:
//   style WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | 0x00000008
//   background none    background system(COLOR_WINDOW)    background rgb(240, 240, 240)
// Plain numbers and every other value stay as they are.
#include <map>

#include "diagnostics.hpp"
#include "parser.hpp"

namespace flftool {

namespace {

bool is_value_word(const Token &token)
{
    for (const char *word : {"true", "false", "none", "inf", "nan"})
        if (token.is_word(word))
            return true;
    return false;
}

std::string kind_list(const Schema &schema, const std::vector<int32_t> &kinds)
{
    std::string out;
    for (size_t i = 0; i < kinds.size() && i < 4; ++i)
        out += (i ? ", " : "") + schema.kind_name(kinds[i]);
    return kinds.size() > 4 ? out + ", ..." : out;
}

} // namespace

bool Parser::at_named_value(const SchemaEntry &entry)
{
    const Token &token = peek();
    if (entry.kind == ValueKind::Color)
        return token.is_word("none") || token.is_word("system") || token.is_word("rgb");
    if (!bit_names_for(entry, 1))
        return false;
    if (token.is(TokenKind::Identifier))
        return !is_value_word(token);
    return token.is(TokenKind::Integer) && peek(1).is(TokenKind::Pipe);
}

void Parser::parse_named_value(Item &item, const SchemaEntry &entry, int32_t widget_kind)
{
    item.tag = FLF_TAG_INTEGER;
    if (entry.kind == ValueKind::Color)
        parse_color(item);
    else {
        int32_t kind = widget_kind ? widget_kind : kFormKind;
        parse_bits(item, *bit_names_for(entry, kind), entry.kind == ValueKind::Style ? kind : 0);
    }
}

void Parser::parse_color(Item &item)
{
    Token word = take();
    if (word.text == "none") {
        item.number = static_cast<int32_t>(kNoColor);
        return;
    }
    expect(TokenKind::LeftParen, "'(' after " + word.text);
    if (word.text == "system") {
        const Token &index = peek();
        SourcePos at = index.pos; // parsing the number lets the token go
        uint32_t value = 0;
        if (index.is(TokenKind::Integer)) {
            int32_t number = parse_int32("a system color index");
            if (number < 0 || number > 0xFF)
                throw SourceError(at, "a system color index is 0 to 255");
            value = static_cast<uint32_t>(number);
        } else if (index.is(TokenKind::Identifier) && system_color_index(index.text)) {
            value = *system_color_index(take().text);
        } else {
            fail_expected("a system color (COLOR_WINDOW, COLOR_BTNFACE, ... or its index)");
        }
        item.number = static_cast<int32_t>(kSystemColor | value);
    } else {
        uint32_t red = parse_color_channel();
        expect(TokenKind::Comma, "',' between the parts of rgb(red, green, blue)");
        uint32_t green = parse_color_channel();
        expect(TokenKind::Comma, "',' between the parts of rgb(red, green, blue)");
        uint32_t blue = parse_color_channel();
        item.number = static_cast<int32_t>(red | green << 8 | blue << 16);
    }
    expect(TokenKind::RightParen, "')' to close the color");
}

// "'ES_AUTOHSCROLL' is not a style of a button (it is one of text_edit, ...)".
std::string Parser::unknown_bit_name(const std::string &name, const BitNames &names, int32_t style_kind) const
{
    std::string message = "unknown name '" + name + "' for " + names.what();
    if (style_kind) {
        message = "unknown style name '" + name + "' for a " + schema_.kind_name(style_kind);
        std::vector<int32_t> kinds = kinds_with_style(name);
        if (!kinds.empty())
            return "'" + name + "' is not a style of a " + schema_.kind_name(style_kind) + " (it is one of " +
                   kind_list(schema_, kinds) + ")";
    }
    if (std::optional<std::string> guess = names.closest(name))
        message += "; did you mean '" + *guess + "'?";
    return message;
}

uint32_t Parser::parse_color_channel()
{
    SourcePos at = peek().pos;
    int32_t value = parse_int32("a color part (0 to 255)");
    if (value < 0 || value > 255)
        throw SourceError(at, "a color part is 0 to 255");
    return static_cast<uint32_t>(value);
}

// Names of one field (the button type, the text alignment) exclude each
// other: BS_CHECKBOX | BS_RADIOBUTTON would silently make BS_AUTO3STATE.
void Parser::parse_bits(Item &item, const BitNames &names, int32_t style_kind)
{
    uint32_t value = 0;
    std::map<uint32_t, std::string> fields;
    do {
        const Token &token = peek();
        if (token.is(TokenKind::Integer)) {
            value |= static_cast<uint32_t>(parse_int32("a number"));
            continue;
        }
        if (!token.is(TokenKind::Identifier))
            fail_expected("a name or a number after '|'");
        const BitName *name = names.find(token.text);
        if (!name)
            throw SourceError(token.pos, unknown_bit_name(token.text, names, style_kind));
        if (name->is_field()) {
            auto [other, fresh] = fields.emplace(name->mask, name->name);
            if (!fresh)
                throw SourceError(token.pos, name->name + " and " + other->second +
                                                 " are two values of one field; give one of them");
        }
        value |= name->bits;
        take();
    } while (take_if(TokenKind::Pipe));
    item.number = static_cast<int32_t>(value);
}

} // namespace flftool
