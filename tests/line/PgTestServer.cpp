// SPDX-License-Identifier: MIT
#include "PgTestServer.h"

#include "line/LineLedger.h"

#include <gtest/gtest.h>
#include <pqxx/pqxx>

#include <atomic>
#include <mutex>
#include <set>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <random>
#include <thread>

#include <unistd.h>

namespace fs = std::filesystem;

namespace rfbind::test {

namespace {

std::string runScript(const std::string& command, const fs::path& state) {
    const std::string line =
        std::string(RFBIND_PG_TEST_SERVER) + " " + command + " '" + state.string() + "'";
    if (std::system(line.c_str()) != 0) {
        std::cerr << "failed: " << line << "\n";
        std::abort();
    }
    std::ifstream in(state / "uri");
    std::string uri;
    std::getline(in, uri);
    return uri;
}

fs::path freshStateFolder() {
    std::random_device random;
    const fs::path dir = fs::temp_directory_path() /
                         ("rfbind-pg-state-" + std::to_string(::getpid()) + "-" +
                          std::to_string(random()));
    fs::create_directories(dir);
    return dir;
}

} // namespace

PgTestServer::PgTestServer() : state_(freshStateFolder()) { uri_ = runScript("start", state_); }

PgTestServer::~PgTestServer() {
    const std::string line =
        std::string(RFBIND_PG_TEST_SERVER) + " stop '" + state_.string() + "'";
    if (std::system(line.c_str()) != 0)
        std::cerr << "failed: " << line << "\n";
    std::error_code ec;
    fs::remove_all(state_, ec);
}

void PgTestServer::pause() { runScript("pause", state_); }
void PgTestServer::resume() { runScript("resume", state_); }

std::string PgTestServer::sharedUri() {
    static const std::string uri = [] {
        if (const char* state = std::getenv("RFBIND_TEST_PG_STATE")) {
            std::ifstream in(fs::path(state) / "uri");
            std::string found;
            if (std::getline(in, found) && !found.empty())
                return found;
        }
        // Run outside CTest: a server for this program alone, stopped at exit.
        static std::unique_ptr<PgTestServer> own = std::make_unique<PgTestServer>();
        return own->uri();
    }();
    return uri;
}

std::string lineLogin(const std::string& adminUri, const std::string& login, LineGroup group) {
    // Roles belong to the whole server: another test program may be granting the same ones
    // at this moment, and the server then refuses one of two concurrent changes of a role.
    auto retried = [](const char* what, auto&& step) {
        for (int attempt = 1;; ++attempt) {
            const auto done = step();
            if (done)
                return;
            if (attempt == 5) {
                std::cerr << what << ": " << done.error().message << "\n";
                std::abort();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50 * attempt));
        }
    };
    static std::mutex mutex;
    static std::set<std::string> setUp;
    {
        std::lock_guard lock(mutex);
        if (!setUp.count(adminUri)) {
            retried("setting up the line", [&] { return LineMigrations::setup(adminUri); });
            setUp.insert(adminUri);
        }
    }
    retried("adding a login",
            [&] { return LineMigrations::addLogin(adminUri, login, group, kLinePassword); });
    const auto scheme = adminUri.find("://") + 3;
    const auto at = adminUri.find('@', scheme);
    return adminUri.substr(0, scheme) + login + ":" + kLinePassword + adminUri.substr(at);
}

std::string TestDatabase::withDatabase(const std::string& uri, const std::string& name) {
    const auto query = uri.find('?');
    const auto slash = uri.rfind('/', query);
    return uri.substr(0, slash + 1) + name + (query == std::string::npos ? "" : uri.substr(query));
}

TestDatabase::TestDatabase() {
    static std::atomic<int> counter{0};
    std::random_device random;
    name_ = "t_" + std::to_string(::getpid()) + "_" + std::to_string(random() % 100000) + "_" +
            std::to_string(counter++);
    pqxx::connection admin(PgTestServer::sharedUri());
    pqxx::nontransaction tx(admin);
    tx.exec0("CREATE DATABASE " + tx.quote_name(name_));
    uri_ = withDatabase(PgTestServer::sharedUri(), name_);
}

TestDatabase::~TestDatabase() {
    try {
        pqxx::connection admin(PgTestServer::sharedUri());
        pqxx::nontransaction tx(admin);
        tx.exec0("DROP DATABASE IF EXISTS " + tx.quote_name(name_) + " WITH (FORCE)");
    } catch (const std::exception& e) {
        std::cerr << "dropping " << name_ << ": " << e.what() << "\n";
    }
}

std::optional<std::int64_t> TestDatabase::reclaimSerialLease() const {
    const std::int64_t last =
        std::stoll(query("SELECT last_value FROM rfbind.leases WHERE kind = 'rx_serial'"));
    const std::string pool = query("SELECT pool FROM rfbind.leases WHERE kind = 'rx_serial'");
    query("UPDATE rfbind.leases SET updated_at = now() - interval '2 hours' RETURNING 1");
    const auto reclaimed = LineLedger::reclaimIdle(supervisor("boss"), pool, std::chrono::hours(1));
    if (!reclaimed.ok()) {
        ADD_FAILURE() << reclaimed.error().message;
        return std::nullopt;
    }
    if (reclaimed->empty()) {
        ADD_FAILURE() << "no lease of " << pool << " was reclaimed";
        return std::nullopt;
    }
    return last;
}

std::string TestDatabase::query(const std::string& sql) const {
    pqxx::connection c(uri_);
    pqxx::nontransaction tx(c);
    const auto rows = tx.exec(sql);
    if (rows.empty() || rows[0][0].is_null())
        return {};
    return rows[0][0].as<std::string>();
}

} // namespace rfbind::test
