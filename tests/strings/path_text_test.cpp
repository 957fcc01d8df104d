// A path as UTF-8 text and back: names outside ASCII survive the trip,
// through the file system too (on Windows the narrow path forms use the ANSI
// code page, which has no Korean).

#include "strings/path_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/temp_folder.h"

namespace qx7::strings {
namespace {

TEST(PathText, KoreanFileNameRoundTripsThroughTheFileSystem) {
    const qx7::test::TempFolder folder("qx7-path-text");
    const std::string names[] = {"설정 파일.qx7", "Ünïcödé-α.json", "plain.txt"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::filesystem::path path = folder.path() / PathFromText(name);
        EXPECT_EQ(PathText(path.filename()), name);
        std::ofstream(path) << "x";
        ASSERT_TRUE(std::filesystem::exists(path));
        bool found = false;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
            found = found || PathText(entry.path().filename()) == name;
        }
        EXPECT_TRUE(found) << "no file named " << name << " in the folder";
        // A whole path's text names the same file again.
        EXPECT_TRUE(std::filesystem::exists(PathFromText(PathText(path))));
    }
}

TEST(PathText, KeepsFoldersAndExtensions) {
    const std::filesystem::path path = PathFromText("보고서/결과.csv");
    EXPECT_EQ(PathText(path.parent_path()), "보고서");
    EXPECT_EQ(PathText(path.extension()), ".csv");
    EXPECT_EQ(PathText(path.stem()), "결과");
    EXPECT_EQ(PathText(PathFromText("")), "");
}

}  // namespace
}  // namespace qx7::strings
