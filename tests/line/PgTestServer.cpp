// SPDX-License-Identifier: MIT
#include "PgTestServer.h"

#include <pqxx/pqxx>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <random>

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

std::string TestDatabase::query(const std::string& sql) const {
    pqxx::connection c(uri_);
    pqxx::nontransaction tx(c);
    const auto rows = tx.exec(sql);
    if (rows.empty() || rows[0][0].is_null())
        return {};
    return rows[0][0].as<std::string>();
}

} // namespace rfbind::test
