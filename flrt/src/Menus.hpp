// The menu bar of a form: built from the description, its commands run the
// items' routines, its captions, checks and enabled states follow the object.
#ifndef FLRT_MENUS_HPP
#define FLRT_MENUS_HPP

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include "Widgets.hpp"

struct MenuDestroyer {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
// A menu until a window or a menu above it takes it: destroyed with its
// submenus when the owner goes first.
using MenuHandle = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDestroyer>;

class CFLRT_Menu {
public:
    static constexpr int kFirstCommand = 5000;
    static constexpr int kLastCommand = 6000;

    // The owner is the form whose object gives captions and states.
    CFLRT_Menu(FLF_ITEM description, CFLRT_AbstractWidget *owner);
    CFLRT_Menu(const CFLRT_Menu &) = delete;
    CFLRT_Menu &operator=(const CFLRT_Menu &) = delete;

    HMENU Handle() const { return menu_.get(); }
    // The window that showed the menu destroyed it with itself.
    void Forget() { static_cast<void>(menu_.release()); }
    // Position of the "&Window" item among the shown items of its level.
    int WindowMenuPosition() const { return window_menu_position_; }
    // The routine list of the command's item, for the form to run (null when
    // the item has none); nothing when the id names no item to run.
    std::optional<FLF_ITEM> Routines(int command);
    void UpdateStates();

private:
    // Each walk numbers the commands with its own counter: a walk may run
    // routines that start another walk (an update inside an update).
    void Build(HMENU menu, FLF_ITEM list, int &next_command);
    FLF_ITEM FindCommand(FLF_ITEM list, int command, int &next_command);
    void Update(HMENU menu, FLF_ITEM list, int &next_command);
    std::string Caption(FLF_ITEM item, bool *window_menu = nullptr);
    FLF_ITEM Items(FLF_ITEM item);

    MenuHandle menu_;
    FLF_ITEM description_;
    CFLRT_AbstractWidget *owner_;
    int window_menu_position_ = 0;
};

#endif
