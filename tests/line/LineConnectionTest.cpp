// SPDX-License-Identifier: MIT
#include "line/AttemptsQuery.h"
#include "line/LineConnection.h"
#include "line/LineLedger.h"

#include "LineProxy.h"
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
using namespace rfbind::test;

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

int portOf(const std::string& uri) {
    const auto colon = uri.rfind(':');
    return std::stoi(uri.substr(colon + 1));
}

// A ledger call on a connection that stops answering returns within its deadline as offline,
// and the station knows it is offline.
TEST(LineConnection, ALedgerCallToAHungServerReturnsOfflineWithinItsDeadline) {
    const rfbind::test::TestDatabase db;
    LineProxy proxy(portOf(db.uri().substr(0, db.uri().rfind('/'))));
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
