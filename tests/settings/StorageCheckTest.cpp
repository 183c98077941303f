// SPDX-License-Identifier: MIT
#include "settings/StorageCheck.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace rfbind;
namespace fs = std::filesystem;

TEST(StorageCheck, TellsWhyTheSettingsFileCannotBeWritten) {
    char pattern[] = "/tmp/rfbind-store-XXXXXX";
    const fs::path folder = ::mkdtemp(pattern);
    const fs::path file = folder / "TX.ini";

    EXPECT_FALSE(whyCannotStore(file)) << "a new file in a writable folder";
    std::ofstream(file) << "[TX]\r\n";
    EXPECT_FALSE(whyCannotStore(file));

    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const auto frozen = whyCannotStore(file);
    ASSERT_TRUE(frozen);
    EXPECT_NE(frozen->find("write-protected"), std::string::npos) << *frozen;

    const auto noFolder = whyCannotStore(folder / "gone" / "TX.ini");
    ASSERT_TRUE(noFolder);
    EXPECT_NE(noFolder->find("gone"), std::string::npos) << *noFolder;

    fs::permissions(file, fs::perms::owner_all);
    fs::remove_all(folder);
}
