#include "resource_viewer/IconGroup.h"
#include "resource_viewer/PeFile.h"
#include "tests/resource_viewer/PeWriter.h"

#include <gtest/gtest.h>

namespace portico {
namespace {

using test::makeIconGroup;

TEST(IconGroupTest, ReadsMembersWithZeroMeaning256AndListsDistinctSizes) {
    const auto group = IconGroup::parse(makeIconGroup({{48, 48, 32, 3}, {16, 16, 8, 1}, {0, 0, 32, 7}, {16, 16, 32, 2}}));
    ASSERT_TRUE(group);
    ASSERT_EQ(group->members().size(), 4u);
    EXPECT_EQ(group->members()[2].width, 256);
    EXPECT_EQ(group->members()[2].height, 256);
    EXPECT_EQ(group->members()[2].iconId, 7);
    EXPECT_EQ(group->members()[1].bitCount, 8);
    EXPECT_EQ(group->sizesText(), "16, 48, 256 px");
    EXPECT_EQ(IconGroup::parse(makeIconGroup({{32, 16, 32, 1}}))->sizesText(), "32x16 px");
}

TEST(IconGroupTest, RefusesCursorsAndGarbageAndStopsAtTheEndOfTheData) {
    EXPECT_FALSE(IconGroup::parse(makeIconGroup({{32, 32, 32, 1}}, 2))) << "a cursor group";
    EXPECT_FALSE(IconGroup::parse(std::vector<std::uint8_t>{0, 0, 1}));
    EXPECT_FALSE(IconGroup::parse(std::vector<std::uint8_t>{}));
    auto truncated = makeIconGroup({{16, 16, 32, 1}, {32, 32, 32, 2}});
    truncated[4] = 200;  // claims far more entries than it holds
    truncated.resize(truncated.size() - 1);
    const auto group = IconGroup::parse(truncated);
    ASSERT_TRUE(group);
    EXPECT_EQ(group->members().size(), 1u);
}

TEST(IconGroupTest, GroupsOfAFileKeepOnlyMembersWhoseImageExists) {
    const ResourceId icon = ResourceId::integer(3), group = ResourceId::integer(kIconGroupResourceType);
    test::PeWriter writer;
    writer.add(icon, ResourceId::integer(1), test::makeSolidIcon(16, 0xFF0000FF, 0xFF0000FF))
        .add(icon, ResourceId::integer(2), test::makeSolidIcon(32, 0xFF0000FF, 0xFF0000FF))
        .add(group, ResourceId::text("MAINICON"), makeIconGroup({{16, 16, 32, 1}, {32, 32, 32, 2}, {48, 48, 32, 9}}))
        .add(group, ResourceId::integer(5), makeIconGroup({{64, 64, 32, 9}}))
        .add(group, ResourceId::integer(6), {1, 2, 3});
    const auto file = PeFile::fromBytes(writer.bytes());
    ASSERT_TRUE(file);
    const auto groups = IconGroup::groupsOf(*file);
    ASSERT_EQ(groups.size(), 1u) << "a group with no existing image and a damaged one are left out";
    EXPECT_EQ(groups[0].first, "MAINICON");
    EXPECT_EQ(groups[0].second.sizesText(), "16, 32 px");
}

}  // namespace
}  // namespace portico
