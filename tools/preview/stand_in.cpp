#include "stand_in.hpp"

#include <vector>

#include "fl_constants.h"

namespace flpreview {

using fltest::Kind;
using fltest::TestObject;

namespace {

FLF_ITEM child(FLF_ITEM item, int sign)
{
    return item ? flf_get_prop(item, sign) : nullptr;
}

std::vector<FLF_ITEM> children(FLF_ITEM compound)
{
    std::vector<FLF_ITEM> items;
    if (!compound || flf_get_item_tag(compound) > FLF_TAG_SORTED)
        return items;
    for (int p = flf_get_first_prop_position(compound); p; p = flf_get_next_prop_position(compound, p))
        items.push_back(flf_item_by_position(compound, p));
    return items;
}

std::string text_of(FLF_ITEM item)
{
    const char *text = item && flf_get_item_tag(item) == FLF_TAG_STRING ? flf_get_prop_str(item) : nullptr;
    return text ? text : "";
}

char tag_of(FLF_ITEM element)
{
    FLF_ITEM tag = child(element, FL_tag);
    return tag && flf_get_item_tag(tag) == FLF_TAG_CHARACTER ? static_cast<char>(flf_get_prop_char(tag)) : 0;
}

// What a widget kind shows of its bound value.
Sample value_sample(int kind)
{
    switch (kind) {
    case 8:
    case 9: return Sample::Text;
    case 10: return Sample::Boolean;
    case 12: return Sample::Tree;
    case 13:
    case 14: return Sample::Strings;
    case 15: return Sample::Rows;
    case 16:
    case 17: return Sample::Real;
    case 18:
    case 19: return Sample::Integers;
    case 22: return Sample::Object;
    default: return Sample::Integer;
    }
}

Sample column_sample(const std::string &type)
{
    if (type.find("java/lang/String") != std::string::npos)
        return Sample::Text;
    switch (type.empty() ? 'S' : type[0]) {
    case 'I':
    case 'C': return Sample::Integer;
    case 'D':
    case 'R': return Sample::Real;
    case 'B': return Sample::Boolean;
    default: return Sample::Text;
    }
}

// "first_name" shows as "First name".
std::string sample_text(const std::string &feature)
{
    std::string text = feature.empty() ? "Text" : feature;
    for (char &c : text)
        if (c == '_')
            c = ' ';
    if (text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

} // namespace

StandIn::StandIn() = default;

jobject StandIn::build(FLF_BASE base, const std::string &class_name, int form_id)
{
    FLF_ITEM form = flf_get_form(base, class_name.c_str(), form_id);
    if (!form)
        return nullptr;
    instances_.clear();
    needs_[class_name];
    scan_widget(base, form, 10001, class_name);
    define_classes();
    return instance(class_name)->handle();
}

void StandIn::scan_widget(FLF_BASE base, FLF_ITEM widget, int kind, const std::string &class_name)
{
    for (FLF_ITEM item : children(widget)) {
        const int sign = flf_get_item_sign(item);
        if (sign == FL_items && kind > 10000) {
            for (FLF_ITEM control : children(item))
                scan_widget(base, control, flf_get_item_sign(control), class_name);
        } else if (sign == FL_value && kind == 1) {
            scan_tree(item, kind, FL_routines);
        } else if (sign == FL_value) {
            if (kind == 15)
                scan_columns(child(child(child(widget, FL_properties), FL_list_view), FL_columns));
            if (FLF_ITEM first = child(item, FL_path))
                scan_path(first, value_sample(kind));
        } else {
            scan_tree(item, kind, sign);
        }
    }
    // Tab pages are further forms of the same class.
    for (FLF_ITEM page : children(child(child(child(widget, FL_properties), FL_tabs), FL_items)))
        if (FLF_ITEM number = child(page, FL_form_number))
            if (FLF_ITEM page_form = flf_get_form(base, class_name.c_str(), flf_get_prop_int(number)))
                scan_widget(base, page_form, 10001, class_name);
}

// Every access path below a widget's groups, with a sample by the sign that
// holds it: captions and messages are texts, bounds numbers, lists of
// procedures routines, other lists conditions.
void StandIn::scan_tree(FLF_ITEM compound, int kind, int holder_sign)
{
    const int tag = flf_get_item_tag(compound);
    if (tag == FLF_TAG_ORDERED) {
        if (holder_sign == FL_columns)
            return; // read with the list view's rows
        for (FLF_ITEM item : children(compound)) {
            if (flf_get_item_sign(item) == FL_path && tag_of(item))
                scan_path(item, tag_of(item) == 'P' ? Sample::Procedure : Sample::Boolean);
            else
                scan_tree(item, kind, flf_get_item_sign(item));
        }
        return;
    }
    if (tag != FLF_TAG_SORTED)
        return;
    if (FLF_ITEM first = child(compound, FL_path)) {
        Sample sample = Sample::Text;
        if (holder_sign == FL_upper)
            sample = Sample::Upper;
        else if (holder_sign == FL_lower)
            sample = Sample::Lower;
        else if (holder_sign == FL_selection || holder_sign == FL_value)
            sample = Sample::Integer;
        else if (holder_sign == FL_selected)
            sample = Sample::Object;
        scan_path(first, sample);
        return;
    }
    for (FLF_ITEM item : children(compound))
        scan_tree(item, kind, flf_get_item_sign(item));
}

void StandIn::scan_columns(FLF_ITEM columns)
{
    for (FLF_ITEM column : children(columns)) {
        std::string cls = text_of(child(column, FL_class_name));
        if (!cls.empty())
            row_class_ = cls;
        scan_path(column, column_sample(text_of(child(column, FL_type))));
        if (FLF_ITEM header = child(child(column, FL_caption), FL_path))
            scan_path(header, Sample::Text);
    }
}

// The elements of a path before the last lead to objects of the next
// element's class; the last one answers the sample.
void StandIn::scan_path(FLF_ITEM first, Sample sample)
{
    for (FLF_ITEM element = first; element; element = child(element, FL_path)) {
        for (FLF_ITEM parameter : children(element))
            if (flf_get_item_sign(parameter) == FL_parameter)
                if (FLF_ITEM argument = child(parameter, FL_path))
                    scan_path(argument, Sample::Integer);
        const char tag = tag_of(element);
        const std::string cls = text_of(child(element, FL_class_name));
        const std::string feature = text_of(child(element, FL_feature));
        if (cls.empty() || feature.empty() || tag == 'L' || tag == '*' || tag == 'T')
            continue;
        FLF_ITEM next = child(element, FL_path);
        Need need{tag, sample, ""};
        if (next) {
            need.sample = Sample::Object;
            need.target = text_of(child(next, FL_class_name));
        } else if (tag == 'v' || tag == 'f' || tag == 'c') {
            need.sample = Sample::Real;
        } else if (sample == Sample::Rows) {
            need.target = row_class_;
        } else if (sample == Sample::Object) {
            need.target = "preview/Object"; // answers the displayable object's messages
        }
        this->need(cls, feature, need);
    }
}

void StandIn::need(const std::string &cls, const std::string &feature, Need need)
{
    if (!need.target.empty())
        needs_[need.target];
    needs_[cls].emplace(feature, need);
}

void StandIn::define_classes()
{
    fltest::TestClass &node = table_.define_class("preview/TreeNode");
    node_class_ = &node;
    node.field("depth", Kind::Integer).field("index", Kind::Integer);
    node.routine("count", "()I", [](TestObject *self, const jvalue *) {
        jvalue v{};
        v.i = self->get_int("depth") < 2 ? 3 : 0;
        return v;
    });
    node.routine("item", "(I)Ljava/lang/Object;", [this](TestObject *self, const jvalue *args) {
        jvalue v{};
        v.l = tree_node(self->get_int("depth") + 1, args[0].i)->handle();
        return v;
    });
    node.routine("text", "()Ljava/lang/String;", [this](TestObject *self, const jvalue *) {
        jvalue v{};
        std::string label = self->get_int("depth") == 1 ? "Folder " : "Item ";
        v.l = table_.make_string(label + std::to_string(self->get_int("index")))->handle();
        return v;
    });
    for (auto &[name, features] : needs_) {
        fltest::TestClass &cls = table_.define_class(name);
        classes_[name] = &cls;
        for (auto &[feature, need] : features) {
            const Need copy = need;
            const std::string feature_name = feature;
            if (need.tag == 'F' || need.tag == 'f' || need.tag == 'P') {
                cls.routine(feature, "", [this, copy, feature_name](TestObject *, const jvalue *) {
                    return sample_value(feature_name, copy);
                });
            } else {
                Kind kind = Kind::Object;
                if (need.sample == Sample::Integer || need.sample == Sample::Upper || need.sample == Sample::Lower)
                    kind = Kind::Integer;
                else if (need.sample == Sample::Boolean)
                    kind = Kind::Boolean;
                else if (need.sample == Sample::Real)
                    kind = Kind::Real;
                cls.field(feature, kind);
            }
        }
        if (features.count("internal_handle_message") == 0)
            cls.routine("internal_handle_message", "(IIII)I", [](TestObject *, const jvalue *) {
                jvalue v{};
                v.i = 1; // the default handling
                return v;
            });
    }
}

TestObject *StandIn::instance(const std::string &cls)
{
    auto found = instances_.find(cls);
    if (found != instances_.end())
        return found->second;
    TestObject *object = table_.make(*classes_.at(cls));
    instances_[cls] = object;
    for (auto &[feature, need] : needs_[cls])
        if (need.tag != 'F' && need.tag != 'f' && need.tag != 'P')
            object->value(feature) = sample_value(feature, need);
    return object;
}

jvalue StandIn::sample_value(const std::string &feature, const Need &need)
{
    jvalue v{};
    switch (need.sample) {
    case Sample::Text: v.l = table_.make_string(sample_text(feature))->handle(); break;
    case Sample::Integer: v.i = 2; break;
    case Sample::Upper: v.i = 100; break;
    case Sample::Lower: v.i = 0; break;
    case Sample::Boolean: v.z = JNI_TRUE; break;
    case Sample::Real: v.d = 2.5; break;
    case Sample::Strings: v.l = arrays_.strings({"First item", "Second item", "Third item"})->handle(); break;
    case Sample::Integers: v.l = arrays_.integers({10, 20, 30})->handle(); break;
    case Sample::Rows: {
        std::vector<TestObject *> rows;
        for (int i = 0; i < 3; ++i) {
            instances_.erase(need.target);
            rows.push_back(classes_.count(need.target) ? instance(need.target) : nullptr);
        }
        v.l = arrays_.objects(rows)->handle();
        break;
    }
    case Sample::Tree: v.l = tree_node(0, 0)->handle(); break;
    case Sample::Object:
        v.l = need.target.empty() || !classes_.count(need.target) ? nullptr : instance(need.target)->handle();
        break;
    case Sample::Procedure: break;
    }
    return v;
}

TestObject *StandIn::tree_node(int depth, int index)
{
    TestObject *node = table_.make(*node_class_);
    node->set_int("depth", depth);
    node->set_int("index", index);
    return node;
}

} // namespace flpreview
