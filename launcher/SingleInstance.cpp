#include "launcher/SingleInstance.h"

#include "settings/Descriptor.h"
#include "settings/PictureFolder.h"

#include <QApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace portico {
namespace {

constexpr int kTimeoutMs = 1000;
constexpr char kRaise[] = "raise\n";
// "raise <token>\n": the token the desktop gave the second start, which lets
// the first raise its window on Wayland (xdg-activation). Older instances read
// only the word.
constexpr std::size_t kMaxRequest = 512;

// A token as compositors make them: printable ASCII without blanks, bounded.
bool plausibleToken(const std::string& token) {
    return !token.empty() && token.size() < kMaxRequest &&
           std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 0x7f; });
}
// Callers that connect and send nothing make way for newer ones beyond these.
constexpr std::size_t kMaxClients = 16;

QString userFolder() {
    // The picture folder is already the private per-user runtime folder.
    try {
        return QString::fromStdString(defaultPictureFolder().string());
    } catch (...) {
        return {};
    }
}

void raiseFirstWindow() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || window->windowType() == Qt::ToolTip || window->windowType() == Qt::Popup) continue;
        if (window->isMinimized()) window->showNormal();
        window->raise();
        window->activateWindow();
        return;
    }
}

// False when the path does not fit a socket address; such a folder runs
// without the check.
bool socketAddress(const QString& path, sockaddr_un& address) {
    const QByteArray bytes = QFile::encodeName(path);
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (bytes.isEmpty() || static_cast<std::size_t>(bytes.size()) >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return true;
}

bool waitFor(int descriptor, short events) {
    pollfd watched{descriptor, events, 0};
    int ready;
    do ready = ::poll(&watched, 1, kTimeoutMs);
    while (ready < 0 && errno == EINTR);
    return ready == 1 && (watched.revents & events) != 0 && (watched.revents & (POLLERR | POLLNVAL)) == 0;
}

}  // namespace

struct SingleInstance::Client {
    explicit Client(int descriptor) : socket(descriptor) {}
    Descriptor socket;
    QSocketNotifier* notifier = nullptr;  // a child of the SingleInstance
};

SingleInstance::SingleInstance(const QString& name, const QString& folder) : raise_(raiseFirstWindow) {
    const QString base = folder.isEmpty() ? userFolder() : folder;
    if (base.isEmpty()) return;  // no private folder: run without the check
    path_ = base + "/" + name + ".socket";
    if (askRunningInstance()) {
        primary_ = false;
        return;
    }
    listen();
}

SingleInstance::~SingleInstance() {
    for (const auto& client : clients_) client->notifier->setEnabled(false);
    clients_.clear();
    serverNotifier_.reset();
    if (server_ >= 0) {
        ::close(server_);
        // Only our own file: a later start that found us unresponsive may have
        // put its socket in its place.
        const QByteArray path = QFile::encodeName(path_);
        struct stat file;
        if (::stat(path.constData(), &file) == 0 && file.st_dev == socketFile_.first && file.st_ino == socketFile_.second)
            ::unlink(path.constData());
    }
}

bool SingleInstance::askRunningInstance() const {
    sockaddr_un address;
    if (!socketAddress(path_, address)) return false;
    Descriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (socket.get() < 0) return false;
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        // A listener whose queue is full answers late; nobody listening is an
        // error at once (a stale file, or none).
        if (errno != EAGAIN && errno != EINPROGRESS) return false;
        if (!waitFor(socket.get(), POLLOUT)) return false;
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) return false;
    }
    std::string request = kRaise;
    if (const char* token = std::getenv("XDG_ACTIVATION_TOKEN"); token && plausibleToken(token))
        request = "raise " + std::string(token) + "\n";
    const std::size_t size = request.size();
    std::size_t sent = 0;
    while (sent < size) {
        const ssize_t written = ::send(socket.get(), request.data() + sent, size - sent, MSG_NOSIGNAL);
        if (written > 0) {
            sent += static_cast<std::size_t>(written);
        } else if (written < 0 && errno == EINTR) {
        } else if (written < 0 && errno == EAGAIN) {
            if (!waitFor(socket.get(), POLLOUT)) return false;
        } else {
            return false;
        }
    }
    return true;
}

void SingleInstance::listen() {
    sockaddr_un address;
    if (!socketAddress(path_, address)) return;
    Descriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (socket.get() < 0) return;
    // Nobody answered: a socket file left by a crashed instance is stale.
    ::unlink(address.sun_path);
    // Only the user may connect, from the moment the file exists.
    const mode_t previous = ::umask(0077);
    const bool bound = ::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::umask(previous);
    if (!bound) return;
    if (::listen(socket.get(), 8) != 0) {
        ::unlink(address.sun_path);
        return;
    }
    struct stat file;
    if (::stat(address.sun_path, &file) == 0) socketFile_ = {file.st_dev, file.st_ino};
    server_ = socket.release();
    serverNotifier_ = std::make_unique<QSocketNotifier>(server_, QSocketNotifier::Read);
    connect(serverNotifier_.get(), &QSocketNotifier::activated, this, [this] { acceptClients(); });
}

void SingleInstance::acceptClients() {
    for (;;) {
        const int accepted = ::accept4(server_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (accepted < 0) {
            if (errno == EINTR) continue;
            if (errno == EMFILE || errno == ENFILE) {
                // Out of descriptors: the waiting caller would wake the loop
                // at once again; listen again in a second.
                serverNotifier_->setEnabled(false);
                QTimer::singleShot(1000, this, [this] { serverNotifier_->setEnabled(true); });
            }
            return;  // none left (EAGAIN) or the peer gave up
        }
        if (clients_.size() >= kMaxClients) dropClient(clients_.front()->socket.get());
        auto client = std::make_unique<Client>(accepted);
        client->notifier = new QSocketNotifier(accepted, QSocketNotifier::Read, this);
        connect(client->notifier, &QSocketNotifier::activated, this, [this, accepted] { readClient(accepted); });
        clients_.push_back(std::move(client));
    }
}

void SingleInstance::readClient(int descriptor) {
    char request[kMaxRequest] = {};
    ssize_t received;
    do received = ::recv(descriptor, request, sizeof request - 1, 0);
    while (received < 0 && errno == EINTR);
    if (received < 0 && errno == EAGAIN) return;
    dropClient(descriptor);  // one request a connection
    if (received < 5) return;
    const std::string text(request, static_cast<std::size_t>(received));
    const std::string line = text.substr(0, text.find('\n'));
    if (line != "raise" && !line.starts_with("raise ")) return;
    const std::string token = line.size() > 6 ? line.substr(6) : std::string();
    // Qt's Wayland plugin activates with the token it finds here, and takes it
    // out when it does. Any left over (another platform, an implausible token)
    // would be inherited by the next program started, or reused for a later
    // raise the compositor no longer honours.
    if (plausibleToken(token))
        qputenv("XDG_ACTIVATION_TOKEN", QByteArray::fromStdString(token));
    else
        qunsetenv("XDG_ACTIVATION_TOKEN");
    emit raiseRequested();
    if (raise_) raise_();
    qunsetenv("XDG_ACTIVATION_TOKEN");
}

void SingleInstance::dropClient(int descriptor) {
    const auto found = std::find_if(clients_.begin(), clients_.end(),
                                    [descriptor](const auto& client) { return client->socket.get() == descriptor; });
    if (found == clients_.end()) return;
    // The notifier may be the one whose signal is being delivered.
    (*found)->notifier->setEnabled(false);
    (*found)->notifier->deleteLater();
    clients_.erase(found);
}

}  // namespace portico
