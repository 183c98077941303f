// SPDX-License-Identifier: MIT
#include "line/AttemptsQuery.h"
#include "line/LineConnection.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

using namespace rfbind;

namespace {

constexpr const char* kTimeouts =
    "connect_timeout=5&keepalives_idle=10&keepalives_interval=5&keepalives_count=3";

TEST(LineConnection, EveryConnectionWaitsSecondsNotForever) {
    struct Case {
        const char* uri;
        std::string expected;
    };
    const std::string base = "postgresql://rfbind@db.line:5432/rfbind";
    const Case cases[] = {
        {"postgresql://rfbind@db.line:5432/rfbind", base + "?" + kTimeouts},
        // Options the URI already has are joined with '&'.
        {"postgresql://rfbind@db.line:5432/rfbind?sslmode=require",
         base + "?sslmode=require&" + kTimeouts},
        // A setting the URI makes itself is its own: never doubled or overridden.
        {"postgresql://rfbind@db.line:5432/rfbind?connect_timeout=2",
         base + "?connect_timeout=2&keepalives_idle=10&keepalives_interval=5&keepalives_count=3"},
        {"postgresql://rfbind@db.line:5432/rfbind?keepalives_count=9&keepalives_idle=60",
         base + "?keepalives_count=9&keepalives_idle=60&connect_timeout=5&keepalives_interval=5"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lineConnectionString(c.uri), c.expected) << c.uri;
}

// A server that takes the TCP connection but never answers the login, as one whose host hangs:
// a socket on the loopback that listens and is never read (the kernel completes the handshake).
class SilentServer {
public:
    SilentServer() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&a), size) != 0 ||
            ::listen(fd_, 4) != 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &size) != 0)
            ADD_FAILURE() << "no loopback socket";
        port_ = ntohs(a.sin_port);
    }
    ~SilentServer() { ::close(fd_); }
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

TEST(LineConnection, TheReportGivesUpOnAServerThatNeverAnswers) {
    SilentServer server;
    const std::string uri =
        "postgresql://report@127.0.0.1:" + std::to_string(server.port()) + "/rfbind";
    const auto start = std::chrono::steady_clock::now();
    const auto fetched = AttemptsQuery::fetch(uri, "2026-12-08", "2026-12-08");
    const auto waited = std::chrono::steady_clock::now() - start;
    ASSERT_FALSE(fetched.ok());
    EXPECT_EQ(fetched.error().kind, LineErrorKind::Unreachable) << fetched.error().message;
    EXPECT_LT(waited, std::chrono::seconds(15));
}

} // namespace
