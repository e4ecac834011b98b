#include "resource_viewer/IconDecoder.h"
#include "resource_viewer/PeFile.h"
#include "resource_viewer/PngDecoder.h"
#include "resource_viewer/PreviewSurface.h"
#include "resource_viewer/mEnumResourse.h"
#include "resource_viewer/mGetResource.h"
#include "settings/PorticoError.h"
#include "tests/resource_viewer/FakeResourceTree.h"
#include "tests/resource_viewer/PeWriter.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

namespace portico {
namespace {

using test::FakeResourceTree;
using test::PeWriter;

const ResourceId kIcon = ResourceId::integer(3);

class ResourceModuleTest : public ::testing::Test {
protected:
    ~ResourceModuleTest() override { CloseResourceFile(); }

    std::string writePe(const PeWriter& writer, const std::string& name = "program.exe") {
        const auto path = temp / name;
        writer.writeFile(path);
        return path.string();
    }
    std::string threeIcons() {
        PeWriter writer;
        writer.add(ResourceId::integer(14), ResourceId::integer(1), {0, 0, 1, 0})  // icon group
            .add(kIcon, ResourceId::integer(1), test::makeSolidIcon(32, 0xFF0000FF, 0xFFFF0000))
            .add(kIcon, ResourceId::integer(2), test::makeSolidIcon(48, 0xFF00FF00, 0xFF00FF00))
            .add(kIcon, ResourceId::integer(3), {1, 2, 3});
        return writePe(writer);
    }

    test::TempFolder temp;
    FakeResourceTree tree;
};

TEST_F(ResourceModuleTest, IconNamesAreListedOnceOnFirstExpansion) {
    const auto path = threeIcons();
    ListResourceTypes(tree, path, path);
    auto* file = tree.root();
    ASSERT_TRUE(file);
    EXPECT_EQ(tree.roots.size(), 1U);
    EXPECT_EQ(file->key, path);
    EXPECT_EQ(file->text, path);
    EXPECT_EQ(file->image, 1);
    EXPECT_TRUE(file->expanded);
    ASSERT_EQ(FakeResourceTree::childTexts(file), std::vector<std::string>{"Icon Resource"});
    auto* type = file->children[0].get();
    EXPECT_EQ(type->key, "#3");
    EXPECT_EQ(type->image, 2);
    EXPECT_EQ(type->selectedImage, 3);
    EXPECT_FALSE(type->expanded);
    EXPECT_EQ(FakeResourceTree::childTexts(type), std::vector<std::string>{"Dummy"});

    NodeExpanding(tree, type);
    EXPECT_EQ(FakeResourceTree::childTexts(type), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(type->children[0]->image, 4);
    EXPECT_EQ(type->children[0]->selectedImage, 4);
    NodeExpanding(tree, type);
    NodeExpanding(tree, file);
    EXPECT_EQ(FakeResourceTree::childTexts(type), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(FakeResourceTree::childTexts(file), std::vector<std::string>{"Icon Resource"});
}

TEST_F(ResourceModuleTest, TextNamedIconsAppearUnderTheirNames) {
    PeWriter writer(true);
    writer.add(kIcon, ResourceId::text("MAINICON"), test::makeSolidIcon(16, 0xFF000000, 0xFF000000))
        .add(kIcon, ResourceId::integer(9), test::makeSolidIcon(16, 0xFF000000, 0xFF000000));
    const auto path = writePe(writer);
    ListResourceTypes(tree, path, "caption");
    EXPECT_EQ(tree.root()->text, "caption");
    NodeExpanding(tree, tree.root()->children[0].get());
    EXPECT_EQ(FakeResourceTree::childTexts(tree.root()->children[0].get()),
              (std::vector<std::string>{"MAINICON", "9"}));
    EXPECT_TRUE(MakeIconPicture("3", "MAINICON"));
}

TEST_F(ResourceModuleTest, FilesWithoutIconsShowTheFileNodeAlone) {
    PeWriter others;
    others.add(ResourceId::integer(2), ResourceId::integer(1), {1})
        .add(ResourceId::integer(4), ResourceId::integer(1), {2})
        .add(ResourceId::integer(5), ResourceId::integer(1), {3})
        .add(ResourceId::integer(16), ResourceId::integer(1), {4})
        .add(ResourceId::text("ICON"), ResourceId::integer(1), {5});
    const std::string paths[] = {writePe(others), (temp / "missing.exe").string(), "",
                                 temp.write("notes.txt", "plain text").string()};
    for (const auto& path : paths) {
        SCOPED_TRACE(path);
        tree.addNode(nullptr, "stale", "stale", 1, 1);
        ListResourceTypes(tree, path, path);
        ASSERT_EQ(tree.roots.size(), 1U);
        EXPECT_TRUE(tree.root()->children.empty());
        EXPECT_TRUE(tree.root()->expanded);
    }
    EXPECT_FALSE(ResourceModule());
}

TEST_F(ResourceModuleTest, OpenAndCloseTrackTheModule) {
    const auto path = threeIcons();
    EXPECT_TRUE(OpenResourceFile(path));
    EXPECT_TRUE(ResourceModule());
    EXPECT_FALSE(OpenResourceFile(path + ".missing"));
    EXPECT_FALSE(ResourceModule());
    EXPECT_TRUE(OpenResourceFile(path));
    CloseResourceFile();
    EXPECT_FALSE(ResourceModule());
    CloseResourceFile();
    EXPECT_TRUE(ReadResourceBytes("3", "#3").empty()) << "no module, nothing to read";
}

TEST_F(ResourceModuleTest, ReadResourceBytesFollowsTheTreeNaming) {
    ASSERT_TRUE(OpenResourceFile(threeIcons()));
    EXPECT_EQ(ReadResourceBytes("3", "#3"), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_TRUE(ReadResourceBytes("3", "#4").empty());
    EXPECT_TRUE(ReadResourceBytes("3", "3").empty()) << "a bare number is a name, not an identifier";
    EXPECT_TRUE(ReadResourceBytes("Icon", "#3").empty());
}

class RecordingSurface final : public PreviewSurface {
public:
    int ScaleWidth() const override { return 2295; }
    int ScaleHeight() const override { return 3735; }
    void PaintPicture(const IconPicture& picture, int x, int y) override {
        painted.push_back({x, y});
        topLeft = picture.pixels().front();
    }
    void setPrintPosition(int x, int y) override { position = {x, y}; }
    void Print(const std::string& line) override { lines.push_back(line); }

    std::vector<std::pair<int, int>> painted;
    std::pair<int, int> position{-1, -1};
    std::vector<std::string> lines;
    std::uint32_t topLeft = 0;
};

TEST_F(ResourceModuleTest, PreviewIsCentredInTwipsWithItsInfoLines) {
    ASSERT_TRUE(OpenResourceFile(threeIcons()));
    RecordingSurface surface;
    auto picture = MakeIconPicture("3", "#1");
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Width(), 847) << "HIMETRIC";
    EXPECT_TRUE(ShowPictureInfo(std::move(picture), surface));
    EXPECT_EQ(surface.painted, (std::vector<std::pair<int, int>>{{907, 1627}}));
    EXPECT_EQ(surface.topLeft, 0xFFFF0000U);
    EXPECT_EQ(surface.position, (std::pair{0, 0}));
    EXPECT_EQ(surface.lines,
              (std::vector<std::string>{"Image info:", "", "Type: Icon/cursor (*.ico/*.cur)", "Syze: 32 x 32"}));

    RecordingSurface large;
    EXPECT_TRUE(ShowPictureInfo(MakeIconPicture("3", "#2"), large));
    EXPECT_EQ(large.painted, (std::vector<std::pair<int, int>>{{787, 1507}}));
    EXPECT_EQ(large.lines.back(), "Syze: 48 x 48");
}

TEST_F(ResourceModuleTest, BytesThatAreNoIconGiveNoPictureAndLeaveTheSurfaceAlone) {
    ASSERT_TRUE(OpenResourceFile(threeIcons()));
    EXPECT_FALSE(MakeIconPicture("3", "#3"));
    EXPECT_FALSE(MakeIconPicture("3", "#99"));
    RecordingSurface surface;
    EXPECT_FALSE(ShowPictureInfo(MakeIconPicture("3", "#3"), surface));
    EXPECT_TRUE(surface.painted.empty());
    EXPECT_TRUE(surface.lines.empty());
    EXPECT_EQ(surface.position, (std::pair{-1, -1}));
}

class StubPngDecoder final : public PngDecoder {
public:
    std::optional<IconPicture> decodePng(std::span<const std::uint8_t> bytes) const override {
        ++calls;
        if (bytes.size() < 40) return std::nullopt;
        return IconPicture(64, 64, std::vector<std::uint32_t>(64 * 64, 0xFF123456));
    }
    mutable int calls = 0;
};

TEST_F(ResourceModuleTest, PngIconsNeedTheInstalledDecoder) {
    PeWriter writer;
    writer.add(kIcon, ResourceId::integer(1), test::makePngHeader(64, 64, std::vector<std::uint8_t>(20, 0)))
        .add(kIcon, ResourceId::integer(2), test::makePngHeader(64, 64));
    ASSERT_TRUE(OpenResourceFile(writePe(writer)));
    EXPECT_FALSE(MakeIconPicture("3", "#1")) << "no decoder installed";
    StubPngDecoder stub;
    const PngDecoder* previous = installPngDecoder(&stub);
    const auto picture = MakeIconPicture("3", "#1");
    EXPECT_FALSE(MakeIconPicture("3", "#2")) << "the decoder's failure is no picture";
    installPngDecoder(previous);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->pixelWidth(), 64);
    EXPECT_EQ(stub.calls, 2);
}

TEST_F(ResourceModuleTest, WriteBytesToFileReplacesTheWholeContent) {
    const auto path = temp.write("temp.bmp", std::string(1024, 'x'));
    WriteBytesToFile(path.string(), {1, 2, 3});
    EXPECT_EQ(test::TempFolder::read(path), std::string("\x01\x02\x03", 3));
    WriteBytesToFile((temp / "new.bin").string(), {});
    EXPECT_TRUE(std::filesystem::exists(temp / "new.bin"));
    EXPECT_EQ(std::filesystem::file_size(temp / "new.bin"), 0U);
    // A link planted in the file's place is replaced; its target stays as it was.
    const auto victim = temp.write("victim.txt", "someone's file");
    std::filesystem::create_symlink(victim, temp / "link.bmp");
    WriteBytesToFile((temp / "link.bmp").string(), {4, 5});
    EXPECT_EQ(test::TempFolder::read(victim), "someone's file");
    EXPECT_FALSE(std::filesystem::is_symlink(temp / "link.bmp"));
    EXPECT_EQ(test::TempFolder::read(temp / "link.bmp"), std::string("\x04\x05", 2));
    try {
        WriteBytesToFile((temp / "no-such-folder" / "temp.bmp").string(), {1});
        FAIL() << "expected a file error";
    } catch (const PorticoError& e) {
        EXPECT_EQ(e.number(), 75);
    }
}

}  // namespace
}  // namespace portico
