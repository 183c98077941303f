// SPDX-License-Identifier: MIT
#include "line/LeaseFile.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;
using namespace rfbind;

namespace {

fs::path scratch(const std::string& name) {
    const fs::path dir = fs::temp_directory_path() / ("rfbind-leasefile-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    fs::remove(dir / name);
    return dir / name;
}

Lease lease(NumberKind kind, std::int64_t first, std::int64_t last,
            std::optional<std::int64_t> used) {
    Lease l;
    l.id = 7 + first;
    l.pool = "1D57:00AF/4142/-";
    l.kind = kind;
    l.first = first;
    l.last = last;
    l.lastUsed = used;
    return l;
}

TEST(LeaseFile, KeepsEachKindsLeaseAcrossARestart) {
    const LeaseFile file(scratch("roundtrip.ini"));
    EXPECT_TRUE(file.load().value().empty()); // no file yet: no lease
    const std::vector<Lease> kept = {lease(NumberKind::RxSerial, 100, 149, 104),
                                     lease(NumberKind::TxRadioId, 5000000000LL, 5000000049LL,
                                           std::nullopt)};
    ASSERT_TRUE(file.save(kept).ok());
    const auto loaded = file.load();
    ASSERT_TRUE(loaded.ok()) << loaded.error().message;
    ASSERT_EQ(loaded->size(), 2u);
    for (std::size_t i = 0; i < kept.size(); ++i) {
        EXPECT_EQ((*loaded)[i].id, kept[i].id);
        EXPECT_EQ((*loaded)[i].pool, kept[i].pool);
        EXPECT_EQ((*loaded)[i].kind, kept[i].kind);
        EXPECT_EQ((*loaded)[i].first, kept[i].first);
        EXPECT_EQ((*loaded)[i].last, kept[i].last);
        EXPECT_EQ((*loaded)[i].lastUsed, kept[i].lastUsed);
    }
}

TEST(LeaseFile, AFileThatDoesNotAddUpIsRefusedNotGuessed) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"[rx_serial]\nPool=p\nLease=1\nFirst=10\n", "needs Pool, Lease, First and Last"},
        {"[rx_serial]\nPool=p\nLease=1\nFirst=10\nLast=x\n", "needs Pool"},
        {"[tx_serial]\nPool=p\nLease=1\nFirst=10\nLast=5\n", "First lies after Last"},
        {"[rx_radio_id]\nPool=p\nLease=1\nFirst=10\nLast=19\nLastUsed=20\n", "LastUsed is not"},
    };
    for (const auto& [text, why] : cases) {
        const fs::path path = scratch("bad.ini");
        std::ofstream(path) << text;
        const auto loaded = LeaseFile(path).load();
        ASSERT_FALSE(loaded.ok()) << text;
        EXPECT_EQ(loaded.error().kind, LineErrorKind::Refused);
        EXPECT_NE(loaded.error().message.find(why), std::string::npos) << loaded.error().message;
    }
}

TEST(LeaseFile, ResumingTakesTheHigherUseOfStationAndLedger) {
    const Lease ledger = lease(NumberKind::RxSerial, 100, 149, 104);
    EXPECT_EQ(LeaseFile::resumed(lease(NumberKind::RxSerial, 100, 149, 120), ledger).lastUsed, 120);
    EXPECT_EQ(LeaseFile::resumed(lease(NumberKind::RxSerial, 100, 149, 101), ledger).lastUsed, 104);
    EXPECT_EQ(LeaseFile::resumed(lease(NumberKind::RxSerial, 100, 149, std::nullopt), ledger).lastUsed,
              104);
    EXPECT_EQ(LeaseFile::resumed(ledger, lease(NumberKind::RxSerial, 100, 149, std::nullopt)).lastUsed,
              104);
}

} // namespace
