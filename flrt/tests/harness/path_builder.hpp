// Builds access paths (chains of path elements) in memory through the flf_
// interface, for the benchmark; the tests read theirs from form sources.
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

    // A field or routine element: tag, class name, feature name and, when given, the signature.
    PathBuilder &feature(char tag, const std::string &class_name, const std::string &name,
                         const std::string &signature = "");

private:
    void tag(char tag);
    void add_text(int sign, const std::string &text);

    FLF_ITEM holder_;
    FLF_ITEM last_;
};

} // namespace fltest

#endif
