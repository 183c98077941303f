// SPDX-License-Identifier: MIT
#include "line/AttemptsQuery.h"
#include "line/LineConnection.h"
#include "line/LineLedger.h"

#include "PgTestServer.h"

#include <gtest/gtest.h>
#include <pqxx/pqxx>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using namespace rfbind;

namespace {

constexpr const char* kTimeouts = "connect_timeout=5&keepalives_idle=10&keepalives_interval=5&"
                                  "keepalives_count=3&tcp_user_timeout=10000";

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
         base + "?connect_timeout=2&keepalives_idle=10&keepalives_interval=5&keepalives_count=3"
                "&tcp_user_timeout=10000"},
        {"postgresql://rfbind@db.line:5432/rfbind?keepalives_count=9&keepalives_idle=60",
         base + "?keepalives_count=9&keepalives_idle=60&connect_timeout=5&keepalives_interval=5"
                "&tcp_user_timeout=10000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lineConnectionString(c.uri), c.expected) << c.uri;
}

// A station's session has the statement time-out the server enforces, a reader's has none.
TEST(LineConnection, OnlyAStationsSessionHasAStatementTimeout) {
    const rfbind::test::TestDatabase db;
    const struct {
        LineSession session;
        const char* expected;
    } cases[] = {{LineSession::Station, "8s"}, {LineSession::Reader, "0"}};
    for (const auto& c : cases) {
        auto connection = openLineConnection(db.uri(), c.session);
        pqxx::nontransaction tx(*connection);
        EXPECT_EQ(tx.exec1("SHOW statement_timeout")[0].as<std::string>(), c.expected);
        unsigned int userTimeoutMs = 0;
        socklen_t size = sizeof userTimeoutMs;
        ASSERT_EQ(::getsockopt(connection->sock(), IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeoutMs,
                               &size),
                  0);
        EXPECT_EQ(userTimeoutMs, 10000u);
    }
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

// A TCP proxy to the database that can be told to stall: it then keeps every connection open,
// accepts new ones and passes nothing on, as a hung server host or a router that lost its
// state does. Neither side ever sees a reset.
class StallingProxy {
public:
    explicit StallingProxy(int upstreamPort) : upstream_(upstreamPort) {
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
    ~StallingProxy() {
        done_ = true;
        thread_.join();
        for (int fd : fds_)
            ::close(fd);
        ::close(listener_);
    }
    int port() const { return port_; }
    void stall() { stalled_ = true; }

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
            }
            for (std::size_t i = 1; i < polled.size(); ++i) {
                if (!(polled[i].revents & (POLLIN | POLLHUP)))
                    continue;
                const std::size_t at = i - 1;
                char buffer[16384];
                const ssize_t n = ::read(fds_[at], buffer, sizeof buffer);
                if (n > 0)
                    ::write(fds_[at ^ 1], buffer, static_cast<std::size_t>(n));
                else
                    ::shutdown(fds_[at ^ 1], SHUT_WR);
            }
        }
    }

    int upstream_;
    int listener_ = -1;
    int port_ = 0;
    std::vector<int> fds_;
    std::atomic<bool> stalled_{false}, done_{false};
    std::thread thread_;
};

int portOf(const std::string& uri) {
    const auto colon = uri.rfind(':');
    return std::stoi(uri.substr(colon + 1));
}

// A ledger call on a connection that stops answering returns within its deadline as offline,
// and the station knows it is offline.
TEST(LineConnection, ALedgerCallToAHungServerReturnsOfflineWithinItsDeadline) {
    const rfbind::test::TestDatabase db;
    StallingProxy proxy(portOf(db.uri().substr(0, db.uri().rfind('/'))));
    std::string viaProxy = db.station("st-hung");
    const auto hostPort = viaProxy.find("@127.0.0.1:") + 11;
    viaProxy.replace(hostPort, viaProxy.find('/', hostPort) - hostPort, std::to_string(proxy.port()));
    LineConfig config;
    config.database = viaProxy;
    config.station = "st-hung";
    auto ledger = LineLedger::connect(config);
    ASSERT_TRUE(ledger.ok()) << ledger.error().message;
    ASSERT_TRUE(ledger->openPool("mouse-a", NumberKind::RxSerial, 0, std::nullopt).ok());
    ASSERT_TRUE(ledger->online());

    proxy.stall();
    const auto start = std::chrono::steady_clock::now();
    const auto lease = ledger->leaseBlock("mouse-a", NumberKind::RxSerial, 5);
    const auto waited = std::chrono::steady_clock::now() - start;
    ASSERT_FALSE(lease.ok());
    EXPECT_EQ(lease.error().kind, LineErrorKind::Unreachable) << lease.error().message;
    EXPECT_NE(lease.error().message.find("did not answer"), std::string::npos)
        << lease.error().message;
    EXPECT_FALSE(ledger->online());
    EXPECT_LT(waited, kLineCallDeadline + std::chrono::seconds(5));
}

} // namespace
