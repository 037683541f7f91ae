// The in-memory picture of a form resource file that the source format
// expresses: header fields, form index entries and the stored object tree.
#ifndef FLFTOOL_TREE_HPP
#define FLFTOOL_TREE_HPP

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "flfileio.h"

namespace flftool {

struct SourcePos {
    int line = 0;
    int column = 0;
};

// One stored object. Children of a sorted compound are kept in the order the
// library holds them: ascending sign, equal signs in their stored order.
struct Item {
    int tag = FLF_TAG_SORTED;
    int32_t sign = 0;
    int32_t number = 0;              // integer, boolean and character values
    double real = 0.0;               // double values
    std::optional<std::string> text; // string values; nullopt is none
    std::vector<Item> children;      // compounds only
    SourcePos pos;                   // where a source wrote it, for messages

    bool is_compound() const { return tag == FLF_TAG_ORDERED || tag == FLF_TAG_SORTED; }
};

// An item of any tag; number is the value of integers, booleans and characters.
Item make_compound(int tag, int32_t sign, int32_t number = 0);
Item make_integer(int32_t sign, int32_t value);
Item make_string(int32_t sign, std::optional<std::string> value);
Item make_boolean(int32_t sign, int32_t value);
Item make_character(int32_t sign, unsigned char value);
Item make_double(int32_t sign, double value);

// Equal tags, signs, values (doubles bit for bit) and children; positions aside.
bool same_tree(const Item &a, const Item &b);

// Puts the children of a sorted compound in the library's order.
void sort_children(Item &compound);

// A form: its index entry and, when the source gives one, its form compound.
struct FormDecl {
    std::string class_name;
    int32_t id = 0;
    std::string alias;
    int32_t sign = 0;
    bool sign_given = false;
    std::optional<Item> body;
    SourcePos pos;
};

// A class of the index that holds no form (its forms were removed).
struct ClassDecl {
    std::string name;
    SourcePos pos;
};

struct Document {
    std::string project_name;
    int project_type = FLF_PROJECT_ABSOLUTE;
    uint32_t custom_flags = 0;
    int32_t next_form_sign = FLF_FIRST_FORM_SIGN;
    bool next_form_sign_given = false;
    std::vector<ClassDecl> empty_classes;
    std::vector<FormDecl> forms;  // as written; a dump lists them in index order
    std::vector<Item> root_items; // children of the forms root outside any form
    SourcePos next_form_sign_pos;
};

// Gives every form without a written sign the lowest free sign from 10001 on,
// in the order of the forms; signs written in the source are never handed out.
void allocate_form_signs(std::vector<FormDecl> &forms);

// The next form sign a source that does not state one gets: one above the
// highest form sign, and at least 10001.
int32_t default_next_form_sign(const std::vector<FormDecl> &forms);

} // namespace flftool

#endif
