/*
 * flfileio: the form resource database.
 *
 * Reads and writes form resource files (".flf"): a header, an index of
 * application classes with their numbered forms, and a tree of typed
 * properties numbered by signs. A name base maps property names to signs and
 * writes them out as constant files.
 *
 * Usable from C and C++. All functions use the C calling convention with C
 * linkage; every handle is opaque. Texts and handles returned belong to the
 * library (copy texts you keep), except the items documented as owned by the
 * caller until they are added to a compound.
 *
 * Errors. Look-ups report misses with 0 or none. File and database errors are
 * raised as C++ exceptions, all thrown by value of a pointer or number:
 *   - flf_system_error (the platform's error code) when a file cannot be opened,
 *   - file_exception*  for stream errors (the catcher deletes it),
 *   - mexception*      for database errors (the catcher deletes it).
 * C callers cannot catch exceptions: they call flf_catch_errors(1) once, after
 * which a failing function returns 0 or none and flf_last_error() tells what
 * went wrong. flf_open_base never raises; it returns none on any failure and,
 * in either mode, records why for flf_last_error(): the system's error for a
 * file that cannot be opened, or for a malformed file FLF_ERROR_FILE with the
 * stream error kind, the byte offset where reading stopped in detail, and a
 * message naming the part of the file and the check that failed.
 */
#ifndef FLFILEIO_H
#define FLFILEIO_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#if defined(FLFILEIO_BUILD)
#define FLF_API __declspec(dllexport)
#else
#define FLF_API __declspec(dllimport)
#endif
#define FLF_CALL __cdecl
#else
#define FLF_API __attribute__((visibility("default")))
#define FLF_CALL
#endif

/* Tags: the class of a stored object. */
enum {
    FLF_TAG_ORDERED = 1,
    FLF_TAG_SORTED = 2,
    FLF_TAG_INTEGER = 10,
    FLF_TAG_STRING = 11,
    FLF_TAG_BOOLEAN = 12,
    FLF_TAG_CHARACTER = 13,
    FLF_TAG_DOUBLE = 14
};

/* Project types with a meaning to the library. */
enum {
    FLF_PROJECT_ABSOLUTE = 0xEFFE, /* project name stored verbatim */
    FLF_PROJECT_RELATIVE = 0xCAFE  /* project name stored relative to the file */
};

enum { FLF_FIRST_FORM_SIGN = 10001, FLF_MAX_STRING = 4095 };

typedef struct flf_base_ *FLF_BASE;   /* a resource base */
typedef struct flf_item_ *FLF_ITEM;   /* a stored object (compound or value) */
typedef struct flf_class_ *FLF_CLASS; /* a class of the form index */
typedef struct flf_entry_ *FLF_ENTRY; /* a form entry of a class */
typedef struct flf_names_ *FLF_NAMES; /* a name base */

#ifdef __cplusplus
class CAbstrFile;
#else
typedef struct CAbstrFile CAbstrFile;
#endif

#if defined(_WIN32)
typedef unsigned long flf_system_error; /* DWORD, as GetLastError returns it */
#else
typedef uint32_t flf_system_error; /* errno */
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Bases and header fields */
FLF_API FLF_BASE FLF_CALL flf_new_base(const char *project_name, int project_type);
FLF_API FLF_BASE FLF_CALL flf_open_base(const char *file_name);
FLF_API void FLF_CALL flf_save_base(FLF_BASE base);
FLF_API void FLF_CALL flf_saveas_base(FLF_BASE base, const char *file_name);
FLF_API void FLF_CALL flf_close_base(FLF_BASE base);
FLF_API int FLF_CALL flf_get_project_type(FLF_BASE base);
FLF_API void FLF_CALL flf_set_project_name(FLF_BASE base, const char *name);
FLF_API const char *FLF_CALL flf_get_project_name(FLF_BASE base);
FLF_API int FLF_CALL flf_get_resource_version(FLF_BASE base);
FLF_API int FLF_CALL flf_get_custom_flag(FLF_BASE base, int mask);
FLF_API void FLF_CALL flf_set_custom_flag(FLF_BASE base, int mask, int on);

/* Forms and classes */
FLF_API FLF_ITEM FLF_CALL flf_get_form_root(FLF_BASE base);
FLF_API FLF_ITEM FLF_CALL flf_add_form(FLF_BASE base, const char *class_name, int form_id, const char *alias);
FLF_API void FLF_CALL flf_remove_form(FLF_BASE base, FLF_ITEM form);
FLF_API int FLF_CALL flf_get_form_sign(FLF_BASE base, const char *class_name, int form_id);
FLF_API FLF_ITEM FLF_CALL flf_get_form(FLF_BASE base, const char *class_name, int form_id);
FLF_API int FLF_CALL flf_get_form_id(FLF_BASE base, const char *class_name, int form_sign);
FLF_API int FLF_CALL flf_is_form_id_used(FLF_BASE base, const char *class_name, int form_id);
FLF_API void FLF_CALL flf_set_new_id(FLF_BASE base, const char *class_name, int old_id, int new_id);
FLF_API void FLF_CALL flf_set_form_alias(FLF_BASE base, const char *class_name, int form_id, const char *alias);
FLF_API const char *FLF_CALL flf_get_form_alias(FLF_BASE base, const char *class_name, int form_id);
FLF_API const char *FLF_CALL flf_get_class_by_sign(FLF_BASE base, int form_sign);
FLF_API FLF_CLASS FLF_CALL flf_get_class_forms(FLF_BASE base, const char *class_name);
FLF_API FLF_CLASS FLF_CALL flf_get_class_handle(FLF_BASE base, const char *class_name);
FLF_API void FLF_CALL flf_remove_class(FLF_BASE base, const char *class_name);
FLF_API int FLF_CALL flf_get_class_count(FLF_BASE base);
FLF_API int FLF_CALL flf_get_first_class(FLF_BASE base);
FLF_API int FLF_CALL flf_get_next_class(FLF_BASE base, int position);
FLF_API FLF_CLASS FLF_CALL flf_class_item(FLF_BASE base, int position);
FLF_API const char *FLF_CALL flf_class_item_name(FLF_CLASS cls);
FLF_API int FLF_CALL flf_get_class_forms_count(FLF_CLASS cls);
FLF_API int FLF_CALL flf_get_class_forms_sign(FLF_CLASS cls, int position);
FLF_API int FLF_CALL flf_get_first_class_form(FLF_CLASS cls);
FLF_API int FLF_CALL flf_get_next_class_form(FLF_CLASS cls, int position);
FLF_API FLF_ENTRY FLF_CALL flf_class_form_item(FLF_CLASS cls, int position);
FLF_API int FLF_CALL flf_class_form_item_id(FLF_ENTRY entry);
FLF_API int FLF_CALL flf_class_form_item_sign(FLF_ENTRY entry);
FLF_API const char *FLF_CALL flf_class_form_item_alias(FLF_ENTRY entry);

/* Properties */
FLF_API FLF_ITEM FLF_CALL flf_get_prop(FLF_ITEM compound, int sign);
FLF_API FLF_ITEM FLF_CALL flf_get_sub_prop(FLF_ITEM compound, const int *path, int count);
FLF_API FLF_ITEM FLF_CALL flf_get_parent_prop(FLF_ITEM item);
FLF_API int FLF_CALL flf_get_children_count(FLF_ITEM compound);
FLF_API int FLF_CALL flf_get_first_prop_position(FLF_ITEM compound);
FLF_API int FLF_CALL flf_get_next_prop_position(FLF_ITEM compound, int position);
FLF_API FLF_ITEM FLF_CALL flf_item_by_position(FLF_ITEM compound, int position);
FLF_API int FLF_CALL flf_find_item_position(FLF_ITEM compound, FLF_ITEM item);
FLF_API void FLF_CALL flf_insert_at_position(FLF_ITEM compound, FLF_ITEM item, int position);
FLF_API int FLF_CALL flf_get_item_sign(FLF_ITEM item);
FLF_API int FLF_CALL flf_set_item_sign(FLF_ITEM item, int sign);
FLF_API int FLF_CALL flf_get_item_tag(FLF_ITEM item);
FLF_API int FLF_CALL flf_get_prop_int(FLF_ITEM item);
FLF_API const char *FLF_CALL flf_get_prop_str(FLF_ITEM item);
FLF_API int FLF_CALL flf_get_prop_boo(FLF_ITEM item);
FLF_API char FLF_CALL flf_get_prop_char(FLF_ITEM item);
FLF_API double FLF_CALL flf_get_prop_double(FLF_ITEM item);
FLF_API void FLF_CALL flf_set_prop_int(FLF_ITEM item, int value);
FLF_API void FLF_CALL flf_set_prop_str(FLF_ITEM item, const char *text);
FLF_API void FLF_CALL flf_set_prop_boo(FLF_ITEM item, int value);
FLF_API void FLF_CALL flf_set_prop_char(FLF_ITEM item, int character);
FLF_API void FLF_CALL flf_set_prop_double(FLF_ITEM item, double value);
FLF_API const char *FLF_CALL flf_get_simple_item_value(FLF_ITEM item);
FLF_API int FLF_CALL flf_set_simple_item_value(FLF_ITEM item, const char *text);
FLF_API FLF_ITEM FLF_CALL flf_create_property(int tag, int sign, const char *text);
FLF_API FLF_ITEM FLF_CALL flf_add_property(FLF_ITEM target, int tag, int sign, const char *text);
FLF_API void FLF_CALL flf_add_prop(FLF_ITEM target, FLF_ITEM item);
FLF_API FLF_ITEM FLF_CALL flf_clone_prop(FLF_ITEM item);
FLF_API void FLF_CALL flf_delete_property(FLF_ITEM item);
FLF_API void FLF_CALL flf_remove_property(FLF_ITEM item);
FLF_API void FLF_CALL flf_move_prop(FLF_ITEM item, int to_top);
FLF_API void FLF_CALL flf_write_prop(CAbstrFile *stream, FLF_ITEM item);
FLF_API FLF_ITEM FLF_CALL flf_read_prop(CAbstrFile *stream);

/* Name bases */
FLF_API FLF_NAMES FLF_CALL flf_open_name_base(const char *file_name);
FLF_API void FLF_CALL flf_save_name_base(FLF_NAMES names, const char *file_name);
FLF_API int FLF_CALL flf_add_name_to_server(FLF_NAMES names, const char *name);
FLF_API int FLF_CALL flf_get_sign_by_name(FLF_NAMES names, const char *name);
FLF_API const char *FLF_CALL flf_get_name_by_sign(FLF_NAMES names, int sign);
FLF_API void FLF_CALL flf_remove_name_from_server(FLF_NAMES names, int sign);
FLF_API int FLF_CALL flf_name_server_get_first(FLF_NAMES names);
FLF_API int FLF_CALL flf_name_server_get_next(FLF_NAMES names, int position);
FLF_API const char *FLF_CALL flf_name_server_item_name(FLF_NAMES names, int position);
FLF_API int FLF_CALL flf_name_server_item_sign(FLF_NAMES names, int position);
FLF_API void FLF_CALL flf_gen_c_const_file(FLF_NAMES names, const char *file_name);
FLF_API void FLF_CALL flf_gen_qev_const_file(FLF_NAMES names, const char *file_name);

/*
 * Error reporting for callers that cannot catch C++ exceptions (additions to
 * the interface above).
 *
 * flf_catch_errors(1) switches the calling thread to caught errors: a function
 * that would raise returns 0 or none instead and records the error, which
 * flf_last_error() reports (and clears). flf_catch_errors(0) restores raising.
 * Both return the previous setting. The default is to raise.
 */
enum {
    FLF_ERROR_NONE = 0,
    FLF_ERROR_SYSTEM = 1,   /* code: the platform's error code */
    FLF_ERROR_FILE = 2,     /* code: file_exception kind, detail: system code */
    FLF_ERROR_DATABASE = 3, /* code: mexception code, detail: its detail */
    FLF_ERROR_OTHER = 4     /* out of memory and the like */
};

typedef struct flf_error {
    int type;
    int code;
    int detail;
    char message[256];
} flf_error;

FLF_API int FLF_CALL flf_catch_errors(int on);
FLF_API int FLF_CALL flf_last_error(flf_error *error);

#ifdef __cplusplus
} /* extern "C" */
#include "flfileio_classes.hpp"
#endif

#endif /* FLFILEIO_H */
