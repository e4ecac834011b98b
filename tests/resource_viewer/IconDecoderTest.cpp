#include "resource_viewer/IconDecoder.h"
#include "tests/resource_viewer/PeWriter.h"

#include <gtest/gtest.h>

namespace portico {
namespace {

using test::BitmapIconSpec;
using test::makeBitmapIcon;

constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

// A 5x3 image (odd width exercises row padding): the top-left pixel red, the
// bottom-right blue, the rest green, and the top-right pixel masked out.
BitmapIconSpec cornerSpec(int bitCount) {
    BitmapIconSpec shape;
    shape.width = 5;
    shape.height = 3;
    shape.bitCount = bitCount;
    const bool indexed = bitCount <= 8;
    if (indexed) shape.palette = bitCount == 1 ? std::vector<std::uint32_t>{0x00FF00, 0xFF0000} : std::vector<std::uint32_t>{0x00FF00, 0xFF0000, 0x0000FF};
    shape.pixel = [=](int x, int y) -> std::uint32_t {
        const bool topLeft = x == 0 && y == 0, bottomRight = x == 4 && y == 2;
        if (indexed) return topLeft ? 1 : (bottomRight && bitCount > 1 ? 2 : 0);
        if (x == 4 && y == 0) return kGreen & 0x00FFFFFF;  // 32 bits: alpha, not the mask, hides it
        return topLeft ? kRed : (bottomRight ? kBlue : kGreen);
    };
    shape.masked = [](int x, int y) { return x == 4 && y == 0; };
    return shape;
}

std::uint32_t at(const DecodedIcon& icon, int x, int y) { return icon.pixels[std::size_t(y * icon.width + x)]; }

TEST(IconDecoderTest, DecodesEveryBitDepthTheRightWayUpWithItsMask) {
    for (int bitCount : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(bitCount);
        const auto icon = IconDecoder::decode(makeBitmapIcon(cornerSpec(bitCount)));
        ASSERT_TRUE(icon);
        EXPECT_EQ(icon->kind, DecodedIcon::Kind::Bitmap);
        EXPECT_EQ(icon->width, 5);
        EXPECT_EQ(icon->height, 3);
        EXPECT_EQ(at(*icon, 0, 0), kRed);
        EXPECT_EQ(at(*icon, 1, 1), kGreen);
        if (bitCount > 1) {
            EXPECT_EQ(at(*icon, 4, 2), kBlue);
        }
        EXPECT_EQ(at(*icon, 4, 0) >> 24, 0U) << "masked pixel is transparent";
    }
}

TEST(IconDecoderTest, ThirtyTwoBitAlphaWinsOverTheMaskUnlessItIsAllZero) {
    BitmapIconSpec shape;
    shape.width = shape.height = 2;
    shape.pixel = [](int x, int) { return x == 0 ? 0x80112233U : 0x00445566U; };
    shape.masked = [](int, int) { return true; };
    auto icon = IconDecoder::decode(makeBitmapIcon(shape));
    ASSERT_TRUE(icon);
    EXPECT_EQ(at(*icon, 0, 0), 0x80112233U);
    EXPECT_EQ(at(*icon, 1, 0), 0x00445566U);

    shape.pixel = [](int, int) { return 0x00445566U; };
    shape.masked = [](int x, int) { return x == 1; };
    icon = IconDecoder::decode(makeBitmapIcon(shape));
    EXPECT_EQ(at(*icon, 0, 0), 0xFF445566U);
    EXPECT_EQ(at(*icon, 1, 0), 0x00445566U);

    shape.withMask = false;
    shape.pixel = [](int, int) { return 0xFF010203U; };
    icon = IconDecoder::decode(makeBitmapIcon(shape));
    ASSERT_TRUE(icon) << "32-bit images may leave out the mask";
    EXPECT_EQ(at(*icon, 1, 1), 0xFF010203U);
}

TEST(IconDecoderTest, SixteenBitBitfieldsFollowTheirMasks) {
    BitmapIconSpec shape;
    shape.width = shape.height = 1;
    shape.bitCount = 16;
    auto bytes = makeBitmapIcon(shape);
    bytes[16] = 3;  // BI_BITFIELDS, masks for 5-6-5 after the header
    const std::uint8_t masks[] = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    bytes.insert(bytes.begin() + 40, std::begin(masks), std::end(masks));
    bytes[52] = 0xE0;  // green all ones: 0x07E0
    bytes[53] = 0x07;
    const auto icon = IconDecoder::decode(bytes);
    ASSERT_TRUE(icon);
    EXPECT_EQ(at(*icon, 0, 0), kGreen);
}

TEST(IconDecoderTest, RecognisesPngStreamsByTheirHeader) {
    const auto icon = IconDecoder::decode(test::makePngHeader(256, 128));
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->kind, DecodedIcon::Kind::Png);
    EXPECT_EQ(icon->width, 256);
    EXPECT_EQ(icon->height, 128);
    EXPECT_TRUE(icon->pixels.empty());
    EXPECT_FALSE(IconDecoder::decode(test::makePngHeader(0, 16)));
    EXPECT_FALSE(IconDecoder::decode(test::makePngHeader(100000, 16)));
    auto noHeader = test::makePngHeader(16, 16);
    noHeader[12] = 'X';
    EXPECT_FALSE(IconDecoder::decode(noHeader));
}

TEST(IconDecoderTest, BytesThatAreNotAnIconImageGiveNothing) {
    const auto good = makeBitmapIcon(cornerSpec(8));
    auto with = [&](std::size_t offset, std::uint8_t value) {
        auto b = good;
        b[offset] = value;
        return b;
    };
    EXPECT_FALSE(IconDecoder::decode({}));
    EXPECT_FALSE(IconDecoder::decode(std::vector<std::uint8_t>(good.begin(), good.begin() + 39)));
    EXPECT_FALSE(IconDecoder::decode(std::vector<std::uint8_t>(good.begin(), good.end() - 20))) << "rows cut short";
    EXPECT_FALSE(IconDecoder::decode(with(0, 12))) << "header too small";
    EXPECT_FALSE(IconDecoder::decode(with(4, 0))) << "width 0";
    EXPECT_FALSE(IconDecoder::decode(with(7, 0x80))) << "negative width";
    EXPECT_FALSE(IconDecoder::decode(with(10, 0x40))) << "height beyond the limit";
    EXPECT_FALSE(IconDecoder::decode(with(14, 7))) << "7 bits per pixel";
    EXPECT_FALSE(IconDecoder::decode(with(16, 1))) << "RLE compression";
    EXPECT_FALSE(IconDecoder::decode(with(33, 1))) << "more palette entries than 8 bits allow";
    std::vector<std::uint8_t> text(200, 'x');
    EXPECT_FALSE(IconDecoder::decode(text));
}

}  // namespace
}  // namespace portico
