// SPDX-License-Identifier: MIT
#include "line/LineConnection.h"

#include <sys/socket.h>

namespace rfbind {

std::string lineConnectionString(const std::string& uri, LineSession session) {
    std::string out = uri;
    auto add = [&out](const char* key, const char* value) {
        if (out.find(key) != std::string::npos)
            return;
        out += out.find('?') == std::string::npos ? '?' : '&';
        out += key;
        out += '=';
        out += value;
    };
    add("connect_timeout", "5");
    add("keepalives_idle", "10");
    add("keepalives_interval", "5");
    add("keepalives_count", "3");
    // Data the server's host does not acknowledge within 10 s ends the connection (milliseconds).
    add("tcp_user_timeout", "10000");
    // A station's statement that waits on a lock or a busy server is ended by the server itself
    // before the call's deadline, leaving the session usable ("-c statement_timeout=8000").
    if (session == LineSession::Station)
        add("options", "-c%20statement_timeout%3D8000");
    return out;
}

std::unique_ptr<pqxx::connection> openLineConnection(const std::string& uri, LineSession session) {
    return std::make_unique<pqxx::connection>(lineConnectionString(uri, session));
}

LineCallDeadline::LineCallDeadline(pqxx::connection& connection, std::chrono::milliseconds limit) {
    const int socket = connection.sock();
    watch_ = std::thread([this, socket, limit] {
        std::unique_lock lock(mutex_);
        if (wake_.wait_for(lock, limit, [this] { return stopping_; }))
            return;
        passed_ = true;
        if (socket >= 0)
            ::shutdown(socket, SHUT_RDWR);
    });
}

LineCallDeadline::~LineCallDeadline() { stop(); }

void LineCallDeadline::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (watch_.joinable())
        watch_.join();
}

bool LineCallDeadline::passed() const {
    std::lock_guard lock(mutex_);
    return passed_;
}

} // namespace rfbind
