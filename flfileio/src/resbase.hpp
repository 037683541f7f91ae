// A resource base: header fields, the class and form index, and the tree of
// forms, read from and written to one resource file.
// The byte layout of the file, field by field: docs/flf-format.md.
#ifndef FLFILEIO_RESBASE_HPP
#define FLFILEIO_RESBASE_HPP

#include "image.hpp"
#include "platform.hpp"
#include "stobject.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct FormEntry {
    int32_t form_id;
    int32_t form_sign;
    std::string alias;
};

class ClassEntry {
public:
    explicit ClassEntry(std::string name) : name_(std::move(name)) {}

    const std::string &Name() const { return name_; }
    int Count() const { return static_cast<int>(forms_.size()); }
    FormEntry *At(int position) const;
    // Search over the form ids: found position or negated insertion position.
    int Search(int32_t form_id) const;
    FormEntry *ById(int32_t form_id) const;
    FormEntry *FirstWithSign(int32_t form_sign) const;
    void Insert(std::unique_ptr<FormEntry> entry);
    void Remove(const FormEntry *entry);
    void ChangeId(FormEntry *entry, int32_t new_id);
    int32_t LargestId() const;
    // The largest id plus one; when the largest is the highest id there is,
    // the smallest positive id no entry has.
    int32_t FreeId() const;

    void ReadEntries(CAbstrFile &stream, int32_t count);
    void Write(CAbstrFile &stream) const;

private:
    int PositionOf(const FormEntry *entry) const;

    std::vector<std::unique_ptr<FormEntry>> forms_;
    std::string name_;
};

class ClassIndex {
public:
    int Count() const { return static_cast<int>(classes_.size()); }
    ClassEntry *At(int position) const;
    ClassEntry *Find(const char *name) const;
    ClassEntry *FindOrAdd(const char *name);
    void Remove(const char *name);
    // The next form sign, none when the signs are used up: the highest sign
    // is never handed out, so the next form sign never overflows.
    std::optional<int32_t> AllocateFormSign();

    // The signs of all forms, ascending, each once.
    std::vector<int32_t> FormSigns() const;

    void Read(CAbstrFile &stream);
    void Write(CAbstrFile &stream) const;

private:
    int Search(const char *name) const;
    void InsertSorted(std::unique_ptr<ClassEntry> entry);

    std::vector<std::unique_ptr<ClassEntry>> classes_;
    int32_t next_form_sign_ = FLF_FIRST_FORM_SIGN;
    // The highest form sign of the entries read from a file, whose next form
    // sign may lag behind it.
    int32_t highest_read_sign_ = INT32_MIN;
};

class ResourceBase {
public:
    ResourceBase(const char *project_name, int32_t project_type);

    // Reads a resource file; raises what the stream raises.
    static std::unique_ptr<ResourceBase> Open(const char *file_name);
    // Writes the base to its file through a temporary file beside it, so a
    // failed save leaves the previous file as it was.
    void Save();
    void SaveAs(const char *file_name);

    // The bytes of the opened file: forms are read from them on first use.
    std::unique_ptr<flf_platform::FileImage> image;
    int32_t project_type;
    std::string project_name;
    uint32_t custom_flags = 0;
    int32_t version_word = 0;
    std::optional<std::string> file_name;
    sorted_stobjects forms_root;
    ClassIndex index;

    sorted_stobjects *AddForm(const char *class_name, int32_t form_id, const char *alias);
    void RemoveForm(stobject *form);
    stobject *Form(const char *class_name, int32_t form_id) const;

private:
    // The project string as the file holds it, the folder of that file, and
    // the name it stood for there.
    struct StoredProject {
        std::string text;
        std::string folder;
        std::string name;
    };

    void ReadFrom(CByteReader &stream, const char *file_name, WalkAhead *ahead);
    void ReadFormsRoot(CByteReader &stream, WalkAhead *ahead);
    void WriteTo(CAbstrFile &stream, const std::string &project_string) const;
    std::string ProjectStringFor(const std::string &file) const;

    std::optional<StoredProject> stored_project_;
};

// The project path as stored for a resource file, and back.
std::string RelativeProjectName(const std::string &project, const std::string &file_name);
std::string ResolveProjectName(const std::string &stored, const std::string &file_name);

#endif // FLFILEIO_RESBASE_HPP
