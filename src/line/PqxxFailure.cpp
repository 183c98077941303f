// SPDX-License-Identifier: MIT
#include "line/PqxxFailure.h"

#include "line/LineConfig.h"

#include "line/RedactSecrets.h"

#include <pqxx/pqxx>

namespace rfbind {

namespace {

std::string trimmedMessage(const char* what) {
    std::string s(what ? what : "");
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ' || s.back() == '\r'))
        s.pop_back();
    return s;
}

} // namespace

LineError lineErrorFromPqxx(const std::exception& e, const std::string& context,
                            const std::string& database) {
    const std::string message = redactSecrets(context + ": " + trimmedMessage(e.what()), database);
    if (dynamic_cast<const pqxx::broken_connection*>(&e))
        return {LineErrorKind::Unreachable, message};
    if (dynamic_cast<const pqxx::in_doubt_error*>(&e))
        return {LineErrorKind::Unreachable,
                message + " (the connection broke during the commit; it may or may not have "
                          "been stored)"};
    if (const auto* sql = dynamic_cast<const pqxx::sql_error*>(&e)) {
        // 57P01..57P03: the server is shutting down or starting; 08xxx: connection failures
        // the server reported. Either way the station is offline, not wrong.
        const std::string& state = sql->sqlstate();
        // 57014: the statement ran past the station's statement time-out, a server too busy
        // or locked up to serve the line in time, which is offline to the operator too.
        const bool offline = state.rfind("08", 0) == 0 || state.rfind("57P", 0) == 0 ||
                             state == "57014";
        return {offline ? LineErrorKind::Unreachable : LineErrorKind::Database,
                state.empty() ? message : message + " (SQLSTATE " + state + ")"};
    }
    return {LineErrorKind::Database, message};
}

LineError lineErrorFromConnectFailure(const std::exception& e, const std::string& database) {
    const std::string message = redactSecrets(trimmedMessage(e.what()), database);
    // A setting libpq has no such value for ("invalid sslmode value: ...") is refused before
    // any server is asked.
    if (message.rfind("invalid ", 0) == 0)
        return {LineErrorKind::Config, "the line's database URI cannot be used: " + message};
    // TLS the server does not offer, or a certificate check without the certificates to check
    // against: trying again changes nothing, the station's settings must be mended.
    for (const char* unusable : {"server does not support SSL", "root certificate file",
                                 "certificate verify failed", "does not match host name"}) {
        if (message.find(unusable) != std::string::npos)
            return {LineErrorKind::Config,
                    "the line's database cannot be used with these TLS settings (sslmode in "
                    "Database): " + message};
    }
    // libpq gives no SQLSTATE for a connection that failed, only the server's text. These are
    // the server's words (in its default English) for a refused role, password or database;
    // anything else means no server answered.
    for (const char* refusal : {"authentication failed", "password", "pg_hba.conf",
                                "does not exist", "not permitted to log in",
                                "permission denied"}) {
        if (message.find(refusal) != std::string::npos)
            return {LineErrorKind::LoginRejected, "the line's database refused the login: " + message};
    }
    return {LineErrorKind::Unreachable, "the line's database cannot be reached: " + message};
}

LineResult<std::unique_ptr<pqxx::connection>> connectOnce(const std::string& uri,
                                                          LineSession session) {
    if (const auto bad = LineConfig::checkDatabaseUri(uri))
        return LineError{LineErrorKind::Config, *bad};
    try {
        return openLineConnection(uri, session);
    } catch (const std::exception& e) {
        return lineErrorFromConnectFailure(e, uri);
    }
}

} // namespace rfbind
