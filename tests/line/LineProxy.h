// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace rfbind::test {

/// A TCP proxy to the database that counts the round trips passing through it, and can be
/// told to stall: it then keeps every connection open, accepts new ones and passes nothing
/// on, as a hung server host or a router that lost its state does. Neither side ever sees a
/// reset.
class LineProxy {
public:
    explicit LineProxy(int upstreamPort) : upstream_(upstreamPort) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = loopback(0);
        socklen_t size = sizeof a;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), size) != 0 ||
            ::listen(listener_, 8) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &size) != 0)
            ADD_FAILURE() << "no loopback socket";
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~LineProxy() {
        done_ = true;
        thread_.join();
        for (int fd : fds_)
            ::close(fd);
        ::close(listener_);
    }
    int port() const { return port_; }
    void stall() { stalled_ = true; }
    /// Round trips so far: a chunk of a client that follows an answer of the server (or
    /// opens its connection) starts one, as on the wire.
    int roundTrips() const { return roundTrips_.load(); }
    /// `uri` (a login on 127.0.0.1) through this proxy.
    std::string through(std::string uri) const {
        const auto hostPort = uri.find("@127.0.0.1:") + 11;
        uri.replace(hostPort, uri.find('/', hostPort) - hostPort, std::to_string(port_));
        return uri;
    }

private:
    static sockaddr_in loopback(int port) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<std::uint16_t>(port));
        return a;
    }

    // fds_ holds pairs: client, server.
    void serve() {
        while (!done_) {
            std::vector<pollfd> polled{{listener_, POLLIN, 0}};
            if (!stalled_)
                for (int fd : fds_)
                    polled.push_back({fd, POLLIN, 0});
            if (::poll(polled.data(), polled.size(), 50) <= 0)
                continue;
            if (polled[0].revents & POLLIN) {
                const int client = ::accept(listener_, nullptr, nullptr);
                const int server = ::socket(AF_INET, SOCK_STREAM, 0);
                const sockaddr_in to = loopback(upstream_);
                ::connect(server, reinterpret_cast<const sockaddr*>(&to), sizeof to);
                fds_.push_back(client);
                fds_.push_back(server);
                answered_.push_back(true);
            }
            for (std::size_t i = 1; i < polled.size(); ++i) {
                if (!(polled[i].revents & (POLLIN | POLLHUP)))
                    continue;
                const std::size_t at = i - 1;
                char buffer[16384];
                const ssize_t n = ::read(fds_[at], buffer, sizeof buffer);
                if (n > 0) {
                    const bool fromClient = at % 2 == 0;
                    if (fromClient && answered_[at / 2])
                        ++roundTrips_;
                    answered_[at / 2] = !fromClient;
                    ::write(fds_[at ^ 1], buffer, static_cast<std::size_t>(n));
                }
                else
                    ::shutdown(fds_[at ^ 1], SHUT_WR);
            }
        }
    }

    int upstream_;
    int listener_ = -1;
    int port_ = 0;
    std::vector<int> fds_;
    std::vector<bool> answered_; ///< per connection: the server spoke last
    std::atomic<int> roundTrips_{0};
    std::atomic<bool> stalled_{false}, done_{false};
    std::thread thread_;
};

/// The port of a login URI on 127.0.0.1 (the test server's).
inline int serverPortOf(const std::string& uri) {
    const auto hostPort = uri.find("@127.0.0.1:") + 11;
    return std::stoi(uri.substr(hostPort, uri.find('/', hostPort) - hostPort));
}

} // namespace rfbind::test
