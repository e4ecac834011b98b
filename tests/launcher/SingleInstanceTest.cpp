#include "launcher/SingleInstance.h"
#include "tests/support/TempFolder.h"

#include <QFileInfo>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace portico::test {

TEST(SingleInstance, SecondStartAsksTheFirstToRaiseItsWindowAndEnds) {
    TempFolder folder;
    const QString base = QString::fromStdString(folder.str());
    // A socket file left by a crashed instance is not mistaken for a running one.
    folder.write("Portico.socket", "");
    SingleInstance first("Portico", base);
    EXPECT_TRUE(first.isPrimary());
    EXPECT_EQ(first.socketPath(), base + "/Portico.socket");
    // Only the user may connect.
    EXPECT_EQ(QFileInfo(first.socketPath()).permissions() & (QFile::ReadOther | QFile::WriteOther), 0);

    QWidget window;
    window.show();
    int raised = 0;
    first.setRaiseAction([&] { ++raised; });

    SingleInstance second("Portico", base);
    EXPECT_FALSE(second.isPrimary());
    EXPECT_TRUE(QTest::qWaitFor([&] { return raised == 1; }, 2000));

    // Another program name is another instance.
    SingleInstance other("PorticoAdmin", base);
    EXPECT_TRUE(other.isPrimary());
}

// On Wayland only a token from the compositor lets the first window come
// forward: the second start passes on its own, the first raises with it and
// keeps none for later raises or the programs it starts.
TEST(SingleInstance, TheSecondStartsActivationTokenIsUsedForTheRaiseAndNotKept) {
    TempFolder folder;
    const QString base = QString::fromStdString(folder.str());
    SingleInstance first("Portico", base);
    ASSERT_TRUE(first.isPrimary());
    std::vector<QByteArray> seen;
    first.setRaiseAction([&] { seen.push_back(qgetenv("XDG_ACTIVATION_TOKEN")); });
    struct Case {
        const char* given;  // nullptr: the desktop gave none
        QByteArray used;
    };
    const Case cases[] = {
        {"kwin-1234_ABCD.5", "kwin-1234_ABCD.5"},
        {nullptr, ""},
        {"two words", ""},
        {"bell\a", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given ? c.given : "(none)");
        if (c.given)
            ::setenv("XDG_ACTIVATION_TOKEN", c.given, 1);
        else
            ::unsetenv("XDG_ACTIVATION_TOKEN");
        const std::size_t before = seen.size();
        SingleInstance second("Portico", base);
        EXPECT_FALSE(second.isPrimary());
        // The two share a process: this stands for a token the first was left
        // with earlier, which a plain request must not reuse.
        if (!c.given) qputenv("XDG_ACTIVATION_TOKEN", "stale");
        ASSERT_TRUE(QTest::qWaitFor([&] { return seen.size() == before + 1; }, 2000));
        EXPECT_EQ(seen.back(), c.used);
        EXPECT_FALSE(qEnvironmentVariableIsSet("XDG_ACTIVATION_TOKEN"));
    }
}

namespace {

// A connected socket, or -1 when nobody listens.
int connectTo(const QString& path) {
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return socket;
    ::close(socket);
    return -1;
}

// Connects as another program would and sends `request`; false when nobody listens.
bool send(const QString& path, const std::string& request) {
    const int socket = connectTo(path);
    const bool connected = socket >= 0;
    if (connected && !request.empty()) {
        EXPECT_EQ(::send(socket, request.data(), request.size(), MSG_NOSIGNAL), static_cast<ssize_t>(request.size()));
    }
    if (connected) ::close(socket);
    return connected;
}

}  // namespace

TEST(SingleInstance, OnlyARaiseRequestRaisesAndTheSocketGoesWithThePrimary) {
    TempFolder folder;
    const QString base = QString::fromStdString(folder.str());
    QString path;
    {
        SingleInstance first("Portico", base);
        ASSERT_TRUE(first.isPrimary());
        path = first.socketPath();
        int raised = 0;
        first.setRaiseAction([&] { ++raised; });

        // Silence, a closed connection and other words are not requests.
        for (int i = 0; i < 6; ++i) {
            ASSERT_TRUE(send(path, i % 2 ? "" : "hello\n"));
            QTest::qWait(1);
        }
        // Callers that connect and say nothing do not keep the primary from
        // answering the next one.
        std::vector<int> silent;
        for (int i = 0; i < 24; ++i) {
            silent.push_back(connectTo(path));
            ASSERT_GE(silent.back(), 0);
            QTest::qWait(1);
        }
        QTest::qWait(50);
        EXPECT_EQ(raised, 0);
        ASSERT_TRUE(send(path, "raise\n"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return raised == 1; }, 2000));
        for (const int socket : silent) ::close(socket);
    }
    // A later start finds no socket and becomes the primary without waiting.
    EXPECT_FALSE(QFileInfo::exists(path));
    SingleInstance next("Portico", base);
    EXPECT_TRUE(next.isPrimary());
}

TEST(SingleInstance, APrimaryEndingLeavesAnotherInstancesSocketAlone) {
    TempFolder folder;
    const QString base = QString::fromStdString(folder.str());
    auto first = std::make_unique<SingleInstance>("Portico", base);
    ASSERT_TRUE(first->isPrimary());
    // A later start that could not reach the first put its own socket there.
    ASSERT_EQ(::unlink(QFile::encodeName(first->socketPath()).constData()), 0);
    SingleInstance second("Portico", base);
    ASSERT_TRUE(second.isPrimary());
    first.reset();
    EXPECT_TRUE(QFileInfo::exists(second.socketPath()));
    EXPECT_TRUE(send(second.socketPath(), ""));
}

TEST(SingleInstance, AFolderTooDeepForASocketRunsWithoutTheCheck) {
    TempFolder folder;
    const QString deep = QString::fromStdString(folder.str()) + "/" + QString(120, 'd');
    SingleInstance first("Portico", deep);
    SingleInstance second("Portico", deep);
    EXPECT_TRUE(first.isPrimary());
    EXPECT_TRUE(second.isPrimary());
}

}  // namespace portico::test
