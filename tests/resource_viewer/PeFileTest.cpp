#include "resource_viewer/ByteSource.h"
#include "resource_viewer/PeFile.h"
#include "tests/resource_viewer/PeWriter.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

namespace portico {
namespace {

using test::PeWriter;

const ResourceId kIcon = ResourceId::integer(3);

std::vector<std::uint8_t> blob(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> b(size);
    for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>(seed + i * 7);
    return b;
}

PeWriter sampleWriter(bool pe32Plus) {
    PeWriter writer(pe32Plus);
    writer.add(ResourceId::integer(2), ResourceId::integer(100), blob(50, 1))  // a bitmap
        .add(kIcon, ResourceId::integer(1), blob(40, 2))
        .add(kIcon, ResourceId::integer(2), blob(41, 3))
        .add(ResourceId::text("CUSTOM"), ResourceId::text("DATA"), blob(7, 4))
        .add(kIcon, ResourceId::integer(3), blob(42, 5))
        .add(kIcon, ResourceId::integer(3), blob(43, 6), 0x0407);
    return writer;
}

std::vector<ResourceId> typesOf(const PeFile& file) {
    std::vector<ResourceId> out;
    file.enumerateTypes([&](const ResourceId& id) {
        out.push_back(id);
        return true;
    });
    return out;
}

std::vector<ResourceId> namesOf(const PeFile& file, const ResourceId& type) {
    std::vector<ResourceId> out;
    file.enumerateNames(type, [&](const ResourceId& id) {
        out.push_back(id);
        return true;
    });
    return out;
}

// Everything a caller can ask of a file, so damaged files get the full walk.
std::size_t walkEverything(const PeFile& file) {
    std::size_t found = 0;
    for (const auto& type : typesOf(file))
        for (const auto& name : namesOf(file, type)) {
            file.enumerateLanguages(type, name, [](std::uint16_t) { return true; });
            if (file.readResource(type, name)) ++found;
        }
    return found;
}

TEST(PeFileTest, ListsTypesNamesAndLanguagesInStoredOrderForBothFormats) {
    for (bool pe32Plus : {false, true}) {
        SCOPED_TRACE(pe32Plus ? "PE32+" : "PE32");
        const auto file = PeFile::fromBytes(sampleWriter(pe32Plus).bytes());
        ASSERT_TRUE(file);
        EXPECT_EQ(file->isPe32Plus(), pe32Plus);
        EXPECT_EQ(typesOf(*file), (std::vector{ResourceId::integer(2), kIcon, ResourceId::text("CUSTOM")}));
        EXPECT_EQ(namesOf(*file, kIcon),
                  (std::vector{ResourceId::integer(1), ResourceId::integer(2), ResourceId::integer(3)}));
        std::vector<std::uint16_t> languages;
        file->enumerateLanguages(kIcon, ResourceId::integer(3), [&](std::uint16_t l) {
            languages.push_back(l);
            return true;
        });
        EXPECT_EQ(languages, (std::vector<std::uint16_t>{0x0409, 0x0407}));

        EXPECT_EQ(file->readResource(kIcon, ResourceId::integer(2)), blob(41, 3));
        EXPECT_EQ(file->readResource(kIcon, ResourceId::integer(3)), blob(42, 5)) << "first stored language";
        EXPECT_EQ(file->readResource(ResourceId::text("custom"), ResourceId::text("Data")), blob(7, 4))
            << "names match without regard to case";
        EXPECT_FALSE(file->readResource(kIcon, ResourceId::integer(4)));
        EXPECT_FALSE(file->readResource(ResourceId::integer(14), ResourceId::integer(1)));
    }
}

TEST(PeFileTest, EnumerationStopsWhenTheCallbackSaysSo) {
    const auto file = PeFile::fromBytes(sampleWriter(false).bytes());
    int calls = 0;
    file->enumerateNames(kIcon, [&](const ResourceId&) { return ++calls < 2; });
    EXPECT_EQ(calls, 2);
}

TEST(PeFileTest, TextNamesAreConvertedFromUtf16) {
    const std::string names[] = {"MAINICON", "Größe", "\xF0\x9F\x98\x80 smile"};
    PeWriter writer;
    for (const auto& n : names) writer.add(kIcon, ResourceId::text(n), blob(8, 1));
    const auto file = PeFile::fromBytes(writer.bytes());
    ASSERT_TRUE(file);
    EXPECT_EQ(namesOf(*file, kIcon),
              (std::vector{ResourceId::text(names[0]), ResourceId::text(names[1]), ResourceId::text(names[2])}));
}

TEST(PeFileTest, LoneSurrogatesInNamesBecomeReplacementCharacters) {
    PeWriter writer;
    writer.add(kIcon, ResourceId::text("AB"), blob(8, 1));
    auto bytes = writer.bytes();
    // The name string follows the directories and the one data entry.
    const std::size_t name = writer.resourceFileOffset() + 16 + 8 + 16 + 8 + 16 + 8 + 16;
    ASSERT_EQ(bytes[name], 2);
    bytes[name + 2] = 0x00;
    bytes[name + 3] = 0xD8;  // high surrogate followed by 'B'
    const auto file = PeFile::fromBytes(bytes);
    EXPECT_EQ(namesOf(*file, kIcon), std::vector{ResourceId::text("\xEF\xBF\xBD" "B")});
}

TEST(PeFileTest, FilesThatAreNotPeImagesAreRefused) {
    test::TempFolder temp;
    EXPECT_FALSE(PeFile::open(temp / "missing.exe"));
    EXPECT_FALSE(PeFile::open(temp.path())) << "a folder";
    EXPECT_FALSE(PeFile::open(temp.write("empty.exe", "")));
    EXPECT_FALSE(PeFile::open(temp.write("text.exe", "hello, this is not a program at all; just some text....")));
    std::string mz(512, '\0');
    mz[0] = 'M';
    mz[1] = 'Z';
    EXPECT_FALSE(PeFile::open(temp.write("dos.exe", mz))) << "MZ without a PE header";
    auto bytes = PeWriter().bytes();
    bytes[0x58] = 0x0C;  // optional header magic
    EXPECT_FALSE(PeFile::fromBytes(bytes));
}

TEST(PeFileTest, ImageWithoutResourcesOpensWithNone) {
    const auto file = PeFile::fromBytes(PeWriter().add(kIcon, ResourceId::integer(1), blob(8, 1)).omitResourceDirectory().bytes());
    ASSERT_TRUE(file);
    EXPECT_TRUE(typesOf(*file).empty());
    EXPECT_FALSE(file->readResource(kIcon, ResourceId::integer(1)));
}

TEST(PeFileTest, EveryTruncatedCopyReadsOnlyIntactData) {
    const auto full = sampleWriter(true).bytes();
    for (std::size_t length = 0; length < full.size(); length += 3) {
        const auto file = PeFile::fromBytes(std::span(full).first(length));
        if (!file) continue;
        for (const auto& type : typesOf(*file))
            for (const auto& name : namesOf(*file, type))
                if (auto data = file->readResource(type, name)) {
                    const auto original = PeFile::fromBytes(full)->readResource(type, name);
                    EXPECT_EQ(data, original) << "length " << length;
                }
    }
}

TEST(PeFileTest, RandomCorruptionNeverBreaksTheReader) {
    const auto original = sampleWriter(false).bytes();
    std::mt19937 random(12345);
    for (int round = 0; round < 3000; ++round) {
        auto bytes = original;
        const int flips = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < flips; ++i) {
            // Mostly inside the resource directories, where the damage matters.
            const std::size_t at = random() % 4 ? 0x400 + random() % 200 : random() % bytes.size();
            bytes[at] = static_cast<std::uint8_t>(random());
        }
        if (const auto file = PeFile::fromBytes(bytes)) walkEverything(*file);
    }
}

TEST(PeFileTest, DirectoriesPointingBackUpTheTreeAreRefused) {
    PeWriter writer;
    writer.add(kIcon, ResourceId::integer(1), blob(8, 1)).add(kIcon, ResourceId::integer(2), blob(8, 2));
    const auto bytes = writer.bytes();
    const std::size_t root = writer.resourceFileOffset();
    const std::size_t typeDir = root + 16 + 8;

    auto selfType = bytes;
    selfType[root + 16 + 4] = 0;  // the type entry points at the root itself
    const auto looping = PeFile::fromBytes(selfType);
    ASSERT_TRUE(looping);
    EXPECT_TRUE(typesOf(*looping).empty());
    EXPECT_TRUE(namesOf(*looping, kIcon).empty());

    auto nameToParent = bytes;
    nameToParent[typeDir + 16 + 4] = static_cast<std::uint8_t>(typeDir - root);  // name 1 -> its own type
    const auto file = PeFile::fromBytes(nameToParent);
    EXPECT_EQ(namesOf(*file, kIcon), std::vector{ResourceId::integer(2)});
    EXPECT_FALSE(file->readResource(kIcon, ResourceId::integer(1)));
    EXPECT_EQ(file->readResource(kIcon, ResourceId::integer(2)), blob(8, 2));
}

TEST(PeFileTest, ClaimsLargerThanTheFileAreRefusedWithoutAllocating) {
    PeWriter writer;
    writer.add(kIcon, ResourceId::integer(1), blob(8, 1));
    const std::size_t root = writer.resourceFileOffset();

    auto hugeCounts = writer.bytes();
    for (std::size_t i = 12; i < 16; ++i) hugeCounts[root + i] = 0xFF;  // 131070 entries
    EXPECT_TRUE(typesOf(*PeFile::fromBytes(hugeCounts)).empty());

    auto hugeData = writer.bytes();
    const std::size_t dataEntry = root + 3 * (16 + 8);
    for (std::size_t i = 4; i < 8; ++i) hugeData[dataEntry + i] = 0xFF;  // 4 GiB of data
    EXPECT_FALSE(PeFile::fromBytes(hugeData)->readResource(kIcon, ResourceId::integer(1)));

    auto wildRva = writer.bytes();
    wildRva[dataEntry + 3] = 0x7F;
    EXPECT_FALSE(PeFile::fromBytes(wildRva)->readResource(kIcon, ResourceId::integer(1)));
}

TEST(PeFileTest, ReadsLargeSparseFilesFromDisk) {
    test::TempFolder temp;
    PeWriter writer(true);
    writer.add(kIcon, ResourceId::integer(7), blob(300, 9)).setResourceFileOffset(300ULL << 20);
    const auto path = temp / "large.exe";
    writer.writeFile(path);
    ASSERT_GT(std::filesystem::file_size(path), 300ULL << 20);
    const auto file = PeFile::open(path);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->readResource(kIcon, ResourceId::integer(7)), blob(300, 9));
}

TEST(PeFileTest, ResourceIdFromTextTakesHashDigitsAsIntegers) {
    EXPECT_EQ(ResourceId::fromText("#1"), ResourceId::integer(1));
    EXPECT_EQ(ResourceId::fromText("#65535"), ResourceId::integer(65535));
    EXPECT_EQ(ResourceId::fromText("#65536"), ResourceId::text("#65536"));
    EXPECT_EQ(ResourceId::fromText("#"), ResourceId::text("#"));
    EXPECT_EQ(ResourceId::fromText("#1a"), ResourceId::text("#1a"));
    EXPECT_EQ(ResourceId::fromText("12"), ResourceId::text("12"));
}

}  // namespace
}  // namespace portico
