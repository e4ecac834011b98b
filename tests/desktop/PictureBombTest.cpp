#include "desktop/ProgramPicture.h"
#include "tests/support/TempFolder.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace portico::desktop;

namespace {

QByteArray blankPng(int side) {
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png");
    return bytes;
}

// An icon file of `count` copies of one PNG image (each directory entry says 0, i.e. 256).
std::string iconOf(const QByteArray& png, int count) {
    std::string out{0, 0, 1, 0, static_cast<char>(count), 0};
    for (int index = 0; index < count; ++index) {
        const std::uint32_t size = png.size(), offset = 6 + 16 * count + index * png.size();
        out += std::string{0, 0, 0, 0, 1, 0, 32, 0};
        for (const std::uint32_t value : {size, offset})
            for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xff);
    }
    for (int index = 0; index < count; ++index) out += png.toStdString();
    return out;
}

long long virtualKib() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmSize:", 0) == 0) return std::stoll(line.substr(7));
    return 0;
}

}  // namespace

// The decoding runs in a fresh process of this test program (fork followed by exec: a
// forked copy of a threaded process may deadlock), under an address-space limit.
// PORTICO_PICTURE_BOMB names the file and the expected outcome.
TEST(PictureBomb, DecodeUnderLimit) {
    const char* request = std::getenv("PORTICO_PICTURE_BOMB");
    if (!request) GTEST_SKIP() << "run by OnePictureDecodesABoundedNumberOfPixels";
    const std::string text = request;
    const bool expectTooLarge = text[0] == '1';
    const rlim_t limit = (virtualKib() + 2LL * 1024 * 1024) * 1024;
    const rlimit space{limit, limit};
    ASSERT_EQ(setrlimit(RLIMIT_AS, &space), 0);
    bool tooLarge = false;
    const QByteArray picture = storedPictureFromFile(QString::fromStdString(text.substr(2)), &tooLarge);
    EXPECT_EQ(tooLarge, expectTooLarge);
    EXPECT_EQ(picture.isEmpty(), expectTooLarge);
}

// 64 images of 6000 x 6000 (or 4000 x 4000) in a few hundred kilobytes: the icon file is
// read in a child under an address-space limit, and its peak memory is measured.
TEST(PictureBomb, OnePictureDecodesABoundedNumberOfPixels) {
    if (std::getenv("PORTICO_PICTURE_BOMB")) GTEST_SKIP();
    const struct {
        int side;
        bool tooLarge;
    } cases[] = {{6000, true}, {4000, false}};
    for (const auto& bomb : cases) {
        portico::test::TempFolder folder;
        const auto path = folder.write("bomb.ico", iconOf(blankPng(bomb.side), 64));
        const std::string request = std::string(bomb.tooLarge ? "1" : "0") + ":" + path.string();
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            setenv("PORTICO_PICTURE_BOMB", request.c_str(), 1);
            execl("/proc/self/exe", "desktop_import_tests", "--gtest_filter=PictureBomb.DecodeUnderLimit",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        ASSERT_EQ(wait4(child, &status, 0, &usage), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << bomb.side;
        // One 4000 x 4000 image is 64 MB; every image at once would be 4 GB.
        EXPECT_LT(usage.ru_maxrss, 400 * 1024) << bomb.side;
    }
}
