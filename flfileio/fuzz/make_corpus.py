#!/usr/bin/env python3
"""Writes the seed corpus of the flfileio fuzz targets.

Every seed is a well-formed file built byte by byte here, independently of the
library, so the seeds also pin the file layout down:

  corpus/fuzz_open_base/  resource files (".flf")
  corpus/fuzz_name_base/  name files
  corpus/fuzz_read_prop/  single-property records
  corpus/fuzz_large_inputs/  descriptions of large files (see fuzz_large_inputs.cpp)

Run it from anywhere; it rewrites the corpus folders beside this script.
"""
import base64
import os
import shutil
import struct

HEADER = b"Formloom resource file\n"
NAME_HEADER = b"Formloom string resources\n"
EFFE, CAFE = 0xEFFE, 0xCAFE
ORDERED, SORTED, INTEGER, STRING, BOOLEAN, CHARACTER, DOUBLE = 1, 2, 10, 11, 12, 13, 14


def i32(value):
    """A little-endian 32-bit word; negative numbers in two's complement."""
    return struct.pack("<I", value & 0xFFFFFFFF)


def text(value):
    """A length-prefixed string; None is the length -1 alone."""
    if value is None:
        return i32(-1)
    data = value.encode("latin-1") if isinstance(value, str) else value
    return i32(len(data)) + data


def child(tag, sign, value):
    """One child of a list: tag byte, sign, value bytes."""
    return bytes([tag & 0xFF]) + i32(sign) + value


def integer(sign, value):
    return child(INTEGER, sign, i32(value))


def string(sign, value):
    return child(STRING, sign, text(value))


def boolean(sign, byte):
    return child(BOOLEAN, sign, bytes([byte & 0xFF]))


def character(sign, char):
    return child(CHARACTER, sign, bytes([char & 0xFF]))


def double(sign, value):
    return child(DOUBLE, sign, struct.pack("<d", value))


def children(*items):
    return i32(len(items)) + b"".join(items)


def compound(tag, sign, *items):
    return child(tag, sign, children(*items))


def resource_file(version, project_type, project, flags, next_sign, classes, forms,
                  header=HEADER):
    """classes: [(name, [(form id, form sign, alias), ...]), ...]; forms: children."""
    out = text(header) + i32(project_type << 16 | version)
    if version >= 1:
        out += text(project)
    if version >= 2:
        out += i32(flags)
    out += i32(next_sign) + i32(len(classes))
    for name, entries in classes:
        out += i32(len(entries)) + text(name)
        for form_id, sign, alias in entries:
            out += i32(form_id) + i32(sign) + text(alias)
    return out + children(*forms)


def name_file(next_sign, pairs):
    out = text(NAME_HEADER) + i32(0) + i32(next_sign) + i32(len(pairs))
    for name, sign in pairs:
        out += text(name) + i32(sign)
    return out


def every_tag(sign_base):
    """One value of each kind, with the edge values of each encoding."""
    return [
        integer(sign_base + 1, -1),
        integer(sign_base + 2, 0x7FFFFFFF),
        string(sign_base + 3, "Caption with some text"),
        string(sign_base + 4, ""),
        string(sign_base + 5, None),
        boolean(sign_base + 6, 0xFF),
        boolean(sign_base + 7, 0),
        character(sign_base + 8, ord("x")),
        character(sign_base + 9, 0),
        double(sign_base + 10, 3.25),
        double(sign_base + 11, -1.5e300),
    ]


def nested(depth, tag=ORDERED):
    """A chain of compounds, alternating ordered and sorted, each with a value."""
    inner = integer(1, depth)
    for level in range(depth, 0, -1):
        inner = compound(tag if level % 2 else SORTED, 90 + level, string(2, "level %d" % level), inner)
    return inner


def example_base():
    """The smallest useful base: one class with one form holding two values."""
    form = compound(SORTED, 10001, integer(7, 5), string(12, "Hi"))
    data = resource_file(4, EFFE, "prj", 0, 10002, [("MAIN", [(1, 10001, "Main")])], [form])
    assert len(data) == 111
    return data


def full_base():
    """Several classes and forms with every tag, ordered lists and deep nesting."""
    widgets = [compound(SORTED, 1 + n, *every_tag(100 * n)) for n in range(3)]
    main = compound(SORTED, 10001, *every_tag(0),
                    compound(ORDERED, 93, *widgets), nested(12))
    about = compound(SORTED, 10002, string(1, "About"), compound(ORDERED, 5))
    child_form = compound(SORTED, 10004, nested(4, SORTED), boolean(3, 1))
    classes = [("ABOUT", [(1, 10002, "About box")]),
               ("MAIN", [(1, 10001, "Main"), (7, 10004, "Child")])]
    return resource_file(4, CAFE, "..\\src\\app", 6, 10005, classes, [main, about, child_form])


def old_base(version):
    """An old format version; sign 76 with value 0 meets the old integer rule."""
    form = compound(SORTED, 10001, integer(76, 0), integer(76, 5), double(4, 0.5))
    return resource_file(version, EFFE, "C:\\old\\project", 1, 10002,
                         [("OLD", [(2, 10001, "Old form")])], [form])


def duplicate_keys_base():
    """Equal signs, ids and class names: allowed by the format, kept on reading."""
    form = compound(SORTED, 10001, string(7, "A"), string(7, "B"), integer(3, 1))
    other = compound(SORTED, 10001, integer(1, 2))
    classes = [("DUP", [(1, 10001, "one"), (1, 10002, "two")]), ("DUP", [(3, 10001, "three")])]
    return resource_file(4, 0x1234, "C:\\any\\where", 0, 10003, classes, [form, other])


# Found by a ten-minute run of fuzz_open_base: a relative project name whose
# text is not in the form a save computes ("/..\\srcapp") changed with every
# save into the same folder.
DRIFTING_PROJECT_NAME = base64.b64decode(
    "FwAAAEZvcm1sb29ttvBBCKV/AABlIGZpbGUKBAD+ygoAAAAvLi5cc3JjYXBwBgAAAhUAAAAHAAAAAQAAAAUAAABB"
    "Qk9VVE1BSU4jAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAABAAAAAAAAAAAA"
    "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAADgUCAAD//wAAAgAAAAsCAHZI")


def write_corpus(folder, files):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")

    write_corpus(os.path.join(root, "fuzz_open_base"), {
        "example.flf": example_base(),
        "every_tag.flf": full_base(),
        "version0.flf": old_base(0),
        "version1.flf": old_base(1),
        "version2.flf": old_base(2),
        "duplicate_keys.flf": duplicate_keys_base(),
        "empty.flf": resource_file(4, EFFE, "", 0, 10001, [], []),
        "drifting_project_name.flf": DRIFTING_PROJECT_NAME,
        "drifting_project_name_minimal.flf": resource_file(4, CAFE, "/..\\srcapp", 0, 10001, [], []),
    })

    caption = name_file(8, [("caption", 7)])
    assert len(caption) == 57
    write_corpus(os.path.join(root, "fuzz_name_base"), {
        "caption.nam": caption,
        "several.nam": name_file(12, [("Zeta", 3), ("alpha", 1), ("x" * 40, 11), ("", 2),
                                      ("caption", 7), ("caption", 9)]),
        "empty.nam": name_file(1, []),
    })

    single = children(integer(5, 9))
    assert len(single) == 13
    write_corpus(os.path.join(root, "fuzz_read_prop"), {
        "integer.bin": single,
        "every_tag.bin": children(compound(ORDERED, 1, *every_tag(0), nested(6),
                                           compound(SORTED, 9, string(7, "A"), string(7, "B")))),
        "old_rule.bin": children(integer(76, 0), string(2, "extra child")),
    })

    def large(reader, order, children_by_8, depth, flags, seed=0):
        return bytes([reader, order, children_by_8 & 0xFF, children_by_8 >> 8, depth, flags]) + i32(seed)

    write_corpus(os.path.join(root, "fuzz_large_inputs"), {
        "descending_form.bin": large(0, 1, 50000, 1, 0),
        "equal_record.bin": large(1, 2, 10000, 3, 0),
        "claiming_record.bin": large(1, 0, 30000, 63, 1),
        "random_strings_form.bin": large(0, 4, 4096, 2, 2, 12345),
        "zigzag_root_cut.bin": large(0, 3, 256, 0, 4, 17),
    })


if __name__ == "__main__":
    main()
