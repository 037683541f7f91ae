#include "styles.hpp"

#include <algorithm>
#include <map>

#include "literals.hpp"
#include "names.hpp"

namespace flftool {

namespace {

BitName flag(const char *name, uint32_t bits)
{
    return {name, bits, bits, false};
}
BitName alias(const char *name, uint32_t bits)
{
    return {name, bits, bits, true};
}
BitName field(const char *name, uint32_t value, uint32_t mask)
{
    return {name, value, mask, false};
}

using Names = std::vector<BitName>;

Names operator+(Names a, const Names &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Styles every child window takes, in the order they are written.
const Names &control_window_styles()
{
    static const Names names = {
        flag("WS_CHILD", 0x40000000),        flag("WS_VISIBLE", 0x10000000),      flag("WS_DISABLED", 0x08000000),
        flag("WS_CLIPSIBLINGS", 0x04000000), flag("WS_CLIPCHILDREN", 0x02000000), flag("WS_BORDER", 0x00800000),
        flag("WS_DLGFRAME", 0x00400000),     flag("WS_VSCROLL", 0x00200000),      flag("WS_HSCROLL", 0x00100000),
        flag("WS_THICKFRAME", 0x00040000),   flag("WS_GROUP", 0x00020000),        flag("WS_TABSTOP", 0x00010000),
        alias("WS_CHILDWINDOW", 0x40000000), alias("WS_SIZEBOX", 0x00040000)};
    return names;
}

// Styles of top-level and form windows; the low bits are the dialog styles
// (the runtime centers every kind of form on DS_CENTER).
const Names &form_styles()
{
    static const Names names = {flag("WS_OVERLAPPEDWINDOW", 0x00CF0000),
                                flag("WS_POPUPWINDOW", 0x80880000),
                                flag("WS_CAPTION", 0x00C00000),
                                flag("WS_POPUP", 0x80000000),
                                flag("WS_CHILD", 0x40000000),
                                flag("WS_MINIMIZE", 0x20000000),
                                flag("WS_VISIBLE", 0x10000000),
                                flag("WS_DISABLED", 0x08000000),
                                flag("WS_CLIPSIBLINGS", 0x04000000),
                                flag("WS_CLIPCHILDREN", 0x02000000),
                                flag("WS_MAXIMIZE", 0x01000000),
                                flag("WS_BORDER", 0x00800000),
                                flag("WS_DLGFRAME", 0x00400000),
                                flag("WS_VSCROLL", 0x00200000),
                                flag("WS_HSCROLL", 0x00100000),
                                flag("WS_SYSMENU", 0x00080000),
                                flag("WS_THICKFRAME", 0x00040000),
                                flag("WS_MINIMIZEBOX", 0x00020000),
                                flag("WS_MAXIMIZEBOX", 0x00010000),
                                flag("DS_ABSALIGN", 0x1),
                                flag("DS_SYSMODAL", 0x2),
                                flag("DS_3DLOOK", 0x4),
                                flag("DS_FIXEDSYS", 0x8),
                                flag("DS_NOFAILCREATE", 0x10),
                                flag("DS_LOCALEDIT", 0x20),
                                flag("DS_SETFONT", 0x40),
                                flag("DS_MODALFRAME", 0x80),
                                flag("DS_NOIDLEMSG", 0x100),
                                flag("DS_SETFOREGROUND", 0x200),
                                flag("DS_CONTROL", 0x400),
                                flag("DS_CENTER", 0x800),
                                flag("DS_CENTERMOUSE", 0x1000),
                                flag("DS_CONTEXTHELP", 0x2000),
                                alias("WS_TILEDWINDOW", 0x00CF0000),
                                alias("WS_TILED", 0),
                                alias("WS_OVERLAPPED", 0),
                                alias("WS_ICONIC", 0x20000000),
                                alias("WS_SIZEBOX", 0x00040000)};
    return names;
}

const Names &button_styles()
{
    static const Names names = {field("BS_PUSHBUTTON", 0x0, 0xF),
                                field("BS_DEFPUSHBUTTON", 0x1, 0xF),
                                field("BS_CHECKBOX", 0x2, 0xF),
                                field("BS_AUTOCHECKBOX", 0x3, 0xF),
                                field("BS_RADIOBUTTON", 0x4, 0xF),
                                field("BS_3STATE", 0x5, 0xF),
                                field("BS_AUTO3STATE", 0x6, 0xF),
                                field("BS_GROUPBOX", 0x7, 0xF),
                                field("BS_USERBUTTON", 0x8, 0xF),
                                field("BS_AUTORADIOBUTTON", 0x9, 0xF),
                                field("BS_OWNERDRAW", 0xB, 0xF),
                                flag("BS_LEFTTEXT", 0x20),
                                flag("BS_ICON", 0x40),
                                flag("BS_BITMAP", 0x80),
                                field("BS_LEFT", 0x100, 0x300),
                                field("BS_RIGHT", 0x200, 0x300),
                                field("BS_CENTER", 0x300, 0x300),
                                field("BS_TOP", 0x400, 0xC00),
                                field("BS_BOTTOM", 0x800, 0xC00),
                                field("BS_VCENTER", 0xC00, 0xC00),
                                flag("BS_PUSHLIKE", 0x1000),
                                flag("BS_MULTILINE", 0x2000),
                                flag("BS_NOTIFY", 0x4000),
                                flag("BS_FLAT", 0x8000),
                                alias("BS_TEXT", 0),
                                alias("BS_RIGHTBUTTON", 0x20)};
    return names;
}

const Names &static_styles()
{
    static const Names names = {field("SS_LEFT", 0x0, 0x1F),
                                field("SS_CENTER", 0x1, 0x1F),
                                field("SS_RIGHT", 0x2, 0x1F),
                                field("SS_ICON", 0x3, 0x1F),
                                field("SS_BLACKRECT", 0x4, 0x1F),
                                field("SS_GRAYRECT", 0x5, 0x1F),
                                field("SS_WHITERECT", 0x6, 0x1F),
                                field("SS_BLACKFRAME", 0x7, 0x1F),
                                field("SS_GRAYFRAME", 0x8, 0x1F),
                                field("SS_WHITEFRAME", 0x9, 0x1F),
                                field("SS_USERITEM", 0xA, 0x1F),
                                field("SS_SIMPLE", 0xB, 0x1F),
                                field("SS_LEFTNOWORDWRAP", 0xC, 0x1F),
                                field("SS_OWNERDRAW", 0xD, 0x1F),
                                field("SS_BITMAP", 0xE, 0x1F),
                                field("SS_ENHMETAFILE", 0xF, 0x1F),
                                field("SS_ETCHEDHORZ", 0x10, 0x1F),
                                field("SS_ETCHEDVERT", 0x11, 0x1F),
                                field("SS_ETCHEDFRAME", 0x12, 0x1F),
                                flag("SS_NOPREFIX", 0x80),
                                flag("SS_NOTIFY", 0x100),
                                flag("SS_CENTERIMAGE", 0x200),
                                flag("SS_RIGHTJUST", 0x400),
                                flag("SS_REALSIZEIMAGE", 0x800),
                                flag("SS_SUNKEN", 0x1000),
                                flag("SS_EDITCONTROL", 0x2000),
                                field("SS_ENDELLIPSIS", 0x4000, 0xC000),
                                field("SS_PATHELLIPSIS", 0x8000, 0xC000),
                                field("SS_WORDELLIPSIS", 0xC000, 0xC000)};
    return names;
}

const Names &edit_styles()
{
    static const Names names = {
        field("ES_LEFT", 0x0, 0x3),    field("ES_CENTER", 0x1, 0x3), field("ES_RIGHT", 0x2, 0x3),
        flag("ES_MULTILINE", 0x4),     flag("ES_UPPERCASE", 0x8),    flag("ES_LOWERCASE", 0x10),
        flag("ES_PASSWORD", 0x20),     flag("ES_AUTOVSCROLL", 0x40), flag("ES_AUTOHSCROLL", 0x80),
        flag("ES_NOHIDESEL", 0x100),   flag("ES_OEMCONVERT", 0x400), flag("ES_READONLY", 0x800),
        flag("ES_WANTRETURN", 0x1000), flag("ES_NUMBER", 0x2000)};
    return names;
}

const Names &list_box_styles()
{
    static const Names names = {flag("LBS_NOTIFY", 0x1),
                                flag("LBS_SORT", 0x2),
                                flag("LBS_NOREDRAW", 0x4),
                                flag("LBS_MULTIPLESEL", 0x8),
                                flag("LBS_OWNERDRAWFIXED", 0x10),
                                flag("LBS_OWNERDRAWVARIABLE", 0x20),
                                flag("LBS_HASSTRINGS", 0x40),
                                flag("LBS_USETABSTOPS", 0x80),
                                flag("LBS_NOINTEGRALHEIGHT", 0x100),
                                flag("LBS_MULTICOLUMN", 0x200),
                                flag("LBS_WANTKEYBOARDINPUT", 0x400),
                                flag("LBS_EXTENDEDSEL", 0x800),
                                flag("LBS_DISABLENOSCROLL", 0x1000),
                                flag("LBS_NODATA", 0x2000),
                                flag("LBS_NOSEL", 0x4000),
                                flag("LBS_COMBOBOX", 0x8000)};
    return names;
}

const Names &combo_box_styles()
{
    static const Names names = {field("CBS_SIMPLE", 0x1, 0x3),       field("CBS_DROPDOWN", 0x2, 0x3),
                                field("CBS_DROPDOWNLIST", 0x3, 0x3), flag("CBS_OWNERDRAWFIXED", 0x10),
                                flag("CBS_OWNERDRAWVARIABLE", 0x20), flag("CBS_AUTOHSCROLL", 0x40),
                                flag("CBS_OEMCONVERT", 0x80),        flag("CBS_SORT", 0x100),
                                flag("CBS_HASSTRINGS", 0x200),       flag("CBS_NOINTEGRALHEIGHT", 0x400),
                                flag("CBS_DISABLENOSCROLL", 0x800),  flag("CBS_UPPERCASE", 0x2000),
                                flag("CBS_LOWERCASE", 0x4000)};
    return names;
}

const Names &list_view_styles()
{
    static const Names names = {
        field("LVS_ICON", 0x0, 0x3),       field("LVS_REPORT", 0x1, 0x3),      field("LVS_SMALLICON", 0x2, 0x3),
        field("LVS_LIST", 0x3, 0x3),       flag("LVS_SINGLESEL", 0x4),         flag("LVS_SHOWSELALWAYS", 0x8),
        flag("LVS_SORTASCENDING", 0x10),   flag("LVS_SORTDESCENDING", 0x20),   flag("LVS_SHAREIMAGELISTS", 0x40),
        flag("LVS_NOLABELWRAP", 0x80),     flag("LVS_AUTOARRANGE", 0x100),     flag("LVS_EDITLABELS", 0x200),
        flag("LVS_OWNERDRAWFIXED", 0x400), flag("LVS_ALIGNLEFT", 0x800),       flag("LVS_OWNERDATA", 0x1000),
        flag("LVS_NOSCROLL", 0x2000),      flag("LVS_NOCOLUMNHEADER", 0x4000), flag("LVS_NOSORTHEADER", 0x8000),
        alias("LVS_ALIGNTOP", 0)};
    return names;
}

const Names &tree_view_styles()
{
    static const Names names = {
        flag("TVS_HASBUTTONS", 0x1),       flag("TVS_HASLINES", 0x2),         flag("TVS_LINESATROOT", 0x4),
        flag("TVS_EDITLABELS", 0x8),       flag("TVS_DISABLEDRAGDROP", 0x10), flag("TVS_SHOWSELALWAYS", 0x20),
        flag("TVS_RTLREADING", 0x40),      flag("TVS_NOTOOLTIPS", 0x80),      flag("TVS_CHECKBOXES", 0x100),
        flag("TVS_TRACKSELECT", 0x200),    flag("TVS_SINGLEEXPAND", 0x400),   flag("TVS_INFOTIP", 0x800),
        flag("TVS_FULLROWSELECT", 0x1000), flag("TVS_NOSCROLL", 0x2000),      flag("TVS_NONEVENHEIGHT", 0x4000),
        flag("TVS_NOHSCROLL", 0x8000)};
    return names;
}

const Names &tab_styles()
{
    static const Names names = {flag("TCS_SCROLLOPPOSITE", 0x1),
                                flag("TCS_BOTTOM", 0x2),
                                flag("TCS_MULTISELECT", 0x4),
                                flag("TCS_FLATBUTTONS", 0x8),
                                flag("TCS_FORCEICONLEFT", 0x10),
                                flag("TCS_FORCELABELLEFT", 0x20),
                                flag("TCS_HOTTRACK", 0x40),
                                flag("TCS_VERTICAL", 0x80),
                                flag("TCS_BUTTONS", 0x100),
                                flag("TCS_MULTILINE", 0x200),
                                flag("TCS_FIXEDWIDTH", 0x400),
                                flag("TCS_RAGGEDRIGHT", 0x800),
                                flag("TCS_FOCUSONBUTTONDOWN", 0x1000),
                                flag("TCS_OWNERDRAWFIXED", 0x2000),
                                flag("TCS_TOOLTIPS", 0x4000),
                                flag("TCS_FOCUSNEVER", 0x8000),
                                alias("TCS_RIGHT", 0x2),
                                alias("TCS_TABS", 0),
                                alias("TCS_SINGLELINE", 0),
                                alias("TCS_RIGHTJUSTIFY", 0)};
    return names;
}

const Names &trackbar_styles()
{
    static const Names names = {
        flag("TBS_AUTOTICKS", 0x1),    flag("TBS_VERT", 0x2),     flag("TBS_TOP", 0x4),
        flag("TBS_BOTH", 0x8),         flag("TBS_NOTICKS", 0x10), flag("TBS_ENABLESELRANGE", 0x20),
        flag("TBS_FIXEDLENGTH", 0x40), flag("TBS_NOTHUMB", 0x80), flag("TBS_TOOLTIPS", 0x100),
        flag("TBS_REVERSED", 0x200),   alias("TBS_LEFT", 0x4),    alias("TBS_HORZ", 0),
        alias("TBS_BOTTOM", 0),        alias("TBS_RIGHT", 0)};
    return names;
}

const Names &up_down_styles()
{
    static const Names names = {flag("UDS_WRAP", 0x1),      flag("UDS_SETBUDDYINT", 0x2),  flag("UDS_ALIGNRIGHT", 0x4),
                                flag("UDS_ALIGNLEFT", 0x8), flag("UDS_AUTOBUDDY", 0x10),   flag("UDS_ARROWKEYS", 0x20),
                                flag("UDS_HORZ", 0x40),     flag("UDS_NOTHOUSANDS", 0x80), flag("UDS_HOTTRACK", 0x100)};
    return names;
}

const Names &progress_styles()
{
    static const Names names = {flag("PBS_SMOOTH", 0x1), flag("PBS_VERTICAL", 0x4), flag("PBS_MARQUEE", 0x8)};
    return names;
}

const Names &no_styles()
{
    static const Names names;
    return names;
}

// The class styles of each widget kind, as the runtime's registry creates them.
const Names &class_styles(int32_t kind)
{
    switch (kind) {
    case 1:
    case 3:
    case 10:
    case 11: return button_styles();
    case 2:
    case 4: return static_styles();
    case 5:
    case 8:
    case 9:
    case 16:
    case 17: return edit_styles();
    case 6: return trackbar_styles();
    case 7: return up_down_styles();
    case 12: return tree_view_styles();
    case 13:
    case 18: return list_box_styles();
    case 14:
    case 19: return combo_box_styles();
    case 15: return list_view_styles();
    case 20: return tab_styles();
    case 21: return progress_styles();
    default: return no_styles();
    }
}

} // namespace

const BitName *BitNames::find(std::string_view name) const
{
    for (const BitName &entry : names_)
        if (entry.name == name)
            return &entry;
    return nullptr;
}

std::string BitNames::text(uint32_t value) const
{
    std::string out;
    uint32_t claimed = 0;
    for (const BitName &entry : names_) {
        if (entry.alias || entry.bits == 0 || (entry.mask & claimed) != 0 || (value & entry.mask) != entry.bits)
            continue;
        claimed |= entry.mask;
        out += (out.empty() ? "" : " | ") + entry.name;
    }
    uint32_t rest = value & ~claimed;
    if (out.empty())
        return value == 0 ? "0" : format_hex(value);
    return rest == 0 ? out : out + " | " + format_hex(rest);
}

std::optional<std::string> BitNames::closest(std::string_view name) const
{
    NameTable table;
    for (const BitName &entry : names_)
        table.add(entry.name, 0);
    return table.closest(name);
}

const BitNames &style_names(int32_t widget_kind)
{
    static std::map<int32_t, BitNames> tables;
    int32_t key = widget_kind > 10000 ? kFormKind : widget_kind;
    auto found = tables.find(key);
    if (found != tables.end())
        return found->second;
    const Names &names = key == kFormKind ? form_styles() : control_window_styles() + class_styles(key);
    return tables.emplace(key, BitNames(key == kFormKind ? "a form" : "this widget", names)).first->second;
}

const BitNames &ex_style_names()
{
    static const BitNames names("an extended style", {flag("WS_EX_OVERLAPPEDWINDOW", 0x300),
                                                      flag("WS_EX_PALETTEWINDOW", 0x188),
                                                      flag("WS_EX_DLGMODALFRAME", 0x1),
                                                      flag("WS_EX_NOPARENTNOTIFY", 0x4),
                                                      flag("WS_EX_TOPMOST", 0x8),
                                                      flag("WS_EX_ACCEPTFILES", 0x10),
                                                      flag("WS_EX_TRANSPARENT", 0x20),
                                                      flag("WS_EX_MDICHILD", 0x40),
                                                      flag("WS_EX_TOOLWINDOW", 0x80),
                                                      flag("WS_EX_WINDOWEDGE", 0x100),
                                                      flag("WS_EX_CLIENTEDGE", 0x200),
                                                      flag("WS_EX_CONTEXTHELP", 0x400),
                                                      flag("WS_EX_RIGHT", 0x1000),
                                                      flag("WS_EX_RTLREADING", 0x2000),
                                                      flag("WS_EX_LEFTSCROLLBAR", 0x4000),
                                                      flag("WS_EX_CONTROLPARENT", 0x10000),
                                                      flag("WS_EX_STATICEDGE", 0x20000),
                                                      flag("WS_EX_APPWINDOW", 0x40000),
                                                      flag("WS_EX_LAYERED", 0x80000),
                                                      flag("WS_EX_NOINHERITLAYOUT", 0x100000),
                                                      flag("WS_EX_LAYOUTRTL", 0x400000),
                                                      flag("WS_EX_COMPOSITED", 0x2000000),
                                                      flag("WS_EX_NOACTIVATE", 0x8000000),
                                                      alias("WS_EX_LEFT", 0),
                                                      alias("WS_EX_LTRREADING", 0),
                                                      alias("WS_EX_RIGHTSCROLLBAR", 0)});
    return names;
}

const BitNames &font_style_names()
{
    static const BitNames names("a font style", {flag("FONT_BOLD", 1), flag("FONT_ITALIC", 2),
                                                 flag("FONT_UNDERLINE", 4), flag("FONT_STRIKEOUT", 8)});
    return names;
}

// Bit 28 is the runtime's own: the item is neither shown nor counted.
const BitNames &menu_flag_names()
{
    static const BitNames names("a menu item",
                                {flag("MF_GRAYED", 0x1), flag("MF_DISABLED", 0x2), flag("MF_BITMAP", 0x4),
                                 flag("MF_CHECKED", 0x8), flag("MF_POPUP", 0x10), flag("MF_MENUBARBREAK", 0x20),
                                 flag("MF_MENUBREAK", 0x40), flag("MF_OWNERDRAW", 0x100), flag("MF_SEPARATOR", 0x800),
                                 flag("MF_RIGHTJUSTIFY", 0x4000), flag("MF_HIDDEN", 0x10000000), alias("MF_STRING", 0),
                                 alias("MF_ENABLED", 0), alias("MF_UNCHECKED", 0), alias("MF_HELP", 0x4000)});
    return names;
}

std::vector<int32_t> kinds_with_style(std::string_view name)
{
    std::vector<int32_t> kinds;
    for (int32_t kind = 1; kind <= 22; ++kind)
        if (style_names(kind).find(name))
            kinds.push_back(kind);
    if (style_names(kFormKind).find(name))
        kinds.push_back(kFormKind);
    return kinds;
}

namespace {

const char *const kSystemColors[] = {"COLOR_SCROLLBAR",
                                     "COLOR_BACKGROUND",
                                     "COLOR_ACTIVECAPTION",
                                     "COLOR_INACTIVECAPTION",
                                     "COLOR_MENU",
                                     "COLOR_WINDOW",
                                     "COLOR_WINDOWFRAME",
                                     "COLOR_MENUTEXT",
                                     "COLOR_WINDOWTEXT",
                                     "COLOR_CAPTIONTEXT",
                                     "COLOR_ACTIVEBORDER",
                                     "COLOR_INACTIVEBORDER",
                                     "COLOR_APPWORKSPACE",
                                     "COLOR_HIGHLIGHT",
                                     "COLOR_HIGHLIGHTTEXT",
                                     "COLOR_BTNFACE",
                                     "COLOR_BTNSHADOW",
                                     "COLOR_GRAYTEXT",
                                     "COLOR_BTNTEXT",
                                     "COLOR_INACTIVECAPTIONTEXT",
                                     "COLOR_BTNHIGHLIGHT",
                                     "COLOR_3DDKSHADOW",
                                     "COLOR_3DLIGHT",
                                     "COLOR_INFOTEXT",
                                     "COLOR_INFOBK",
                                     nullptr,
                                     "COLOR_HOTLIGHT",
                                     "COLOR_GRADIENTACTIVECAPTION",
                                     "COLOR_GRADIENTINACTIVECAPTION",
                                     "COLOR_MENUHILIGHT",
                                     "COLOR_MENUBAR"};

const std::pair<const char *, uint32_t> kSystemColorAliases[] = {{"COLOR_DESKTOP", 1},    {"COLOR_3DFACE", 15},
                                                                 {"COLOR_3DSHADOW", 16},  {"COLOR_3DHIGHLIGHT", 20},
                                                                 {"COLOR_3DHILIGHT", 20}, {"COLOR_BTNHILIGHT", 20}};

constexpr uint32_t kSystemColorCount = sizeof kSystemColors / sizeof kSystemColors[0];

} // namespace

std::optional<uint32_t> system_color_index(std::string_view name)
{
    for (uint32_t index = 0; index < kSystemColorCount; ++index)
        if (kSystemColors[index] && name == kSystemColors[index])
            return index;
    for (const auto &[alias_name, index] : kSystemColorAliases)
        if (name == alias_name)
            return index;
    return std::nullopt;
}

std::string color_text(uint32_t value)
{
    if (value == kNoColor)
        return "none";
    if ((value & (kSystemColor | kNoColor)) == kSystemColor && (value & ~kSystemColor) <= 0xFF) {
        uint32_t index = value & ~kSystemColor;
        bool named = index < kSystemColorCount && kSystemColors[index];
        return "system(" + (named ? std::string(kSystemColors[index]) : std::to_string(index)) + ")";
    }
    if (value <= 0xFFFFFF)
        return "rgb(" + std::to_string(value & 0xFF) + ", " + std::to_string((value >> 8) & 0xFF) + ", " +
               std::to_string(value >> 16) + ")";
    return format_hex(value);
}

} // namespace flftool
