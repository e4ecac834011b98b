#include "resource_viewer/IconGroup.h"

#include "resource_viewer/PeFile.h"
#include "resource_viewer/mEnumResourse.h"

#include <algorithm>
#include <set>

namespace portico {
namespace {

constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kEntrySize = 14;
// Icon groups hold a handful of sizes; a larger count is damage.
constexpr std::size_t kMaxMembers = 256;

std::uint16_t word(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::string nameText(const ResourceId& name) {
    return name.isInteger ? std::to_string(name.id) : name.name.substr(0, name.name.find('\0'));
}

}  // namespace

std::optional<IconGroup> IconGroup::parse(std::span<const std::uint8_t> bytes) {
    // Reserved 0, type 1 (icons; 2 would be cursors), count.
    if (bytes.size() < kHeaderSize || word(bytes, 0) != 0 || word(bytes, 2) != 1) return std::nullopt;
    const std::size_t count = std::min<std::size_t>(word(bytes, 4), kMaxMembers);
    IconGroup group;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = kHeaderSize + i * kEntrySize;
        if (at + kEntrySize > bytes.size()) break;
        Member member;
        member.width = bytes[at] == 0 ? 256 : bytes[at];
        member.height = bytes[at + 1] == 0 ? 256 : bytes[at + 1];
        member.bitCount = word(bytes, at + 6);
        member.iconId = word(bytes, at + 12);
        group.members_.push_back(member);
    }
    return group;
}

std::vector<std::pair<std::string, IconGroup>> IconGroup::groupsOf(const PeFile& file) {
    std::set<std::uint16_t> images;
    file.enumerateNames(ResourceId::integer(kIconResourceType), [&images](const ResourceId& name) {
        if (name.isInteger) images.insert(name.id);
        return true;
    });
    std::vector<std::pair<std::string, IconGroup>> groups;
    const ResourceId groupType = ResourceId::integer(kIconGroupResourceType);
    file.enumerateNames(groupType, [&](const ResourceId& name) {
        const auto bytes = file.readResource(groupType, name);
        auto group = bytes ? parse(*bytes) : std::nullopt;
        if (!group) return true;
        std::erase_if(group->members_, [&images](const Member& member) { return !images.contains(member.iconId); });
        if (!group->members_.empty()) groups.emplace_back(nameText(name), std::move(*group));
        return true;
    });
    return groups;
}

std::string IconGroup::sizesText() const {
    std::set<std::pair<int, int>> sizes;
    for (const Member& member : members_) sizes.emplace(member.width, member.height);
    std::string text;
    for (const auto& [width, height] : sizes) {
        if (!text.empty()) text += ", ";
        text += std::to_string(width);
        if (height != width) text += "x" + std::to_string(height);
    }
    return text + " px";
}

}  // namespace portico
