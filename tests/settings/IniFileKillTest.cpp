// SPDX-License-Identifier: MIT
#include "settings/IniFile.h"
#include "settings/helpers/RewriterSettings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace rfbind;
namespace fs = std::filesystem;

namespace {

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The file text after writing one of the two settings over `base`.
std::string settingsText(const fs::path& base, char which) {
    IniFile ini(base);
    ini.load();
    for (const auto& [key, value] : test::RewriterSettings(which))
        ini.writeString("TX", key, value);
    return ini.text();
}

} // namespace

TEST(IniFile, KilledWhileSavingLeavesTheOldOrTheNewFile) {
    std::string pattern = (fs::temp_directory_path() / "rfbind-kill-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern;
    const fs::path path = dir / "TX.ini";
    {
        std::ofstream(path, std::ios::binary) << "[TX]\nRound=A\n[Device]\n0=1D570001\n";
        IniFile ini(path);
        ini.load();
        for (const auto& [key, value] : test::RewriterSettings('A'))
            ini.writeString("TX", key, value);
        ASSERT_TRUE(ini.save());
    }
    const std::string textA = readAll(path);
    ASSERT_EQ(settingsText(path, 'A'), textA);
    const std::string textB = settingsText(path, 'B');
    ASSERT_NE(textA, textB);

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> pauseUs(0, 40000);

    std::string helper = RFBIND_INI_REWRITER;
    std::string file = path.string();
    char* argv[] = {helper.data(), file.data(), nullptr};
    std::string previous = textA;
    int changes = 0;
    for (int round = 0; round < 50; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_adddup2(&actions, ready[1], STDOUT_FILENO);
        ::posix_spawn_file_actions_addclose(&actions, ready[0]);
        pid_t pid = 0;
        const int spawned = ::posix_spawn(&pid, helper.c_str(), &actions, nullptr, argv, environ);
        ::posix_spawn_file_actions_destroy(&actions);
        ::close(ready[1]);
        ASSERT_EQ(spawned, 0);
        char banner[6] = {};
        const ssize_t got = ::read(ready[0], banner, sizeof banner);
        ::close(ready[0]);
        ASSERT_EQ(got, 6) << "the rewriter did not start";
        std::this_thread::sleep_for(std::chrono::microseconds(pauseUs(rng)));
        ASSERT_EQ(::kill(pid, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the rewriter stopped by itself, exit status "
                                         << WEXITSTATUS(status) << ", round " << round;

        const std::string now = readAll(path);
        ASSERT_TRUE(now == textA || now == textB) << "torn file after round " << round;
        IniFile check(path);
        ASSERT_EQ(check.load().status, IniLoadStatus::Loaded);
        EXPECT_EQ(check.readString("Device", "0"), "1D570001");
        changes += now != previous;
        previous = now;

        // Only TX.ini and at most one leftover of the save that was cut short.
        int entries = 0;
        for (const auto& e : fs::directory_iterator(dir)) {
            ++entries;
            EXPECT_TRUE(e.path().filename() == "TX.ini" || e.path().filename() == "TX.ini.tmp")
                << e.path();
        }
        EXPECT_LE(entries, 2);
    }
    EXPECT_GT(changes, 0) << "the rewriter never completed a save; the test proved nothing";

    IniFile last(path);
    last.load();
    ASSERT_TRUE(last.save());
    EXPECT_FALSE(fs::exists(dir / "TX.ini.tmp"));
    fs::remove_all(dir);
}
