// SPDX-License-Identifier: MIT
#include "line/LineConnection.h"

namespace rfbind {

std::string lineConnectionString(const std::string& uri) {
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
    return out;
}

std::unique_ptr<pqxx::connection> openLineConnection(const std::string& uri) {
    return std::make_unique<pqxx::connection>(lineConnectionString(uri));
}

} // namespace rfbind
