// Menu bars of forms.
#include "Menus.hpp"

#include <cstring>
#include <string>

#include "cflrt_res.h"
#include "fl_constants.h"
#include "runtime.hpp"
#include "text.hpp"

namespace {

constexpr const char *kModule = "Menus";
constexpr const char *kWindowCaption = "&Window";
constexpr int kHiddenItem = 0x10000000;

// The caption that "&Window" shows in the user's language (string 1 of the runtime's table).
const char *window_menu_caption()
{
    static flrt::CachedString caption(FLRT_STR_WINDOW_MENU, kWindowCaption);
    return caption.get();
}

// Walks the shown items of a list in order.
template <class Visit>
void for_each_shown(FLF_ITEM list, Visit &&visit)
{
    int shown = 0;
    for (int position = flf_get_first_prop_position(list); position;
         position = flf_get_next_prop_position(list, position)) {
        FLF_ITEM item = flf_item_by_position(list, position);
        FLF_ITEM style = flf_get_prop(item, FL_style);
        if (!style) {
            flrt_assert(kModule, __LINE__);
            continue;
        }
        const int flags = flf_get_prop_int(style);
        if (flags & kHiddenItem)
            continue;
        if (visit(item, flags, shown++))
            return;
    }
}

} // namespace

CFLRT_Menu::CFLRT_Menu(FLF_ITEM description, CFLRT_AbstractWidget *owner) : description_(description), owner_(owner)
{
    FLF_ITEM list = flf_get_prop(description, FL_items);
    if (!list)
        return;
    // Should building fail, the member gives back what was built.
    menu_.reset(CreateMenu());
    int next_command = kFirstCommand;
    Build(menu_.get(), list, next_command);
}

FLF_ITEM CFLRT_Menu::Items(FLF_ITEM item)
{
    return flf_get_prop(item, FL_items);
}

std::string CFLRT_Menu::Caption(FLF_ITEM item, bool *window_menu)
{
    FLF_ITEM group = flf_get_prop(item, FL_caption);
    if (!group) {
        flrt_assert(kModule, __LINE__);
        return "";
    }
    FLF_ITEM path = flf_get_prop(group, FL_path);
    const char *text = path ? javaapi_get_string(owner_->Object(), path) : nullptr;
    if (!text)
        return "";
    const bool is_window_menu = std::strcmp(text, kWindowCaption) == 0;
    if (window_menu)
        *window_menu = is_window_menu;
    return is_window_menu ? window_menu_caption() : text;
}

void CFLRT_Menu::Build(HMENU menu, FLF_ITEM list, int &next_command)
{
    for_each_shown(list, [&](FLF_ITEM item, int flags, int position) {
        bool window_menu = false;
        const std::string caption = Caption(item, &window_menu);
        const UINT style = static_cast<UINT>(flags & ~kHiddenItem);
        if (FLF_ITEM sub_items = Items(item)) {
            MenuHandle popup(CreatePopupMenu());
            Build(popup.get(), sub_items, next_command);
            // Once appended, the popup is the menu's, destroyed with it.
            if (AppendMenuA(menu, style | MF_POPUP, reinterpret_cast<UINT_PTR>(popup.get()), caption.c_str()))
                static_cast<void>(popup.release());
        } else {
            AppendMenuA(menu, style, static_cast<UINT_PTR>(next_command++), caption.c_str());
        }
        if (window_menu)
            window_menu_position_ = position;
        return false;
    });
}

FLF_ITEM CFLRT_Menu::FindCommand(FLF_ITEM list, int command, int &next_command)
{
    FLF_ITEM found = nullptr;
    for_each_shown(list, [&](FLF_ITEM item, int, int) {
        if (FLF_ITEM sub_items = Items(item))
            found = FindCommand(sub_items, command, next_command);
        else if (next_command++ == command)
            found = item;
        return found != nullptr;
    });
    return found;
}

std::optional<FLF_ITEM> CFLRT_Menu::Routines(int command)
{
    if (command < kFirstCommand || command > kLastCommand)
        return std::nullopt;
    FLF_ITEM list = flf_get_prop(description_, FL_items);
    if (!list) {
        flrt_assert(kModule, __LINE__);
        return std::nullopt;
    }
    int next_command = kFirstCommand;
    FLF_ITEM item = FindCommand(list, command, next_command);
    if (!item) {
        flrt_assert_msg("Menu item position not found", kModule, __LINE__);
        return std::nullopt;
    }
    FLF_ITEM routines = flf_get_prop(item, FL_routines);
    if (!routines)
        flrt_assert(kModule, __LINE__);
    return routines;
}

void CFLRT_Menu::UpdateStates()
{
    FLF_ITEM list = flf_get_prop(description_, FL_items);
    if (!list || !menu_) {
        flrt_assert(kModule, __LINE__);
        return;
    }
    int next_command = kFirstCommand;
    Update(menu_.get(), list, next_command);
}

void CFLRT_Menu::Update(HMENU menu, FLF_ITEM list, int &next_command)
{
    for_each_shown(list, [&](FLF_ITEM item, int flags, int position) {
        const std::string caption = Caption(item);
        const bool enabled = owner_->Conditions(flf_get_prop(item, FL_enabled));
        FLF_ITEM checked_list = flf_get_prop(item, FL_checked);
        const bool checked =
            checked_list && flf_get_children_count(checked_list) > 0 && owner_->Conditions(checked_list);
        UINT state = MF_BYPOSITION | (static_cast<UINT>(flags) & MF_SEPARATOR);
        if (checked)
            state |= MF_CHECKED;
        if (!enabled)
            state |= MF_GRAYED | MF_DISABLED;
        if (FLF_ITEM sub_items = Items(item)) {
            HMENU popup = GetSubMenu(menu, position);
            ModifyMenuA(menu, static_cast<UINT>(position), state | MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
                        caption.c_str());
            Update(popup, sub_items, next_command);
        } else {
            ModifyMenuA(menu, static_cast<UINT>(position), state, static_cast<UINT_PTR>(next_command++),
                        caption.c_str());
        }
        return false;
    });
}
