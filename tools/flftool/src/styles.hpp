// Window styles, extended styles, font styles, menu flags and colors by name.
//
// Each widget kind has its own style names (the common window styles and
// those of its window class), because the low style bits mean different
// things in different classes: 1 is BS_DEFPUSHBUTTON on a button, ES_CENTER on
// an edit and LBS_NOTIFY on a list box. A name is a flag (its bits), or one
// value of a field of several bits (BS_AUTOCHECKBOX is 3 of the button type in
// the low four bits). Written values are the names that express bits exactly,
// then a number for any bits no name covers; so a value always reads back to
// the same bits.
#ifndef FLFTOOL_STYLES_HPP
#define FLFTOOL_STYLES_HPP

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace flftool {

struct BitName {
    std::string name;
    uint32_t bits = 0;
    uint32_t mask = 0;  // the field's bits; equal to bits for a flag
    bool alias = false; // read, never written (TBS_LEFT is TBS_TOP)
    bool is_field() const { return mask != bits; }
};

class BitNames {
public:
    BitNames(std::string what, std::vector<BitName> names) : what_(std::move(what)), names_(std::move(names)) {}

    const std::string &what() const { return what_; }
    const BitName *find(std::string_view name) const;
    std::string text(uint32_t value) const;
    std::optional<std::string> closest(std::string_view name) const;

private:
    std::string what_;
    std::vector<BitName> names_;
};

// The widget kind of the form itself; any kind above 10000 is a form.
constexpr int32_t kFormKind = 10001;

const BitNames &style_names(int32_t widget_kind);
const BitNames &ex_style_names();
const BitNames &font_style_names();
const BitNames &menu_flag_names();
// Which widget kinds' style names hold this name (for "it is a style of ...").
std::vector<int32_t> kinds_with_style(std::string_view name);

// Colors: none (bit 30), system(COLOR_...) (bit 31 and an index), rgb(r, g, b).
constexpr uint32_t kNoColor = 0x40000000u;
constexpr uint32_t kSystemColor = 0x80000000u;
std::string color_text(uint32_t value);
std::optional<uint32_t> system_color_index(std::string_view name);

} // namespace flftool

#endif
