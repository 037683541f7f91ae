// Builds access paths (chains of path elements) in memory through the flf_ interface.
#ifndef FLRT_TEST_PATH_BUILDER_HPP
#define FLRT_TEST_PATH_BUILDER_HPP

#include <string>

#include "flfileio.h"

namespace fltest {

class PathBuilder {
public:
    PathBuilder();
    ~PathBuilder();
    PathBuilder(const PathBuilder &) = delete;
    PathBuilder &operator=(const PathBuilder &) = delete;

    // The first element of the path.
    FLF_ITEM first() const;
    FLF_ITEM last() const { return last_; }

    // An element with only a tag.
    PathBuilder &tag(char tag);
    // A field or routine element: tag, class name, feature name and, when given, the signature.
    PathBuilder &feature(char tag, const std::string &class_name, const std::string &name,
                         const std::string &signature = "");
    PathBuilder &make_static();
    // One more argument of the routine element just added: a copy of the other path.
    PathBuilder &argument(const PathBuilder &path);
    PathBuilder &argument_without_path();
    PathBuilder &literal_int(int value);
    PathBuilder &literal_string(const std::string &value);
    PathBuilder &literal_bool(bool value);
    PathBuilder &literal_char(char value);
    PathBuilder &literal_double(double value);
    // Removes the child with this sign from the last element.
    PathBuilder &without(int sign);

private:
    FLF_ITEM literal(int stored_tag);
    void add_text(int sign, const std::string &text);

    FLF_ITEM holder_;
    FLF_ITEM last_;
};

} // namespace fltest

#endif
