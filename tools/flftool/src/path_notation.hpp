// Access paths, routine lists and condition lists in their compact notation.
//
// In the stored tree an access path is a chain of element compounds: each
// holds its tag character (71), maybe a class name (98), a feature name (99),
// a signature (147), a static marker (94), arguments (100, each holding the
// argument's path under 93), a literal value (109), and the next element
// under 93. A path stored "at" a property is the child 93 of that property's
// compound (a holder); routine and condition lists are ordered compounds whose
// items are first elements. This module converts between those trees and a
// model of the notation; it accepts a tree only when the model gives the very
// same tree back, so the notation never loses anything.
#ifndef FLFTOOL_PATH_NOTATION_HPP
#define FLFTOOL_PATH_NOTATION_HPP

#include <optional>
#include <string>
#include <vector>

#include "tree.hpp"

namespace flftool {

namespace path_sign {
constexpr int32_t kTag = 71;
constexpr int32_t kNext = 93;
constexpr int32_t kStatic = 94;
constexpr int32_t kClassName = 98;
constexpr int32_t kFeature = 99;
constexpr int32_t kParameter = 100;
constexpr int32_t kLiteral = 109;
constexpr int32_t kSignature = 147;
} // namespace path_sign

struct PathElement;
using Path = std::vector<PathElement>;

struct PathElement {
    char tag = 'V';
    std::optional<std::string> class_name;
    std::optional<std::string> feature;
    std::optional<std::string> signature;
    std::optional<Item> static_marker; // any value item, sign 94
    std::vector<Path> arguments;
    std::optional<Item> literal; // any value item, sign 109
    std::vector<Item> extras;    // children of other signs, kept as they are
    SourcePos pos;               // where a source wrote it, for messages
    bool has_target() const { return class_name || feature; }
};

// The first element of a path as a compound of the given sign.
Item path_to_tree(const Path &path, int32_t sign);
// A path holder: a sorted compound whose only child is the first element.
Item holder_to_tree(int32_t sign, const Path &path);
// A routine or condition list: an ordered compound of first elements (sign 93).
Item path_list_to_tree(int32_t sign, const std::vector<Path> &paths);

std::optional<Path> path_from_tree(const Item &first_element);
std::optional<Path> holder_path(const Item &compound);
std::optional<std::vector<Path>> path_list(const Item &compound);

} // namespace flftool

#endif
