#include "resource_io.hpp"

#include <algorithm>
#include <cstdio>
#include <random>
#include <map>
#include <memory>
#include <set>

#include "diagnostics.hpp"

namespace flftool {

namespace {

constexpr int64_t kMaxUnusedFormSigns = 1000000;

struct BaseCloser {
    void operator()(flf_base_ *base) const { flf_close_base(base); }
};
using BaseHandle = std::unique_ptr<flf_base_, BaseCloser>;

// An item the tool created and has not yet handed to a compound.
struct ItemDeleter {
    void operator()(flf_item_ *item) const { flf_delete_property(item); }
};
using OwnedItem = std::unique_ptr<flf_item_, ItemDeleter>;

// The fields of the file header that the library keeps to itself: the stored
// project text (which it resolves for relative projects) and the next form sign.
struct RawHeader {
    std::string stored_project;
    int32_t next_form_sign = FLF_FIRST_FORM_SIGN;
};

RawHeader read_raw_header(const std::string &file_name)
{
    return with_library_errors("cannot read " + file_name, [&] {
        RawHeader header;
        CBinFile file(file_name.c_str(), CBinFile::ForReading);
        file.ReadString();
        int32_t version = file.ReadInt() & 0xFFFF;
        if (version >= 1) {
            const char *project = file.ReadString();
            header.stored_project = project ? project : "";
        }
        if (version >= 2)
            file.ReadInt();
        header.next_form_sign = file.ReadInt();
        return header;
    });
}

Item read_item(FLF_ITEM handle)
{
    Item item;
    item.tag = flf_get_item_tag(handle);
    item.sign = flf_get_item_sign(handle);
    switch (item.tag) {
    case FLF_TAG_INTEGER: item.number = flf_get_prop_int(handle); break;
    case FLF_TAG_BOOLEAN: item.number = flf_get_prop_boo(handle); break;
    case FLF_TAG_CHARACTER: item.number = static_cast<unsigned char>(flf_get_prop_char(handle)); break;
    case FLF_TAG_DOUBLE: item.real = flf_get_prop_double(handle); break;
    case FLF_TAG_STRING:
        if (const char *text = flf_get_prop_str(handle))
            item.text = text;
        break;
    default:
        for (int p = flf_get_first_prop_position(handle); p != 0; p = flf_get_next_prop_position(handle, p))
            item.children.push_back(read_item(flf_item_by_position(handle, p)));
        break;
    }
    return item;
}

uint32_t read_custom_flags(FLF_BASE base)
{
    uint32_t flags = 0;
    for (int bit = 0; bit < 32; ++bit)
        if (flf_get_custom_flag(base, static_cast<int>(1u << bit)))
            flags |= 1u << bit;
    return flags;
}

void read_index(FLF_BASE base, Document &document, std::vector<std::string> &warnings)
{
    std::set<std::string> class_names;
    for (int c = flf_get_first_class(base); c != 0; c = flf_get_next_class(base, c)) {
        FLF_CLASS cls = flf_class_item(base, c);
        const char *name = flf_class_item_name(cls);
        std::string class_name = name ? name : "";
        if (!class_names.insert(class_name).second)
            warnings.push_back("the class \"" + class_name +
                               "\" is stored twice; the source gives its forms to one class");
        if (flf_get_class_forms_count(cls) == 0)
            document.empty_classes.push_back({class_name, {}});
        for (int e = flf_get_first_class_form(cls); e != 0; e = flf_get_next_class_form(cls, e)) {
            FLF_ENTRY entry = flf_class_form_item(cls, e);
            const char *alias = flf_class_form_item_alias(entry);
            FormDecl form;
            form.class_name = class_name;
            form.id = flf_class_form_item_id(entry);
            form.alias = alias ? alias : "";
            form.sign = flf_class_form_item_sign(entry);
            form.sign_given = true;
            document.forms.push_back(std::move(form));
        }
    }
}

// A form shows its compound when the sign belongs to that one entry and that
// one sorted compound of the forms root; anything else stays in the root
// statement, in the order the root holds it.
void attach_form_bodies(Document &document, std::vector<Item> root)
{
    std::map<int32_t, int> entry_count, root_count;
    for (const FormDecl &form : document.forms)
        ++entry_count[form.sign];
    for (const Item &item : root)
        ++root_count[item.sign];
    std::vector<bool> attached(root.size(), false);
    for (FormDecl &form : document.forms) {
        if (entry_count[form.sign] != 1 || root_count[form.sign] != 1)
            continue;
        for (size_t i = 0; i < root.size(); ++i) {
            if (root[i].sign == form.sign && root[i].tag == FLF_TAG_SORTED) {
                form.body = std::move(root[i]);
                attached[i] = true;
            }
        }
    }
    for (size_t i = 0; i < root.size(); ++i)
        if (!attached[i])
            document.root_items.push_back(std::move(root[i]));
}

} // namespace

Document load_resource_file(const std::string &file_name, std::vector<std::string> &warnings)
{
    BaseHandle base(flf_open_base(file_name.c_str()));
    if (!base)
        throw ToolError("cannot read " + file_name + ": missing, unreadable or not a form resource file");
    RawHeader raw = read_raw_header(file_name);
    Document document;
    document.project_type = flf_get_project_type(base.get()) & 0xFFFF;
    const char *project = flf_get_project_name(base.get());
    // Only an absolute project name is held as stored. The library resolves
    // any other against the file's folder when it opens the file; the source
    // keeps the stored text, which a build stores again.
    document.project_name =
        document.project_type == FLF_PROJECT_ABSOLUTE ? (project ? project : "") : raw.stored_project;
    document.custom_flags = read_custom_flags(base.get());
    document.next_form_sign = raw.next_form_sign;
    document.next_form_sign_given = true;
    read_index(base.get(), document, warnings);
    Item root = read_item(flf_get_form_root(base.get()));
    attach_form_bodies(document, std::move(root.children));
    return document;
}

namespace {

std::string position_text(SourcePos pos)
{
    return std::to_string(pos.line) + ":" + std::to_string(pos.column);
}

std::set<std::string> class_names(const Document &document)
{
    std::set<std::string> names;
    for (const FormDecl &form : document.forms)
        names.insert(form.class_name);
    return names;
}

// The classes without forms, each once.
std::vector<std::string> empty_class_names(const Document &document)
{
    std::set<std::string> names = class_names(document);
    std::vector<std::string> empty;
    for (const ClassDecl &decl : document.empty_classes)
        if (names.insert(decl.name).second)
            empty.push_back(decl.name);
    return empty;
}

// The library hands out form signs one after the other from 10001, so only
// an index it could have grown that way can be built.
void check_buildable(const Document &document)
{
    int32_t highest = FLF_FIRST_FORM_SIGN - 1;
    for (const FormDecl &form : document.forms) {
        if (form.sign < FLF_FIRST_FORM_SIGN)
            throw SourceError(form.pos,
                              "form sign " + std::to_string(form.sign) + " cannot be built: form signs start at 10001");
        highest = std::max(highest, form.sign);
    }
    if (document.next_form_sign <= highest)
        throw SourceError(document.next_form_sign_pos,
                          "next_form_sign must be above every form sign (" + std::to_string(highest) + ")");
    int64_t unused = int64_t(document.next_form_sign) - FLF_FIRST_FORM_SIGN - int64_t(document.forms.size());
    size_t empty = empty_class_names(document).size();
    if (int64_t(empty) > unused)
        throw SourceError(document.empty_classes.back().pos,
                          "the classes without forms need " + std::to_string(empty) +
                              " form signs that no form uses, and the index leaves only " + std::to_string(unused) +
                              "; raise next_form_sign");
    if (unused > kMaxUnusedFormSigns)
        throw SourceError(document.next_form_sign_pos, "next_form_sign " + std::to_string(document.next_form_sign) +
                                                           " leaves " + std::to_string(unused) +
                                                           " form signs unused; at most " +
                                                           std::to_string(kMaxUnusedFormSigns) + " can be built");
    // Forms of one class and id read back in the order they were added, and
    // they are added in the order of their signs.
    std::map<std::pair<std::string, int32_t>, const FormDecl *> previous;
    for (const FormDecl &form : document.forms) {
        auto [slot, fresh] = previous.emplace(std::make_pair(form.class_name, form.id), &form);
        if (!fresh && slot->second->sign > form.sign)
            throw SourceError(form.pos, "form " + std::to_string(form.id) + " of class \"" + form.class_name +
                                            "\" cannot follow the one at " + position_text(slot->second->pos) +
                                            ": forms of one class and id must come with rising form signs");
        slot->second = &form;
    }
}

OwnedItem create_item(const Item &item);

// Children are added in the order the document lists them. A sorted compound
// puts each new child before those of its sign and a saved file keeps that
// order, while reading a file puts each child before the ones read earlier:
// so a built file reads back in the document's order, the order the runtime
// then sees.
void add_children(FLF_ITEM compound, const std::vector<Item> &children)
{
    for (const Item &child : children)
        flf_add_prop(compound, create_item(child).release());
}

OwnedItem create_item(const Item &item)
{
    OwnedItem handle(flf_create_property(item.tag, item.sign, nullptr));
    switch (item.tag) {
    case FLF_TAG_INTEGER: flf_set_prop_int(handle.get(), item.number); break;
    case FLF_TAG_BOOLEAN: flf_set_prop_boo(handle.get(), item.number); break;
    case FLF_TAG_CHARACTER: flf_set_prop_char(handle.get(), item.number); break;
    case FLF_TAG_DOUBLE: flf_set_prop_double(handle.get(), item.real); break;
    case FLF_TAG_STRING:
        if (item.text)
            flf_set_prop_str(handle.get(), item.text->c_str());
        break;
    default: add_children(handle.get(), item.children); break;
    }
    return handle;
}

std::string spare_class_name(const Document &document)
{
    std::set<std::string> taken = class_names(document);
    for (const ClassDecl &decl : document.empty_classes)
        taken.insert(decl.name);
    std::string name = "flftool spare class";
    for (int n = 2; taken.count(name); ++n)
        name = "flftool spare class " + std::to_string(n);
    return name;
}

// Adds the index entries in the order of their signs. A sign no entry has
// goes to a form that is removed again: first one of each class without forms
// (which is how such a class comes about), then ones of a spare class.
void build_index(FLF_BASE base, const Document &document)
{
    std::vector<const FormDecl *> by_sign;
    for (const FormDecl &form : document.forms)
        by_sign.push_back(&form);
    std::sort(by_sign.begin(), by_sign.end(), [](auto *a, auto *b) { return a->sign < b->sign; });

    std::vector<std::string> empty = empty_class_names(document);
    std::string spare = spare_class_name(document);
    bool spare_used = false;
    int32_t next = FLF_FIRST_FORM_SIGN;
    auto skip_to = [&](int32_t sign) {
        while (next < sign) {
            bool keep_class = !empty.empty();
            std::string cls = keep_class ? empty.back() : spare;
            if (keep_class)
                empty.pop_back();
            FLF_ITEM form = flf_add_form(base, cls.c_str(), 1, "");
            next = flf_get_item_sign(form) + 1;
            flf_remove_form(base, form);
            spare_used = spare_used || !keep_class;
        }
    };
    for (const FormDecl *form : by_sign) {
        skip_to(form->sign);
        FLF_ITEM added = flf_add_form(base, form->class_name.c_str(), form->id, form->alias.c_str());
        if (flf_get_item_sign(added) != form->sign)
            throw ToolError("the library gave form " + std::to_string(form->id) + " of class \"" + form->class_name +
                            "\" the sign " + std::to_string(flf_get_item_sign(added)) + " instead of " +
                            std::to_string(form->sign));
        next = form->sign + 1;
    }
    skip_to(document.next_form_sign);
    if (spare_used)
        flf_remove_class(base, spare.c_str());
}

void build_forms_root(FLF_BASE base, const Document &document)
{
    FLF_ITEM root = flf_get_form_root(base);
    while (int count = flf_get_children_count(root))
        flf_delete_property(flf_item_by_position(root, count));
    std::vector<Item> items;
    for (const FormDecl &form : document.forms) {
        if (form.body) {
            items.push_back(*form.body);
            items.back().sign = form.sign;
        }
    }
    items.insert(items.end(), document.root_items.begin(), document.root_items.end());
    add_children(root, items);
}

// A relative project is stored relative to the file, and a base holds it
// resolved. The resolution is the library's: a scratch file beside the output
// holds the stored text, and opening it gives the name to build with, so
// saving turns it back into the stored text exactly as saving an opened file
// would.
std::string project_name_for_build(const Document &document, const std::string &file_name)
{
    if (document.project_type != FLF_PROJECT_RELATIVE)
        return document.project_name;
    size_t slash = file_name.find_last_of("/\\");
    std::string scratch = (slash == std::string::npos ? std::string() : file_name.substr(0, slash + 1)) +
                          ".flftool-project-" + std::to_string(std::random_device{}()) + ".tmp";
    struct Remover {
        std::string name;
        ~Remover() { std::remove(name.c_str()); }
    } remover{scratch};
    with_library_errors("cannot write the scratch file " + scratch, [&] {
        CBinFile file(scratch.c_str(), CBinFile::ForWriting);
        file.WriteString("Formloom resource file\n");
        file.WriteInt(static_cast<int32_t>((uint32_t(FLF_PROJECT_RELATIVE) << 16) | 4u));
        file.WriteString(document.project_name.c_str());
        for (int32_t field : {0, int32_t(FLF_FIRST_FORM_SIGN), 0, 0}) // flags, next form sign, classes, forms
            file.WriteInt(field);
        file.Flush();
    });
    BaseHandle base(flf_open_base(scratch.c_str()));
    const char *resolved = base ? flf_get_project_name(base.get()) : nullptr;
    if (!resolved)
        throw ToolError("cannot resolve the relative project " + document.project_name + " against " + file_name);
    // The resolved name has backslashes; saving compares its first character
    // with the file name's as it stands, so a POSIX "/" must lead it again.
    std::string project = resolved;
    if (!project.empty() && project[0] == '\\' && !file_name.empty() && file_name[0] == '/')
        project[0] = '/';
    return project;
}

} // namespace

void build_resource_file(const Document &document, const std::string &file_name)
{
    check_buildable(document);
    std::string project_name = project_name_for_build(document, file_name);
    with_library_errors("cannot build " + file_name, [&] {
        BaseHandle base(flf_new_base(project_name.c_str(), document.project_type));
        if (!base)
            throw ToolError("cannot build " + file_name + ": the library made no resource base");
        if (document.custom_flags)
            flf_set_custom_flag(base.get(), static_cast<int>(document.custom_flags), 1);
        build_index(base.get(), document);
        build_forms_root(base.get(), document);
        flf_saveas_base(base.get(), file_name.c_str());
    });
}

} // namespace flftool
