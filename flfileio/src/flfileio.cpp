// The exported flf_ functions: thin entries into the database classes.
#include "flfileio.h"
#include "nameserver.hpp"
#include "platform.hpp"
#include "resbase.hpp"

#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <set>

namespace {

// ---- errors for callers that cannot catch exceptions -----------------------

thread_local bool catching_errors = false;
thread_local flf_error last_error = {FLF_ERROR_NONE, 0, 0, ""};

void Record(int type, int code, int detail, const std::string &message)
{
    last_error.type = type;
    last_error.code = code;
    last_error.detail = detail;
    std::snprintf(last_error.message, sizeof last_error.message, "%s", message.c_str());
}

// Runs body, letting only the library's error types out: running out of
// memory leaves as the stream error for memory (kind 5), not std::bad_alloc.
template <typename Body>
auto Raising(Body body)
{
    try {
        return body();
    } catch (const std::bad_alloc &) {
        throw new file_exception(file_exception::NoMemory, 0);
    }
}

// Runs body; in caught-errors mode a raised error is recorded and answered
// with the fallback, otherwise it travels on to the caller.
template <typename Result, typename Body>
Result Guarded(Result fallback, Body body)
{
    if (!catching_errors)
        return Raising(body);
    try {
        return body();
    } catch (mexception *raised) {
        std::unique_ptr<mexception> error(raised);
        Record(FLF_ERROR_DATABASE, error->code(), error->detail(), error->message());
    } catch (file_exception *raised) {
        std::unique_ptr<file_exception> error(raised);
        Record(FLF_ERROR_FILE, error->kind(), error->system_error(), error->message());
    } catch (flf_system_error code) {
        Record(FLF_ERROR_SYSTEM, static_cast<int>(code), 0, flf_platform::SystemMessage(code));
    } catch (const std::bad_alloc &) {
        Record(FLF_ERROR_OTHER, 0, 0, "Out of memory.");
    }
    return fallback;
}

template <typename Body>
void GuardedVoid(Body body)
{
    Guarded(0, [&] {
        body();
        return 0;
    });
}

// ---- handles ---------------------------------------------------------------

ResourceBase *AsBase(FLF_BASE base)
{
    return reinterpret_cast<ResourceBase *>(base);
}
stobject *AsItem(FLF_ITEM item)
{
    return reinterpret_cast<stobject *>(item);
}
FLF_ITEM AsHandle(stobject *item)
{
    return reinterpret_cast<FLF_ITEM>(item);
}
ClassEntry *AsClass(FLF_CLASS cls)
{
    return reinterpret_cast<ClassEntry *>(cls);
}
FormEntry *AsEntry(FLF_ENTRY entry)
{
    return reinterpret_cast<FormEntry *>(entry);
}
NameServer *AsNames(FLF_NAMES names)
{
    return reinterpret_cast<NameServer *>(names);
}

compound_stobject *AsCompound(FLF_ITEM item)
{
    stobject *object = AsItem(item);
    return object && object->IsCompound() ? static_cast<compound_stobject *>(object) : nullptr;
}

ordered_stobjects *AsOrdered(stobject *object)
{
    return object && object->tag == FLF_TAG_ORDERED ? static_cast<ordered_stobjects *>(object) : nullptr;
}

template <typename Kind>
Kind *AsKind(FLF_ITEM item, int tag)
{
    stobject *object = AsItem(item);
    return object && object->tag == tag ? static_cast<Kind *>(object) : nullptr;
}

integer_stobject *AsIntegerOrBoolean(FLF_ITEM item)
{
    stobject *object = AsItem(item);
    bool fits = object && (object->tag == FLF_TAG_INTEGER || object->tag == FLF_TAG_BOOLEAN);
    return fits ? static_cast<integer_stobject *>(object) : nullptr;
}

simple_stobject *AsSimple(FLF_ITEM item)
{
    stobject *object = AsItem(item);
    return object && !object->IsCompound() ? static_cast<simple_stobject *>(object) : nullptr;
}

// The forms roots of the open bases: they belong to their base, never to a caller.
std::set<const stobject *> &FormsRoots()
{
    static std::set<const stobject *> roots;
    return roots;
}

// Name bases live until the library is unloaded.
std::vector<std::unique_ptr<NameServer>> &NameBases()
{
    static std::vector<std::unique_ptr<NameServer>> bases;
    return bases;
}

FLF_BASE Register(std::unique_ptr<ResourceBase> base)
{
    FormsRoots().insert(&base->forms_root);
    return reinterpret_cast<FLF_BASE>(base.release());
}

// An item may join a compound only when no compound holds it and the compound
// is not inside the item's own subtree.
bool MayJoin(const compound_stobject *receiver, const stobject *item)
{
    if (!receiver || !item || item->parent || FormsRoots().count(item))
        return false;
    for (const stobject *up = receiver; up; up = up->parent)
        if (up == item)
            return false;
    return true;
}

compound_stobject *ReceiverFor(FLF_ITEM target)
{
    stobject *object = AsItem(target);
    if (!object)
        return nullptr;
    return object->IsCompound() ? static_cast<compound_stobject *>(object) : object->parent;
}

// Offers a caller's free item to place, which may take it into a compound.
// What place leaves, by refusing it or by failing, stays the caller's.
template <typename Place>
void OfferCallersItem(stobject *item, Place place)
{
    std::unique_ptr<stobject> offered(item);
    struct StaysWithCaller {
        std::unique_ptr<stobject> &offered;
        ~StaysWithCaller() { static_cast<void>(offered.release()); }
    } stays{offered};
    place(offered);
}

std::unique_ptr<stobject> NewItem(int tag, int sign)
{
    std::unique_ptr<stobject> item = CreateStobject(tag);
    item->sign = sign;
    return item;
}

void ApplyText(FLF_ITEM item, const char *text)
{
    if (simple_stobject *simple = AsSimple(item); simple && text)
        simple->SetText(text);
}

} // namespace

// ---- bases and header fields -----------------------------------------------

FLF_BASE flf_new_base(const char *project_name, int project_type)
{
    return Guarded<FLF_BASE>(nullptr,
                             [&] { return Register(std::make_unique<ResourceBase>(project_name, project_type)); });
}

// Why a resource file did not open, recorded in either error mode: opening
// never raises, so this is the only way a caller learns it.
void RecordOpenFailure(int type, int code, int detail, const char *file_name, const std::string &why)
{
    char quoted[160];
    std::snprintf(quoted, sizeof quoted, "\"%s\"", file_name);
    Record(type, code, detail, std::string(quoted) + why);
}

FLF_BASE flf_open_base(const char *file_name)
{
    if (!file_name) {
        RecordOpenFailure(FLF_ERROR_SYSTEM, flf_platform::kNoFileNameError, 0, "", " cannot be opened: no file name.");
        return nullptr;
    }
    try {
        return Register(ResourceBase::Open(file_name));
    } catch (const MalformedFile &malformed) {
        char why[192];
        std::snprintf(why, sizeof why, " is malformed at byte %lld (%s): %s.", static_cast<long long>(malformed.offset),
                      malformed.part, malformed.check);
        int offset = malformed.offset > INT32_MAX ? INT32_MAX : static_cast<int>(malformed.offset);
        RecordOpenFailure(FLF_ERROR_FILE, malformed.kind, offset, file_name, why);
    } catch (flf_system_error code) {
        RecordOpenFailure(FLF_ERROR_SYSTEM, static_cast<int>(code), 0, file_name,
                          " cannot be opened: " + flf_platform::SystemMessage(code));
    } catch (file_exception *raised) {
        std::unique_ptr<file_exception> error(raised);
        RecordOpenFailure(FLF_ERROR_FILE, error->kind(), error->system_error(), file_name,
                          " cannot be read: " + error->message());
    } catch (mexception *raised) {
        std::unique_ptr<mexception> error(raised);
        RecordOpenFailure(FLF_ERROR_DATABASE, error->code(), error->detail(), file_name, ": " + error->message());
    } catch (const std::bad_alloc &) {
        RecordOpenFailure(FLF_ERROR_OTHER, 0, 0, file_name, ": not enough memory to open it.");
    }
    return nullptr;
}

void flf_save_base(FLF_BASE base)
{
    if (base)
        GuardedVoid([&] { AsBase(base)->Save(); });
}

void flf_saveas_base(FLF_BASE base, const char *file_name)
{
    if (base)
        GuardedVoid([&] { AsBase(base)->SaveAs(file_name); });
}

void flf_close_base(FLF_BASE base)
{
    if (!base)
        return;
    FormsRoots().erase(&AsBase(base)->forms_root);
    delete AsBase(base);
}

int flf_get_project_type(FLF_BASE base)
{
    return base ? AsBase(base)->project_type : 0;
}

void flf_set_project_name(FLF_BASE base, const char *name)
{
    if (base && name)
        GuardedVoid([&] { AsBase(base)->project_name = name; });
}

const char *flf_get_project_name(FLF_BASE base)
{
    return base ? AsBase(base)->project_name.c_str() : nullptr;
}

int flf_get_resource_version(FLF_BASE base)
{
    return base ? AsBase(base)->version_word : 0;
}

int flf_get_custom_flag(FLF_BASE base, int mask)
{
    return base && (AsBase(base)->custom_flags & static_cast<uint32_t>(mask)) != 0 ? 1 : 0;
}

void flf_set_custom_flag(FLF_BASE base, int mask, int on)
{
    if (!base)
        return;
    uint32_t &flags = AsBase(base)->custom_flags;
    flags = on ? flags | static_cast<uint32_t>(mask) : flags & ~static_cast<uint32_t>(mask);
}

// ---- forms and classes -----------------------------------------------------

FLF_ITEM flf_get_form_root(FLF_BASE base)
{
    return base ? AsHandle(&AsBase(base)->forms_root) : nullptr;
}

FLF_ITEM flf_add_form(FLF_BASE base, const char *class_name, int form_id, const char *alias)
{
    if (!base || !class_name)
        return nullptr;
    return Guarded<FLF_ITEM>(nullptr, [&] { return AsHandle(AsBase(base)->AddForm(class_name, form_id, alias)); });
}

void flf_remove_form(FLF_BASE base, FLF_ITEM form)
{
    if (base)
        AsBase(base)->RemoveForm(AsItem(form));
}

static FormEntry *EntryOf(FLF_BASE base, const char *class_name, int form_id)
{
    ClassEntry *cls = base ? AsBase(base)->index.Find(class_name) : nullptr;
    return cls ? cls->ById(form_id) : nullptr;
}

int flf_get_form_sign(FLF_BASE base, const char *class_name, int form_id)
{
    FormEntry *entry = EntryOf(base, class_name, form_id);
    return entry ? entry->form_sign : 0;
}

FLF_ITEM flf_get_form(FLF_BASE base, const char *class_name, int form_id)
{
    return base ? AsHandle(AsBase(base)->Form(class_name, form_id)) : nullptr;
}

int flf_get_form_id(FLF_BASE base, const char *class_name, int form_sign)
{
    ClassEntry *cls = base ? AsBase(base)->index.Find(class_name) : nullptr;
    FormEntry *entry = cls ? cls->FirstWithSign(form_sign) : nullptr;
    return entry ? entry->form_id : 0;
}

int flf_is_form_id_used(FLF_BASE base, const char *class_name, int form_id)
{
    ClassEntry *cls = base ? AsBase(base)->index.Find(class_name) : nullptr;
    if (!cls || !cls->ById(form_id))
        return form_id;
    return cls->FreeId();
}

void flf_set_new_id(FLF_BASE base, const char *class_name, int old_id, int new_id)
{
    ClassEntry *cls = base ? AsBase(base)->index.Find(class_name) : nullptr;
    if (FormEntry *entry = cls ? cls->ById(old_id) : nullptr)
        cls->ChangeId(entry, new_id);
}

void flf_set_form_alias(FLF_BASE base, const char *class_name, int form_id, const char *alias)
{
    FormEntry *entry = EntryOf(base, class_name, form_id);
    if (entry && alias)
        GuardedVoid([&] { entry->alias = alias; });
}

const char *flf_get_form_alias(FLF_BASE base, const char *class_name, int form_id)
{
    FormEntry *entry = EntryOf(base, class_name, form_id);
    return entry ? entry->alias.c_str() : nullptr;
}

const char *flf_get_class_by_sign(FLF_BASE base, int form_sign)
{
    if (!base)
        return nullptr;
    const ClassIndex &index = AsBase(base)->index;
    for (int position = 1; position <= index.Count(); ++position) {
        ClassEntry *cls = index.At(position);
        for (int form = 1; form <= cls->Count(); ++form)
            if (cls->At(form)->form_sign == form_sign && cls->At(form)->form_id > 0)
                return cls->Name().c_str();
    }
    return nullptr;
}

FLF_CLASS flf_get_class_forms(FLF_BASE base, const char *class_name)
{
    return base ? reinterpret_cast<FLF_CLASS>(AsBase(base)->index.Find(class_name)) : nullptr;
}

FLF_CLASS flf_get_class_handle(FLF_BASE base, const char *class_name)
{
    return flf_get_class_forms(base, class_name);
}

void flf_remove_class(FLF_BASE base, const char *class_name)
{
    if (base)
        AsBase(base)->index.Remove(class_name);
}

int flf_get_class_count(FLF_BASE base)
{
    return base ? AsBase(base)->index.Count() : 0;
}

int flf_get_first_class(FLF_BASE base)
{
    return flf_get_class_count(base) > 0 ? 1 : 0;
}

int flf_get_next_class(FLF_BASE base, int position)
{
    return position >= 0 && position < flf_get_class_count(base) ? position + 1 : 0;
}

FLF_CLASS flf_class_item(FLF_BASE base, int position)
{
    return base ? reinterpret_cast<FLF_CLASS>(AsBase(base)->index.At(position)) : nullptr;
}

const char *flf_class_item_name(FLF_CLASS cls)
{
    return cls ? AsClass(cls)->Name().c_str() : nullptr;
}

int flf_get_class_forms_count(FLF_CLASS cls)
{
    return cls ? AsClass(cls)->Count() : 0;
}

int flf_get_class_forms_sign(FLF_CLASS cls, int position)
{
    FormEntry *entry = cls ? AsClass(cls)->At(position) : nullptr;
    return entry ? entry->form_id : 0;
}

int flf_get_first_class_form(FLF_CLASS cls)
{
    return flf_get_class_forms_count(cls) > 0 ? 1 : 0;
}

int flf_get_next_class_form(FLF_CLASS cls, int position)
{
    return position >= 0 && position < flf_get_class_forms_count(cls) ? position + 1 : 0;
}

FLF_ENTRY flf_class_form_item(FLF_CLASS cls, int position)
{
    return cls ? reinterpret_cast<FLF_ENTRY>(AsClass(cls)->At(position)) : nullptr;
}

int flf_class_form_item_id(FLF_ENTRY entry)
{
    return entry ? AsEntry(entry)->form_id : 0;
}

int flf_class_form_item_sign(FLF_ENTRY entry)
{
    return entry ? AsEntry(entry)->form_sign : 0;
}

const char *flf_class_form_item_alias(FLF_ENTRY entry)
{
    return entry ? AsEntry(entry)->alias.c_str() : nullptr;
}

// ---- properties: look-up and navigation ------------------------------------

FLF_ITEM flf_get_prop(FLF_ITEM compound, int sign)
{
    compound_stobject *c = AsCompound(compound);
    return c ? Guarded<FLF_ITEM>(nullptr, [&] { return AsHandle(c->ChildBySign(sign)); }) : nullptr;
}

FLF_ITEM flf_get_sub_prop(FLF_ITEM compound, const int *path, int count)
{
    compound_stobject *c = AsCompound(compound);
    if (!c || !path || count < 1)
        return nullptr;
    return Guarded<FLF_ITEM>(nullptr, [&]() -> FLF_ITEM {
        try {
            return AsHandle(c->ChildByPath(reinterpret_cast<const int32_t *>(path), count));
        } catch (mexception *raised) {
            std::unique_ptr<mexception> error(raised); // a path through a simple value finds nothing
            return nullptr;
        }
    });
}

FLF_ITEM flf_get_parent_prop(FLF_ITEM item)
{
    return item ? AsHandle(AsItem(item)->parent) : nullptr;
}

int flf_get_children_count(FLF_ITEM compound)
{
    compound_stobject *c = AsCompound(compound);
    return c ? Guarded(0, [&] { return c->Count(); }) : 0;
}

int flf_get_first_prop_position(FLF_ITEM compound)
{
    compound_stobject *c = AsCompound(compound);
    return c ? Guarded(0, [&] { return c->FirstPosition(); }) : 0;
}

int flf_get_next_prop_position(FLF_ITEM compound, int position)
{
    compound_stobject *c = AsCompound(compound);
    return c ? Guarded(0, [&] { return c->NextPosition(position); }) : 0;
}

FLF_ITEM flf_item_by_position(FLF_ITEM compound, int position)
{
    compound_stobject *c = AsCompound(compound);
    return c ? Guarded<FLF_ITEM>(nullptr, [&] { return AsHandle(c->ItemAt(position)); }) : nullptr;
}

int flf_find_item_position(FLF_ITEM compound, FLF_ITEM item)
{
    compound_stobject *c = AsCompound(compound);
    return c && item ? Guarded(0, [&] { return c->PositionOf(AsItem(item)); }) : 0;
}

void flf_insert_at_position(FLF_ITEM compound, FLF_ITEM item, int position)
{
    ordered_stobjects *c = AsOrdered(AsItem(compound));
    if (MayJoin(c, AsItem(item)))
        GuardedVoid([&] {
            OfferCallersItem(AsItem(item),
                             [&](std::unique_ptr<stobject> &offered) { c->InsertAt(std::move(offered), position); });
        });
}

int flf_get_item_sign(FLF_ITEM item)
{
    return item ? AsItem(item)->sign : 0;
}

int flf_set_item_sign(FLF_ITEM item, int sign)
{
    stobject *object = AsItem(item);
    if (!object || !object->parent)
        return 0;
    return Guarded(0, [&] { return object->parent->SetChildSign(object, sign); });
}

int flf_get_item_tag(FLF_ITEM item)
{
    return item ? AsItem(item)->tag : 0;
}

// ---- properties: values ----------------------------------------------------

int flf_get_prop_int(FLF_ITEM item)
{
    integer_stobject *value = AsIntegerOrBoolean(item);
    return value ? value->value : 0;
}

const char *flf_get_prop_str(FLF_ITEM item)
{
    string_stobject *value = AsKind<string_stobject>(item, FLF_TAG_STRING);
    return value ? value->Value() : nullptr;
}

int flf_get_prop_boo(FLF_ITEM item)
{
    return flf_get_prop_int(item);
}

char flf_get_prop_char(FLF_ITEM item)
{
    character_stobject *value = AsKind<character_stobject>(item, FLF_TAG_CHARACTER);
    return value ? value->value : 0;
}

double flf_get_prop_double(FLF_ITEM item)
{
    double_stobject *value = AsKind<double_stobject>(item, FLF_TAG_DOUBLE);
    return value ? value->value : 0.0;
}

void flf_set_prop_int(FLF_ITEM item, int value)
{
    if (integer_stobject *target = AsIntegerOrBoolean(item))
        target->value = value;
}

void flf_set_prop_str(FLF_ITEM item, const char *text)
{
    if (string_stobject *target = AsKind<string_stobject>(item, FLF_TAG_STRING))
        GuardedVoid([&] { target->SetValue(text); });
}

void flf_set_prop_boo(FLF_ITEM item, int value)
{
    flf_set_prop_int(item, value);
}

void flf_set_prop_char(FLF_ITEM item, int character)
{
    if (character_stobject *target = AsKind<character_stobject>(item, FLF_TAG_CHARACTER))
        target->value = static_cast<char>(character & 0xFF);
}

void flf_set_prop_double(FLF_ITEM item, double value)
{
    if (double_stobject *target = AsKind<double_stobject>(item, FLF_TAG_DOUBLE))
        target->value = value;
}

const char *flf_get_simple_item_value(FLF_ITEM item)
{
    simple_stobject *simple = AsSimple(item);
    return simple ? Guarded<const char *>(nullptr, [&] { return simple->GetText(); }) : nullptr;
}

int flf_set_simple_item_value(FLF_ITEM item, const char *text)
{
    simple_stobject *simple = AsSimple(item);
    if (!simple || (!text && simple->tag != FLF_TAG_STRING))
        return 0;
    return Guarded(0, [&] { return simple->SetText(text); });
}

// ---- properties: creating and placing ---------------------------------------

FLF_ITEM flf_create_property(int tag, int sign, const char *text)
{
    return Guarded<FLF_ITEM>(nullptr, [&] {
        std::unique_ptr<stobject> item = NewItem(tag, sign);
        ApplyText(AsHandle(item.get()), text);
        return AsHandle(item.release()); // the caller's now
    });
}

FLF_ITEM flf_add_property(FLF_ITEM target, int tag, int sign, const char *text)
{
    return Guarded<FLF_ITEM>(nullptr, [&]() -> FLF_ITEM {
        std::unique_ptr<stobject> item = NewItem(tag, sign);
        compound_stobject *receiver = ReceiverFor(target);
        if (!receiver)
            return nullptr;
        FLF_ITEM added = AsHandle(item.get());
        receiver->Add(std::move(item));
        ApplyText(added, text);
        return added;
    });
}

void flf_add_prop(FLF_ITEM target, FLF_ITEM item)
{
    compound_stobject *receiver = ReceiverFor(target);
    if (MayJoin(receiver, AsItem(item)))
        GuardedVoid([&] {
            OfferCallersItem(AsItem(item),
                             [&](std::unique_ptr<stobject> &offered) { receiver->Add(std::move(offered)); });
        });
}

FLF_ITEM flf_clone_prop(FLF_ITEM item)
{
    return item ? Guarded<FLF_ITEM>(nullptr, [&] { return AsHandle(AsItem(item)->Clone().release()); }) : nullptr;
}

void flf_delete_property(FLF_ITEM item)
{
    stobject *object = AsItem(item);
    if (!object || FormsRoots().count(object))
        return;
    if (object->parent)
        GuardedVoid([&] { object->parent->Delete(object); });
    else
        std::unique_ptr<stobject> owned(object); // an item the caller created, cloned or detached
}

void flf_remove_property(FLF_ITEM item)
{
    stobject *object = AsItem(item);
    if (ordered_stobjects *parent = object ? AsOrdered(object->parent) : nullptr)
        GuardedVoid([&] { static_cast<void>(parent->Detach(object).release()); }); // the caller's now
}

void flf_move_prop(FLF_ITEM item, int to_top)
{
    stobject *object = AsItem(item);
    if (ordered_stobjects *parent = object ? AsOrdered(object->parent) : nullptr)
        GuardedVoid([&] { parent->Exchange(object, to_top != 0); });
}

// ---- properties: the single-property record ----------------------------------

void flf_write_prop(CAbstrFile *stream, FLF_ITEM item)
{
    if (!stream || !item)
        return;
    GuardedVoid([&] {
        const stobject *object = AsItem(item);
        stream->WriteInt(1);
        stream->WriteByte(object->tag);
        stream->WriteInt(object->sign);
        object->Write(*stream);
    });
}

FLF_ITEM flf_read_prop(CAbstrFile *stream)
{
    if (!stream)
        return nullptr;
    return Guarded<FLF_ITEM>(nullptr, [&] {
        ordered_stobjects list;
        list.Read(*stream, 0); // a record carries no version: old rules apply
        if (list.Count() == 0)
            throw new file_exception(file_exception::OutOfBounds, 0);
        return AsHandle(list.Detach(list.ItemAt(1)).release());
    });
}

// ---- name bases --------------------------------------------------------------

FLF_NAMES flf_open_name_base(const char *file_name)
{
    if (!file_name)
        return nullptr;
    return Guarded<FLF_NAMES>(nullptr, [&] {
        NameBases().push_back(NameServer::Open(file_name));
        return reinterpret_cast<FLF_NAMES>(NameBases().back().get());
    });
}

void flf_save_name_base(FLF_NAMES names, const char *file_name)
{
    if (names && file_name)
        GuardedVoid([&] { AsNames(names)->Save(file_name); });
}

int flf_add_name_to_server(FLF_NAMES names, const char *name)
{
    return names ? Guarded(0, [&] { return AsNames(names)->Add(name); }) : 0;
}

int flf_get_sign_by_name(FLF_NAMES names, const char *name)
{
    return names ? AsNames(names)->SignOf(name) : 0;
}

const char *flf_get_name_by_sign(FLF_NAMES names, int sign)
{
    return names ? AsNames(names)->NameOf(sign) : nullptr;
}

void flf_remove_name_from_server(FLF_NAMES names, int sign)
{
    if (names)
        GuardedVoid([&] { AsNames(names)->Remove(sign); });
}

int flf_name_server_get_first(FLF_NAMES names)
{
    return names && AsNames(names)->Count() > 0 ? 1 : 0;
}

int flf_name_server_get_next(FLF_NAMES names, int position)
{
    return names && position >= 0 && position < AsNames(names)->Count() ? position + 1 : 0;
}

const char *flf_name_server_item_name(FLF_NAMES names, int position)
{
    const NameEntry *entry = names ? AsNames(names)->At(position) : nullptr;
    return entry ? entry->name.c_str() : nullptr;
}

int flf_name_server_item_sign(FLF_NAMES names, int position)
{
    const NameEntry *entry = names ? AsNames(names)->At(position) : nullptr;
    return entry ? entry->sign : 0;
}

void flf_gen_c_const_file(FLF_NAMES names, const char *file_name)
{
    if (names && file_name)
        GuardedVoid([&] { AsNames(names)->WriteCHeader(file_name); });
}

void flf_gen_qev_const_file(FLF_NAMES names, const char *file_name)
{
    if (names && file_name)
        GuardedVoid([&] { AsNames(names)->WriteClassText(file_name); });
}

// ---- error mode ----------------------------------------------------------------

int flf_catch_errors(int on)
{
    int previous = catching_errors ? 1 : 0;
    catching_errors = on != 0;
    return previous;
}

int flf_last_error(flf_error *error)
{
    int type = last_error.type;
    if (error)
        *error = last_error;
    last_error = flf_error{FLF_ERROR_NONE, 0, 0, ""};
    return type;
}
