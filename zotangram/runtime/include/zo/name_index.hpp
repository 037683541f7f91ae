// Names matched without regard to ASCII case, found by hashing: the table
// resolves a name at every field access, so the lookup must be cheap.
#ifndef ZO_NAME_INDEX_HPP
#define ZO_NAME_INDEX_HPP

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zo {

// 'a' to 'z' compare as their upper-case letters; other bytes as they are.
bool same_name(const char *a, const char *b);

class NameIndex {
public:
    static constexpr int kNone = -1;

    // Adds a name at a position; a name already present keeps its first position.
    void add(const std::string &name, int position);
    // The position of the name, kNone when absent or when name is null or empty.
    int find(const char *name) const;

private:
    struct Slot {
        std::string name;
        std::uint32_t hash = 0;
        int position = kNone;
    };
    void grow();
    std::vector<Slot> slots_ = std::vector<Slot>(8);
    std::size_t used_ = 0;
};

} // namespace zo

#endif
