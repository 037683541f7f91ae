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

PathBuilder &PathBuilder::tag(char tag)
{
    last_ = flf_add_property(last_, FLF_TAG_ORDERED, FL_path, nullptr);
    flf_set_prop_char(flf_add_property(last_, FLF_TAG_CHARACTER, FL_tag, nullptr), tag);
    return *this;
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

PathBuilder &PathBuilder::make_static()
{
    flf_set_prop_int(flf_add_property(last_, FLF_TAG_INTEGER, FL_static, nullptr), 1);
    return *this;
}

PathBuilder &PathBuilder::argument(const PathBuilder &path)
{
    FLF_ITEM parameter = flf_add_property(last_, FLF_TAG_ORDERED, FL_parameter, nullptr);
    flf_add_prop(parameter, flf_clone_prop(path.first()));
    return *this;
}

PathBuilder &PathBuilder::argument_without_path()
{
    flf_add_property(last_, FLF_TAG_ORDERED, FL_parameter, nullptr);
    return *this;
}

FLF_ITEM PathBuilder::literal(int stored_tag)
{
    tag('L');
    return flf_add_property(last_, stored_tag, FL_literal, nullptr);
}

PathBuilder &PathBuilder::literal_int(int value)
{
    flf_set_prop_int(literal(FLF_TAG_INTEGER), value);
    return *this;
}

PathBuilder &PathBuilder::literal_string(const std::string &value)
{
    flf_set_prop_str(literal(FLF_TAG_STRING), value.c_str());
    return *this;
}

PathBuilder &PathBuilder::literal_bool(bool value)
{
    flf_set_prop_boo(literal(FLF_TAG_BOOLEAN), value);
    return *this;
}

PathBuilder &PathBuilder::literal_char(char value)
{
    flf_set_prop_char(literal(FLF_TAG_CHARACTER), value);
    return *this;
}

PathBuilder &PathBuilder::literal_double(double value)
{
    flf_set_prop_double(literal(FLF_TAG_DOUBLE), value);
    return *this;
}

PathBuilder &PathBuilder::without(int sign)
{
    flf_delete_property(flf_get_prop(last_, sign));
    return *this;
}

} // namespace fltest
