// Windows tells of every write, not of the close that makes a file whole:
// while another program still has the state file open for writing, the
// watch does not call it written, and it does once the writer closed it.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>

#include "sim/folder_watch.h"
#include "strings/path_text.h"
#include "support/temp_folder.h"

namespace qx7::sim {
namespace {

using namespace std::chrono_literals;

TEST(FolderWatchWriter, AFileStillOpenForWritingIsNotWrittenYet) {
    const qx7::test::TempFolder temp("qx7-folder-watch");
    const std::filesystem::path file = temp.path() / "sim.json";
    std::ofstream(file) << "{}";
    std::string error;
    const std::unique_ptr<FolderWatch> watch = FolderWatch::Create(strings::PathText(file), &error);
    ASSERT_NE(watch, nullptr) << error;

    // A writer as an editor or a script is one: the file open for writing,
    // others may read it.
    const HANDLE writer = ::CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                        TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE) << ::GetLastError();
    const std::string half = "{\"drives\": [";
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(writer, half.data(), static_cast<DWORD>(half.size()), &written, nullptr));
    ASSERT_TRUE(watch->WaitForChange(5s));
    EXPECT_FALSE(watch->Drain().file_written);
    // Looked at again, while it stays open.
    ASSERT_TRUE(watch->WaitForChange(5s));
    EXPECT_FALSE(watch->Drain().file_written);

    const std::string rest = "]}";
    ASSERT_TRUE(::WriteFile(writer, rest.data(), static_cast<DWORD>(rest.size()), &written, nullptr));
    ::CloseHandle(writer);
    bool seen = false;
    for (int i = 0; i < 3 && !seen; ++i) {
        ASSERT_TRUE(watch->WaitForChange(5s));
        seen = watch->Drain().file_written;
    }
    EXPECT_TRUE(seen);
    EXPECT_FALSE(watch->Drain().file_written);
}

}  // namespace
}  // namespace qx7::sim
