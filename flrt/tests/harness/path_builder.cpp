#include "path_builder.hpp"

#include "fl_constants.h"

namespace fltest {

PathBuilder::PathBuilder() : holder_(flf_create_property(FLF_TAG_ORDERED, 1, nullptr)), last_(holder_) {}

PathBuilder::~PathBuilder()
{
    flf_delete_property(holder_);
}

FLF_ITEM PathBuilder::first() const
{
    return flf_get_prop(holder_, FL_path);
}

void PathBuilder::tag(char tag)
{
    last_ = flf_add_property(last_, FLF_TAG_ORDERED, FL_path, nullptr);
    flf_set_prop_char(flf_add_property(last_, FLF_TAG_CHARACTER, FL_tag, nullptr), tag);
}

void PathBuilder::add_text(int sign, const std::string &text)
{
    flf_set_prop_str(flf_add_property(last_, FLF_TAG_STRING, sign, nullptr), text.c_str());
}

PathBuilder &PathBuilder::feature(char tag, const std::string &class_name, const std::string &name,
                                  const std::string &signature)
{
    this->tag(tag);
    add_text(FL_feature, name);
    add_text(FL_class_name, class_name);
    if (!signature.empty())
        add_text(FL_signature, signature);
    return *this;
}

} // namespace fltest
