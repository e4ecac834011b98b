#pragma once

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace portico::test {

// A local port that accepts connections and never says a word: a hung server
// or a half-open network.
class SilentListener {
public:
    SilentListener() : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(socket_, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(socket_, 64) != 0 ||
            ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            ADD_FAILURE() << "no listening socket";
        port_ = ntohs(address.sin_port);
    }
    ~SilentListener() { ::close(socket_); }
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    int port() const { return port_; }
    // The connections made to it so far (each taken from the queue and closed).
    int connectionsMade() {
        pollfd waiting{socket_, POLLIN, 0};
        while (::poll(&waiting, 1, 0) == 1) {
            const int connection = ::accept(socket_, nullptr, nullptr);
            if (connection < 0) break;
            ::close(connection);
            ++made_;
        }
        return made_;
    }
    std::string connectionString() const {
        return "host=127.0.0.1 port=" + std::to_string(port_) + " dbname=portico user=portico";
    }

private:
    int socket_;
    int port_ = 0;
    int made_ = 0;
};

}  // namespace portico::test
