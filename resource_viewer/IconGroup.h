#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace portico {

class PeFile;
struct ResourceId;

// Resource type of icon groups: the directory that ties the sizes of one icon
// to the individual icon images.
inline constexpr std::uint16_t kIconGroupResourceType = 14;

// One icon group of an executable: the images that are the same icon at
// different sizes and colour depths.
class IconGroup {
public:
    struct Member {
        int width = 0;  // pixels; a stored 0 means 256
        int height = 0;
        int bitCount = 0;
        std::uint16_t iconId = 0;  // name of the icon image resource
    };

    // Reads a group directory; nullopt when the bytes are not one. Entries
    // beyond the data are left out.
    static std::optional<IconGroup> parse(std::span<const std::uint8_t> bytes);
    // Every group of the file, in stored order, holding only members whose
    // image exists.
    static std::vector<std::pair<std::string, IconGroup>> groupsOf(const PeFile& file);

    const std::vector<Member>& members() const { return members_; }
    // "16, 32, 48 px": the distinct sizes, smallest first; "32x16" for a non-square one.
    std::string sizesText() const;

private:
    std::vector<Member> members_;
};

}  // namespace portico
