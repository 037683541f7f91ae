// The application's root: finds the installed Tangram worlds, lets the user
// choose one in the selection form and shows the puzzle window with it.
#ifndef ZOTANGRAM_ZOTANGRAM_HPP
#define ZOTANGRAM_ZOTANGRAM_HPP

#include "zo/displayable.hpp"
#include "zotangram/zotangram_world.hpp"

namespace zotangram {

class ZOTANGRAM : public zo::DISPLAYABLE {
    ZO_OBJECT(ZOTANGRAM, zo::DISPLAYABLE)
    ZOTANGRAM();

    zo::String *zotangram_fl_filename = nullptr;
    zo::Array *namearray = nullptr;  // friendly names, from index 1
    zo::Array *clsidarray = nullptr; // class identifiers (GUID), parallel to namearray
    std::int32_t selected = 0;
    bool localserver = false;
    ZOTANGRAM_WORLD *zotangramworld = nullptr;
    // Whether the piece server is installed, and the check box's caption that says so.
    bool serveravailable = false;
    zo::String *serveroption = nullptr;

    // The whole run.
    void make();
    bool filllistboxarrays();
    zo::String *getfriendlyname(zo::Guid *clsid);
    // The piece model's local server and the marshaling of its interfaces are registered.
    bool localserverinstalled();
};

} // namespace zotangram

#endif
