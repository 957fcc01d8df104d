// Configuration files and logs hold what only their owner should read.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#include "storage/files.h"
#include "support/temp_folder.h"

namespace qx7::storage {
namespace {

namespace fs = std::filesystem;

TEST(OwnerOnlyFiles, ReplacedAndNewFilesAreReadableByTheirOwnerOnly) {
    const test::TempFolder folder("qx7-owner-only");
    const std::vector<std::uint8_t> bytes{'x'};
    const fs::path config = folder / "drive.qx7";
    ASSERT_TRUE(ReplaceFile(config, bytes));
    const fs::path log = folder / "QX7Cfg_Log-1.txt";
    ASSERT_EQ(WriteNewFile(log, bytes), NewFileResult::Written);
    for (const fs::path& path : {config, log}) {
        EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write) << path;
    }
}

}  // namespace
}  // namespace qx7::storage
