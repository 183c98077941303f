// SPDX-License-Identifier: MIT
#pragma once

#include <pqxx/connection>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace rfbind {

/// How long one call of a station to the line's database may take before the station counts
/// the line as offline. A lease, a claim or a batch of attempts takes milliseconds; a server
/// that has not answered in this time is hung, and the operator must not wait for it.
inline constexpr std::chrono::milliseconds kLineCallDeadline{10000};

/// Who opens a connection to the line's database.
enum class LineSession {
    Station, ///< a station: every statement is limited well inside the call's deadline
    Reader,  ///< the report or a supervisor's tool: a long query is allowed
};

/// What the station and the report tool hand libpq for the line's database URI: the URI with
/// a connect time-out, TCP keep-alives and a TCP user time-out added, and for a station's
/// session a statement time-out, each unless the URI sets it itself. Without them libpq waits
/// as long as the operating system lets it for a server that is down, cut off or stuck; a
/// station must learn within seconds that it is offline, and a report must end.
std::string lineConnectionString(const std::string& uri,
                                 LineSession session = LineSession::Reader);

/// Opens a connection to the line's database with those options. Throws as libpqxx does when
/// the server cannot be reached or refuses the login.
std::unique_ptr<pqxx::connection> openLineConnection(const std::string& uri,
                                                     LineSession session = LineSession::Reader);

/// The deadline of one call on a connection to the line's database. A server host that hangs,
/// or a router or proxy between that keeps the TCP connection open and answers nothing, holds
/// a call longer than any time-out libpq knows of: the other side's kernel acknowledges what
/// is sent, so neither keep-alives nor the TCP user time-out ever fire. When the deadline
/// passes first, the connection's socket is shut down: the waiting call fails at once as a
/// broken connection, which the station treats as offline. (Asking the server to cancel the
/// query would go the same hung way and wait as long.)
class LineCallDeadline {
public:
    /// Starts the clock on `connection`, which must outlive this object (or `stop`).
    explicit LineCallDeadline(pqxx::connection& connection,
                              std::chrono::milliseconds limit = kLineCallDeadline);
    ~LineCallDeadline();
    LineCallDeadline(const LineCallDeadline&) = delete;
    LineCallDeadline& operator=(const LineCallDeadline&) = delete;

    /// Ends the watch; after it returns the connection is never touched again. Idempotent.
    void stop();

    /// True when the deadline passed and the connection was cut.
    bool passed() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool passed_ = false;
    std::thread watch_;
};

} // namespace rfbind
