// Reading and writing resource files: header, class index and forms root.
// The byte layout of the file, field by field: docs/flf-format.md.
#include "resbase.hpp"
#include "platform.hpp"
#include "storage.hpp"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>

namespace {

const char kFileHeader[] = "Formloom resource file\n";
constexpr int32_t kFormatVersion = 4;
constexpr int kSmallestFormEntryBytes = 12; // id, sign, empty alias
constexpr int kSmallestClassEntryBytes = 8; // count, empty name
// From this size on a file is copied into memory by a thread of its own
// while the tree is checked: starting the thread costs less than the copy.
constexpr int64_t kReadAheadFrom = 2 << 20;

// Stored names are present texts; a none text makes the file malformed.
std::string ReadPresentString(CAbstrFile &stream)
{
    const char *text = stream.ReadString();
    if (!text) {
        NoteFailedCheck("no text (length -1) where a name must be");
        throw new file_exception(file_exception::StringTooLong, 0);
    }
    return text;
}

std::string WithBackslashes(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

bool SameLetter(char a, char b)
{
    return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
}

// The folder of a file name: everything before its last backslash.
std::optional<std::string> FolderOf(const std::string &file_name)
{
    size_t last = file_name.rfind('\\');
    if (last == std::string::npos)
        return std::nullopt;
    return file_name.substr(0, last);
}

// One folder up; a root ("\\" alone) stays.
void CutLastFolder(std::string &folder)
{
    size_t last = folder.rfind('\\');
    if (last != std::string::npos)
        folder.resize(last == 0 ? 1 : last);
}

// The folder a file name stands in, as the project paths compare it.
std::string FolderKey(const std::string &file_name)
{
    return FolderOf(WithBackslashes(file_name)).value_or(".");
}

std::string JoinPath(const std::string &folder, const std::string &rest)
{
    return !folder.empty() && folder.back() == '\\' ? folder + rest : folder + "\\" + rest;
}

} // namespace

// ---- project paths ---------------------------------------------------------

// "..\" once for each folder of the path.
std::string StepsUp(const std::string &folders)
{
    std::string steps;
    for (size_t n = std::count(folders.begin(), folders.end(), '\\') + 1; n > 0; --n)
        steps += "..\\";
    return steps;
}

std::string RelativeProjectName(const std::string &project_name, const std::string &file_name)
{
    std::string project = WithBackslashes(project_name);
    std::string file = WithBackslashes(file_name);
    // No relative form reaches a project on another drive, nor leads from a
    // file named without a folder: the name is stored as it stands, and reads
    // back so (only names that start with a dot are resolved). Storing the
    // file's folder instead would lose it.
    if (project.empty() || file.empty() || !SameLetter(project[0], file[0]))
        return project_name;
    std::optional<std::string> folder = FolderOf(file);
    if (!folder)
        return project_name;
    const std::string &d = *folder;
    size_t i = 0;
    while (i < d.size() && i < project.size() && SameLetter(d[i], project[i]))
        ++i;
    bool folder_contains_project = i == d.size() && (i == project.size() || project[i] == '\\');
    if (folder_contains_project) {
        if (i == project.size())
            return ".\\";
        return ".\\" + project.substr(i + 1);
    }
    // The project is a folder above the file's: only steps up.
    if (i == project.size() && i < d.size() && d[i] == '\\')
        return StepsUp(d.substr(i + 1));
    // Step back to the last folder boundary both share, so that C:\work\form
    // is not taken for a part of C:\work\forms.
    while (i > 0 && d[i - 1] != '\\')
        --i;
    return StepsUp(d.substr(i)) + project.substr(i);
}

std::string ResolveProjectName(const std::string &stored, const std::string &file_name)
{
    std::string s = WithBackslashes(stored);
    // Only names stored relative to the file start with a dot; any other name
    // is kept as it stands, so it does not grow on every open and save.
    if (s.empty() || s[0] != '.')
        return stored;
    // A file named without a folder lives in the current one.
    std::string d = FolderOf(WithBackslashes(file_name)).value_or(".");
    if (s.size() == 1 || s[1] != '.')
        return d + s.substr(1);
    // Each leading "..\" goes one folder up; the rest is kept as it stands,
    // so a name that holds "." folders reads back as it was saved.
    size_t current = 0;
    while (s.compare(current, 3, "..\\") == 0) {
        CutLastFolder(d);
        current += 3;
    }
    if (s.compare(current, std::string::npos, "..") == 0) {
        CutLastFolder(d);
        return d;
    }
    return current >= s.size() ? d : JoinPath(d, s.substr(current));
}

// ---- class entries ---------------------------------------------------------

FormEntry *ClassEntry::At(int position) const
{
    if (position < 1 || position > Count())
        return nullptr;
    return forms_[position - 1].get();
}

int ClassEntry::Search(int32_t form_id) const
{
    return SortedSearch(Count(), [&](int position) {
        int32_t id = forms_[position - 1]->form_id;
        return id < form_id ? -1 : (id == form_id ? 0 : 1);
    });
}

FormEntry *ClassEntry::ById(int32_t form_id) const
{
    int found = Search(form_id);
    return found > 0 ? forms_[found - 1].get() : nullptr;
}

FormEntry *ClassEntry::FirstWithSign(int32_t form_sign) const
{
    for (const auto &entry : forms_)
        if (entry->form_sign == form_sign)
            return entry.get();
    return nullptr;
}

int32_t ClassEntry::LargestId() const
{
    return forms_.empty() ? 0 : forms_.back()->form_id;
}

int32_t ClassEntry::FreeId() const
{
    int32_t largest = LargestId();
    if (largest < INT32_MAX)
        return largest + 1;
    int32_t candidate = 1;
    for (const auto &entry : forms_) { // ascending ids
        if (entry->form_id > candidate)
            break;
        if (entry->form_id == candidate)
            ++candidate;
    }
    return candidate;
}

void ClassEntry::Insert(std::unique_ptr<FormEntry> entry)
{
    int found = Search(entry->form_id);
    int position = found > 0 ? found : -found;
    forms_.insert(forms_.begin() + (position - 1), std::move(entry));
}

int ClassEntry::PositionOf(const FormEntry *entry) const
{
    for (size_t i = 0; i < forms_.size(); ++i)
        if (forms_[i].get() == entry)
            return static_cast<int>(i) + 1;
    return 0;
}

void ClassEntry::Remove(const FormEntry *entry)
{
    int position = PositionOf(entry);
    if (position)
        forms_.erase(forms_.begin() + (position - 1));
}

void ClassEntry::ChangeId(FormEntry *entry, int32_t new_id)
{
    int from = PositionOf(entry);
    if (!from)
        return;
    // An id already present counts like an insertion before its first entry.
    int found = Search(new_id);
    MoveToSortedPlace(forms_, from, found > 0 ? found : -found);
    entry->form_id = new_id;
}

void ClassEntry::ReadEntries(CAbstrFile &stream, int32_t count)
{
    std::vector<std::unique_ptr<FormEntry>> read;
    for (count = CheckedCount(stream, count, kSmallestFormEntryBytes); count > 0; --count) {
        auto entry = std::make_unique<FormEntry>();
        entry->form_id = stream.ReadInt();
        entry->form_sign = stream.ReadInt();
        entry->alias = ReadPresentString(stream);
        read.push_back(std::move(entry));
    }
    InsertAllAsRead(forms_, std::move(read), [](const auto &a, const auto &b) { return a->form_id < b->form_id; });
}

void ClassEntry::Write(CAbstrFile &stream) const
{
    stream.WriteInt(Count());
    stream.WriteString(name_.c_str());
    for (const auto &entry : forms_) {
        stream.WriteInt(entry->form_id);
        stream.WriteInt(entry->form_sign);
        stream.WriteString(entry->alias.c_str());
    }
}

// ---- class index -----------------------------------------------------------

ClassEntry *ClassIndex::At(int position) const
{
    if (position < 1 || position > Count())
        return nullptr;
    return classes_[position - 1].get();
}

int ClassIndex::Search(const char *name) const
{
    return SortedSearch(Count(), [&](int position) { return classes_[position - 1]->Name().compare(name); });
}

ClassEntry *ClassIndex::Find(const char *name) const
{
    if (!name)
        return nullptr;
    int found = Search(name);
    return found > 0 ? classes_[found - 1].get() : nullptr;
}

void ClassIndex::InsertSorted(std::unique_ptr<ClassEntry> entry)
{
    int found = Search(entry->Name().c_str());
    int position = found > 0 ? found : -found;
    classes_.insert(classes_.begin() + (position - 1), std::move(entry));
}

ClassEntry *ClassIndex::FindOrAdd(const char *name)
{
    if (ClassEntry *existing = Find(name))
        return existing;
    auto entry = std::make_unique<ClassEntry>(name);
    ClassEntry *added = entry.get();
    InsertSorted(std::move(entry));
    return added;
}

void ClassIndex::Remove(const char *name)
{
    if (!name)
        return;
    int found = Search(name);
    if (found > 0)
        classes_.erase(classes_.begin() + (found - 1));
}

std::optional<int32_t> ClassIndex::AllocateFormSign()
{
    if (next_form_sign_ <= highest_read_sign_)
        next_form_sign_ = highest_read_sign_ == INT32_MAX ? INT32_MAX : highest_read_sign_ + 1;
    if (next_form_sign_ == INT32_MAX)
        return std::nullopt;
    return next_form_sign_++;
}

void ClassIndex::Read(CAbstrFile &stream)
{
    next_form_sign_ = stream.ReadInt();
    int32_t count = CheckedCount(stream, stream.ReadInt(), kSmallestClassEntryBytes);
    std::vector<std::unique_ptr<ClassEntry>> read;
    for (; count > 0; --count) {
        int32_t form_count = stream.ReadInt();
        auto entry = std::make_unique<ClassEntry>(ReadPresentString(stream));
        entry->ReadEntries(stream, form_count);
        for (int position = 1; position <= entry->Count(); ++position)
            highest_read_sign_ = std::max(highest_read_sign_, entry->At(position)->form_sign);
        read.push_back(std::move(entry));
    }
    InsertAllAsRead(classes_, std::move(read), [](const auto &a, const auto &b) { return a->Name() < b->Name(); });
}

std::vector<int32_t> ClassIndex::FormSigns() const
{
    std::vector<int32_t> signs;
    for (const auto &entry : classes_)
        for (int position = 1; position <= entry->Count(); ++position)
            signs.push_back(entry->At(position)->form_sign);
    std::sort(signs.begin(), signs.end());
    signs.erase(std::unique(signs.begin(), signs.end()), signs.end());
    return signs;
}

void ClassIndex::Write(CAbstrFile &stream) const
{
    stream.WriteInt(next_form_sign_);
    stream.WriteInt(Count());
    for (const auto &entry : classes_)
        entry->Write(stream);
}

// ---- resource base ---------------------------------------------------------

ResourceBase::ResourceBase(const char *project_name, int32_t project_type)
    : project_type(project_type), project_name(project_name ? project_name : "")
{}

std::unique_ptr<ResourceBase> ResourceBase::Open(const char *file_name)
{
    auto base = std::make_unique<ResourceBase>("", FLF_PROJECT_ABSOLUTE);
    base->file_name = file_name;
    base->image = std::make_unique<flf_platform::FileImage>(file_name);
    std::shared_ptr<WalkAhead> ahead; // for a file read by a thread of its own
    if (base->image->FileSize() >= kReadAheadFrom) {
        ahead = std::make_shared<WalkAhead>();
        const unsigned char *end = base->image->Data() + base->image->FileSize();
        base->image->ReadAhead([ahead, end] { ahead->Run(end); });
    }
    CByteReader reader(*base->image);
    {
        // Stops a walk ahead before the image waits for its thread, also
        // when reading raises.
        struct Stop {
            WalkAhead *ahead;
            ~Stop()
            {
                if (ahead)
                    ahead->Cancel();
            }
        } stop{ahead.get()};
        base->ReadFrom(reader, file_name, ahead.get());
    }
    base->image->CloseFile(); // everything the base holds is in memory
    return base;
}

void ResourceBase::ReadFrom(CByteReader &stream, const char *file, WalkAhead *ahead)
{
    const char *part = "header";
    try {
        stream.ReadString(); // the header text is not checked
        part = "version word";
        version_word = stream.ReadInt();
        int32_t version = version_word & 0xFFFF;
        if (version == 0) {
            project_name = "C:\\FL";
            project_type = FLF_PROJECT_ABSOLUTE;
        } else {
            project_type =
                version > 3 ? static_cast<int32_t>(static_cast<uint32_t>(version_word) >> 16) : FLF_PROJECT_ABSOLUTE;
            part = "project name";
            std::string stored = ReadPresentString(stream);
            project_name = project_type == FLF_PROJECT_ABSOLUTE ? stored : ResolveProjectName(stored, file);
            stored_project_ = StoredProject{stored, FolderKey(file), project_name};
            part = "custom flags";
            if (version > 1)
                custom_flags = static_cast<uint32_t>(stream.ReadInt());
        }
        part = "class index";
        index.Read(stream);
    } catch (file_exception *error) {
        if (error->kind() == file_exception::ReadFailed)
            throw; // the system could not read the file: not a fault of its content
        std::unique_ptr<file_exception> raised(error);
        throw MalformedFile{stream.Position(), part, FailedCheck(), raised->kind()};
    }
    ReadFormsRoot(stream, ahead);
}

// Checks the whole tree first, so a malformed file fails to open. A form
// that would be written back byte for byte stays unread until it is used;
// the others (old formats, children that reading would re-sort) are read at once.
void ResourceBase::ReadFormsRoot(CByteReader &stream, WalkAhead *ahead)
{
    ChildListScanner scanner(*image);
    if (ahead) {
        ahead->Begin(stream.Here() + 4, index.FormSigns());
        scanner.Attach(ahead);
    }
    if (!scanner.List(stream.Here(), 1, true)) {
        int64_t offset = stream.Position() + (scanner.FailedAt() - stream.Here());
        throw MalformedFile{offset, "forms", scanner.FailedCheck(), scanner.FailedKind()};
    }
    if ((version_word & 0xFFFF) < 3) {
        forms_root.Read(stream, version_word);
        return;
    }
    auto span = scanner.TopLevelCompounds().begin();
    std::vector<std::unique_ptr<stobject>> forms;
    for (int32_t count = stream.ReadInt(); count > 0; --count) {
        std::unique_ptr<stobject> child = CreateStobject(stream.ReadByte());
        child->sign = stream.ReadInt();
        if (child->IsCompound() && span->exact) {
            int32_t size = static_cast<int32_t>(span->end - span->begin);
            static_cast<compound_stobject *>(child.get())->KeepUnread(span->begin, size, version_word);
            stream.Skip(size);
            ++span;
        } else {
            child->Read(stream, version_word);
            span += child->IsCompound() ? 1 : 0;
        }
        forms.push_back(std::move(child));
    }
    forms_root.AddAll(std::move(forms));
}

// A name the file gave and nobody changed is written back as the file had it
// when the save stays in that file's folder: recomputing it from the resolved
// name would change the user's text (separators, steps up, a name that was
// not relative at all) from save to save.
std::string ResourceBase::ProjectStringFor(const std::string &file) const
{
    if (project_type == FLF_PROJECT_ABSOLUTE)
        return project_name;
    if (stored_project_ && stored_project_->name == project_name && stored_project_->folder == FolderKey(file))
        return stored_project_->text;
    return project_type == FLF_PROJECT_RELATIVE ? RelativeProjectName(project_name, file) : project_name;
}

void ResourceBase::WriteTo(CAbstrFile &stream, const std::string &project_string) const
{
    stream.WriteString(kFileHeader);
    stream.WriteInt(static_cast<int32_t>(static_cast<uint32_t>(project_type) << 16 | kFormatVersion));
    stream.WriteString(project_string.c_str());
    stream.WriteInt(static_cast<int32_t>(custom_flags));
    index.Write(stream);
    forms_root.Write(stream);
}

void ResourceBase::Save()
{
    if (!file_name)
        throw static_cast<flf_system_error>(flf_platform::kNoFileNameError);
    const std::string target = *file_name;
    const std::string project_string = ProjectStringFor(target);
    WriteFileSafely(target.c_str(), [&](CAbstrFile &stream) { WriteTo(stream, project_string); });
    stored_project_ = StoredProject{project_string, FolderKey(target), project_name};
}

void ResourceBase::SaveAs(const char *new_file_name)
{
    // Without a new name the base keeps the one it has for later saves.
    if (!new_file_name)
        throw static_cast<flf_system_error>(flf_platform::kNoFileNameError);
    file_name = new_file_name;
    Save();
}

sorted_stobjects *ResourceBase::AddForm(const char *class_name, int32_t form_id, const char *alias)
{
    // A compound of the forms root may hold a sign beyond the next one (a
    // file that lags behind, a sign set by hand): that sign is not free.
    std::optional<int32_t> sign = index.AllocateFormSign();
    while (sign && forms_root.HasChild(*sign))
        sign = index.AllocateFormSign();
    if (!sign)
        return nullptr;
    ClassEntry *cls = index.FindOrAdd(class_name);
    cls->Insert(std::make_unique<FormEntry>(FormEntry{form_id, *sign, alias ? alias : ""}));
    auto form = std::make_unique<sorted_stobjects>();
    form->sign = *sign;
    sorted_stobjects *added = form.get();
    forms_root.Add(std::move(form));
    return added;
}

void ResourceBase::RemoveForm(stobject *form)
{
    if (!form || form->parent != &forms_root)
        return;
    // No entry may name a form that is gone, whatever its id.
    for (int position = 1; position <= index.Count(); ++position) {
        ClassEntry *cls = index.At(position);
        while (FormEntry *entry = cls->FirstWithSign(form->sign))
            cls->Remove(entry);
    }
    forms_root.Delete(form);
}

stobject *ResourceBase::Form(const char *class_name, int32_t form_id) const
{
    ClassEntry *cls = index.Find(class_name);
    FormEntry *entry = cls ? cls->ById(form_id) : nullptr;
    return entry ? forms_root.ChildBySign(entry->form_sign) : nullptr;
}
