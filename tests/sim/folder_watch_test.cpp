// The folder watch under the state-file watcher, on its own: a file written
// in place or replaced by a rename is seen, other files are not, Wake ends a
// wait, and a folder that goes away is reported.

#include "sim/folder_watch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "strings/path_text.h"
#include "support/temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace qx7::sim {
namespace {

using namespace std::chrono_literals;

class FolderWatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(file_) << "{}";
        std::string error;
        watch_ = FolderWatch::Create(strings::PathText(file_), &error);
        ASSERT_NE(watch_, nullptr) << error;
    }

    // Waits (as long as a slow machine may need) and takes what came.
    FolderWatch::Drained Next() {
        EXPECT_TRUE(watch_->WaitForChange(5s));
        return watch_->Drain();
    }

    qx7::test::TempFolder temp_{"qx7-folder-watch"};
    // A name outside ASCII: the watch must find it among the folder's names.
    const std::filesystem::path file_ = temp_.path() / strings::PathFromText("상태.json");
    std::unique_ptr<FolderWatch> watch_;
};

TEST_F(FolderWatchTest, SeesTheFileWrittenInPlaceAndReplaced) {
    std::ofstream(file_, std::ios::trunc) << "{\"drives\": []}";
    FolderWatch::Drained drained = Next();
    EXPECT_TRUE(drained.file_written);
    EXPECT_FALSE(drained.watch_lost);

    const std::filesystem::path temporary = temp_.path() / "state.new";
    std::ofstream(temporary) << "{}";
    std::filesystem::rename(temporary, file_);
    drained = Next();
    EXPECT_TRUE(drained.file_written);
    EXPECT_FALSE(drained.watch_lost);

    // Drained: nothing is left, and a wait times out.
    EXPECT_FALSE(watch_->Drain().file_written);
    EXPECT_FALSE(watch_->WaitForChange(0ms));
}

TEST_F(FolderWatchTest, OtherFilesAreNotTheFile) {
    std::ofstream(temp_.path() / "other.json") << "{}";
    const FolderWatch::Drained drained = Next();
    EXPECT_FALSE(drained.file_written);
    EXPECT_FALSE(drained.watch_lost);
}

TEST_F(FolderWatchTest, WakeEndsTheNextWaitOnce) {
    watch_->Wake();
    EXPECT_TRUE(watch_->WaitForChange(5s));
    EXPECT_FALSE(watch_->Drain().file_written);
    EXPECT_FALSE(watch_->WaitForChange(0ms));
}

TEST_F(FolderWatchTest, AFolderThatGoesIsReported) {
#ifdef _WIN32
    // Windows ends the watch's read when its folder is removed, and marks
    // the folder as being deleted; wine does neither while the folder is
    // held open, so nothing tells the watch.
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    if (ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr) {
        GTEST_SKIP() << "wine reports no removal of a folder held open";
    }
#endif
    std::filesystem::remove_all(temp_.path());
    bool lost = false;
    // Removing the folder may first show as the file's removal.
    for (int i = 0; i < 3 && !lost; ++i) lost = Next().watch_lost;
    EXPECT_TRUE(lost);
}

TEST(FolderWatchCreate, AMissingFolderIsRefusedWithItsName) {
    const qx7::test::TempFolder temp("qx7-folder-watch");
    const std::string path = strings::PathText(temp.path() / "gone" / "sim.json");
    std::string error;
    EXPECT_EQ(FolderWatch::Create(path, &error), nullptr);
    EXPECT_NE(error.find("cannot follow the simulator state file " + path), std::string::npos) << error;
}

}  // namespace
}  // namespace qx7::sim
