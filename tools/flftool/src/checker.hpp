// Holds a form source to the form schema: the kind of value of each sign in
// each group, the signs a group holds, and what each widget kind needs.
#ifndef FLFTOOL_CHECKER_HPP
#define FLFTOOL_CHECKER_HPP

#include <string>
#include <vector>

#include "schema.hpp"
#include "tree.hpp"

namespace flftool {

struct SchemaProblem {
    SourcePos pos;
    std::string message;
};

// Every problem of the forms of the document, in source order.
std::vector<SchemaProblem> check_document(const Document &document, const Schema &schema = Schema::builtin());

} // namespace flftool

#endif
