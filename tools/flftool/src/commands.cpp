#include "commands.hpp"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <random>

#include "checker.hpp"
#include "diagnostics.hpp"
#include "files.hpp"
#include "literals.hpp"
#include "name_base.hpp"
#include "names.hpp"
#include "parser.hpp"
#include "resource_io.hpp"
#include "writer.hpp"

namespace flftool {

namespace {

const char kUsage[] = R"(usage: flftool COMMAND [ARGUMENTS]

Form sources (readable text for form resource files):
  flftool dump FILE.flf [--names BASE] [-o SOURCE]
      write the whole resource file as form source (standard output or SOURCE)
  flftool build SOURCE -o FILE.flf [--names BASE] [--lenient]
      compile a form source into a resource file; nothing is written on an error
  flftool check SOURCE [--names BASE] [--lenient]
      read a form source and report its errors without building it
  flftool preview SOURCE-or-FILE.flf CLASS ID [-o FORM.png] [--names BASE]
      show the form as the runtime builds it, bound to a stand-in object
      (under Wine); with -o write a picture of its window instead

Name bases (the names of the signs; --names BASE lets sources use them):
  flftool names new BASE              create an empty name base
  flftool names import LIST -o BASE   build a name base from a list of "name sign" lines
  flftool names list BASE             write the names and signs as such a list
  flftool names add BASE NAME...      give each new name the next free sign
  flftool names remove BASE NAME...   remove names (their signs are not handed out again)
  flftool names header BASE -o FILE   write the C header of the sign constants
  flftool names class BASE -o FILE    write the class text of the sign constants

Options:
  -o FILE        the output file
  --names BASE   the name base that names the signs of a form source
  --lenient      report what the form schema does not allow as warnings and
                 build anyway (a form the runtime reads differently)
  --help         this text
)";

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CommandLine {
    std::vector<std::string> positional;
    std::optional<std::string> output;
    std::optional<std::string> names;
    bool lenient = false;
};

CommandLine split_options(const std::vector<std::string> &arguments, size_t first)
{
    CommandLine line;
    for (size_t i = first; i < arguments.size(); ++i) {
        const std::string &argument = arguments[i];
        if (argument == "-o" || argument == "--names") {
            if (i + 1 >= arguments.size())
                throw UsageError(argument + " needs a file name");
            (argument == "-o" ? line.output : line.names) = arguments[++i];
        } else if (argument == "--lenient") {
            line.lenient = true;
        } else if (argument.size() > 1 && argument[0] == '-') {
            throw UsageError("unknown option " + argument);
        } else {
            line.positional.push_back(argument);
        }
    }
    return line;
}

void require(bool condition, const char *message)
{
    if (!condition)
        throw UsageError(message);
}

NameTable names_of(const CommandLine &line)
{
    return line.names ? NameTable::load(*line.names) : NameTable();
}

// Source errors name the source file; everything else is the tool's.
class SourceFile {
public:
    explicit SourceFile(std::string name) : name_(std::move(name)), text_(read_file(name_)) {}

    Document parse(const NameTable &names) const
    {
        try {
            return parse_source(text_, names);
        } catch (const SourceError &error) {
            throw ToolError(format_source_error(name_, error));
        }
    }

    // Schema problems are errors, or warnings that let a lenient build go on.
    void check(const Document &document, bool lenient, std::ostream &err) const
    {
        std::string errors;
        for (const SchemaProblem &problem : check_document(document)) {
            std::string line = name_ + ":" + std::to_string(problem.pos.line) + ":" +
                               std::to_string(problem.pos.column) + (lenient ? ": warning: " : ": error: ") +
                               problem.message;
            if (lenient)
                err << line << "\n";
            else
                errors += (errors.empty() ? "" : "\n") + line;
        }
        if (!errors.empty())
            throw ToolError(errors);
    }

    void build(const Document &document, const std::string &output) const
    {
        try {
            build_resource_file(document, output);
        } catch (const SourceError &error) {
            throw ToolError(format_source_error(name_, error));
        }
    }

private:
    std::string name_;
    std::string text_;
};

int dump_command(const CommandLine &line, std::ostream &out, std::ostream &err)
{
    require(line.positional.size() == 1, "dump takes one resource file");
    NameTable names = names_of(line);
    std::vector<std::string> warnings;
    Document document = load_resource_file(line.positional[0], warnings);
    for (const std::string &warning : warnings)
        err << line.positional[0] << ": warning: " << warning << "\n";
    std::string text = Writer(names).write(document);
    if (line.output)
        write_file(*line.output, text);
    else
        out << text;
    return 0;
}

int build_command(const CommandLine &line, std::ostream &, std::ostream &err)
{
    require(line.positional.size() == 1, "build takes one form source");
    require(line.output.has_value(), "build needs the resource file to write: -o FILE.flf");
    NameTable names = names_of(line);
    SourceFile source(line.positional[0]);
    Document document = source.parse(names);
    source.check(document, line.lenient, err);
    source.build(document, *line.output);
    return 0;
}

int check_command(const CommandLine &line, std::ostream &, std::ostream &err)
{
    require(line.positional.size() == 1, "check takes one form source");
    NameTable names = names_of(line);
    SourceFile source(line.positional[0]);
    source.check(source.parse(names), line.lenient, err);
    return 0;
}

// The preview runs the Windows preview program through a script that knows
// the Windows build tree and Wine.
int preview_command(const CommandLine &line, std::ostream &out, std::ostream &err)
{
    require(line.positional.size() == 3, "preview takes a form source or resource file, a class and a form id");
    const std::string &input = line.positional[0];
    std::string file = input;
    std::filesystem::path scratch;
    if (std::filesystem::path(input).extension() != ".flf") {
        NameTable names = names_of(line);
        SourceFile source(input);
        Document document = source.parse(names);
        source.check(document, line.lenient, err);
        scratch = std::filesystem::temp_directory_path() /
                  ("flftool-preview-" + std::to_string(std::random_device()()) + ".flf");
        source.build(document, scratch.string());
        file = scratch.string();
    }
    if (!line.output && !std::getenv("DISPLAY"))
        throw ToolError("no display to show the form on: give -o FORM.png for a picture");
    auto quoted = [](const std::string &text) {
        std::string q = "'";
        for (char c : text)
            q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    };
    std::string command = "sh " + quoted(FLFTOOL_PREVIEW_SCRIPT) + " " + quoted(file) + " " +
                          quoted(line.positional[1]) + " " + quoted(line.positional[2]);
    if (line.output)
        command += " " + quoted(*line.output);
    out.flush();
    int status = std::system(command.c_str());
    if (!scratch.empty())
        std::filesystem::remove(scratch);
    if (status != 0)
        throw ToolError("the preview of " + line.positional[1] + " " + line.positional[2] + " failed");
    return 0;
}

// ---- name bases ------------------------------------------------------------

FLF_NAMES open_names(const std::string &base)
{
    FLF_NAMES names =
        with_library_errors("cannot read the name base " + base, [&] { return flf_open_name_base(base.c_str()); });
    if (!names)
        throw ToolError("cannot read the name base " + base);
    return names;
}

std::vector<NameEntry> entries_of(FLF_NAMES names)
{
    std::vector<NameEntry> entries;
    for (int p = flf_name_server_get_first(names); p != 0; p = flf_name_server_get_next(names, p)) {
        const char *name = flf_name_server_item_name(names, p);
        entries.push_back({name ? name : "", flf_name_server_item_sign(names, p), {}});
    }
    return entries;
}

// The next sign a name file holds; the library keeps it to itself.
int32_t stored_next_sign(const std::string &base)
{
    return with_library_errors("cannot read the name base " + base, [&] {
        CBinFile file(base.c_str(), CBinFile::ForReading);
        file.ReadString();
        file.ReadInt();
        return file.ReadInt();
    });
}

int names_new(const CommandLine &line, std::ostream &, std::ostream &)
{
    require(line.positional.size() == 1, "names new takes the name base to create");
    const std::string &base = line.positional[0];
    if (std::filesystem::exists(base))
        throw ToolError(base + " already exists; remove it first to start an empty name base");
    write_file(base, name_file_bytes({}));
    return 0;
}

int names_import(const CommandLine &line, std::ostream &, std::ostream &)
{
    require(line.positional.size() == 1, "names import takes one list of names");
    require(line.output.has_value(), "names import needs the name base to write: -o BASE");
    const std::string &list = line.positional[0];
    std::vector<NameEntry> entries;
    try {
        entries = parse_name_list(read_file(list));
    } catch (const SourceError &error) {
        throw ToolError(format_source_error(list, error));
    }
    write_file(*line.output, name_file_bytes(entries));
    return 0;
}

int names_list(const CommandLine &line, std::ostream &out, std::ostream &)
{
    require(line.positional.size() == 1, "names list takes one name base");
    out << name_list_text(entries_of(open_names(line.positional[0])));
    return 0;
}

int names_add(const CommandLine &line, std::ostream &out, std::ostream &)
{
    require(line.positional.size() >= 2, "names add takes the name base and the names to add");
    const std::string &base = line.positional[0];
    FLF_NAMES names = open_names(base);
    for (size_t i = 1; i < line.positional.size(); ++i)
        if (!is_identifier(line.positional[i]))
            throw ToolError("'" + line.positional[i] + "' is not a name: use letters, digits and '_'");
    for (size_t i = 1; i < line.positional.size(); ++i) {
        const std::string &name = line.positional[i];
        out << name << " " << flf_add_name_to_server(names, name.c_str()) << "\n";
    }
    with_library_errors("cannot save the name base " + base, [&] { flf_save_name_base(names, base.c_str()); });
    return 0;
}

// A sign may have several names, and the library removes by sign; so the
// remaining names are written out directly, keeping the next sign.
int names_remove(const CommandLine &line, std::ostream &, std::ostream &)
{
    require(line.positional.size() >= 2, "names remove takes the name base and the names to remove");
    const std::string &base = line.positional[0];
    std::vector<NameEntry> entries = entries_of(open_names(base));
    for (size_t i = 1; i < line.positional.size(); ++i) {
        auto found = std::find_if(entries.begin(), entries.end(),
                                  [&](const NameEntry &entry) { return entry.name == line.positional[i]; });
        if (found == entries.end())
            throw ToolError(base + " has no name '" + line.positional[i] + "'");
        entries.erase(found);
    }
    write_file(base, name_file_bytes(entries, stored_next_sign(base)));
    return 0;
}

int names_generate(const CommandLine &line, void (*generate)(FLF_NAMES, const char *), const char *what)
{
    require(line.positional.size() == 1, "names header and names class take one name base");
    require(line.output.has_value(), "names header and names class need the file to write: -o FILE");
    FLF_NAMES names = open_names(line.positional[0]);
    with_library_errors(std::string("cannot write the ") + what + " " + *line.output,
                        [&] { generate(names, line.output->c_str()); });
    return 0;
}

int names_header(const CommandLine &line, std::ostream &, std::ostream &)
{
    return names_generate(line, flf_gen_c_const_file, "C header");
}

int names_class(const CommandLine &line, std::ostream &, std::ostream &)
{
    return names_generate(line, flf_gen_qev_const_file, "class text");
}

using Handler = int (*)(const CommandLine &, std::ostream &, std::ostream &);

const std::map<std::string, Handler> &commands()
{
    static const std::map<std::string, Handler> table = {
        {"dump", dump_command},         {"build", build_command},    {"check", check_command},
        {"preview", preview_command},   {"names new", names_new},    {"names import", names_import},
        {"names list", names_list},     {"names add", names_add},    {"names remove", names_remove},
        {"names header", names_header}, {"names class", names_class}};
    return table;
}

} // namespace

int run_tool(const std::vector<std::string> &arguments, std::ostream &out, std::ostream &err)
{
    if (arguments.empty() || arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help") {
        (arguments.empty() ? err : out) << kUsage;
        return arguments.empty() ? 2 : 0;
    }
    try {
        std::string name = arguments[0];
        size_t first = 1;
        if (name == "names" && arguments.size() > 1) {
            name += " " + arguments[1];
            first = 2;
        }
        auto command = commands().find(name);
        if (command == commands().end())
            throw UsageError("unknown command '" + name + "'");
        return command->second(split_options(arguments, first), out, err);
    } catch (const UsageError &error) {
        err << "flftool: " << error.what() << "\n"
            << "Try 'flftool --help'.\n";
        return 2;
    } catch (const ToolError &error) {
        std::string text = error.what();
        err << (text.find(": error: ") != std::string::npos ? "" : "flftool: ") << text << "\n";
        return 1;
    }
}

} // namespace flftool
