// The dumper: a document as canonical form source text.
#ifndef FLFTOOL_WRITER_HPP
#define FLFTOOL_WRITER_HPP

#include <string>

#include "names.hpp"
#include "path_notation.hpp"
#include "schema.hpp"
#include "tree.hpp"

namespace flftool {

class Writer {
public:
    explicit Writer(const NameTable &names) : names_(names) {}

    std::string write(const Document &document) const;
    // The text after "sign " of one item: a value, a group, a list or a path.
    std::string value_text(const Item &item, int indent, const Where &where = {}) const;

private:
    std::string header_text(const Document &document) const;
    std::string form_text(const FormDecl &form, bool show_sign) const;
    std::string sign_text(int32_t sign, NameContext context) const;
    std::string simple_text(const Item &item) const;
    std::string children_text(const Item &compound, int indent, const Where &where = {}) const;
    std::string child_text(const Item &child, NameContext context, int indent, const Where &parent) const;
    std::string path_list_text(const std::vector<Path> &paths, int indent) const;
    std::string path_text(const Path &path, int indent) const;
    std::string element_text(const PathElement &element, int indent) const;
    std::string element_core(const PathElement &element, int indent) const;

    const NameTable &names_;
};

// Words with a meaning of their own inside paths; names spelt like them are quoted.
bool is_path_keyword(const std::string &word);

} // namespace flftool

#endif
