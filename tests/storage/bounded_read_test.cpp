// Reading a small file a user named: only regular files, never more than
// the bound, whatever the name points at.

#include "storage/bounded_read.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>

#include "support/temp_folder.h"

namespace qx7::storage {
namespace {

namespace fs = std::filesystem;

class BoundedReadTest : public ::testing::Test {
protected:
    fs::path Write(const std::string& name, const std::string& bytes) { return temp_.Write(name, bytes); }

    qx7::test::TempFolder temp_{"qx7-bounded"};
    const fs::path& dir_ = temp_.path();
};

TEST_F(BoundedReadTest, RefusesWhatIsNotASmallRegularFile) {
#ifndef _WIN32
    const fs::path fifo = dir_ / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path device = "/dev/zero";
#else
    const fs::path fifo = "NUL";
    const fs::path device = "NUL";
#endif
    // A file far larger than memory would allow, without taking the space.
    const fs::path huge = dir_ / "huge";
    std::ofstream(huge).close();
    fs::resize_file(huge, std::uintmax_t{1} << 34);

    const struct {
        fs::path path;
        const char* problem;
    } cases[] = {
        {dir_, "is a directory"},
        {fifo, "is not a regular file"},  // must not wait for a writer
        {device, "is not a regular file"},
#ifndef _WIN32
        {dir_ / "missing", "cannot be opened: No such file or directory"},
#else
        {dir_ / "missing", "cannot be opened: "},  // the system's text follows
#endif
#ifndef _WIN32
        {"/proc/self/mem", "cannot be read: Input/output error"},  // regular, unreadable even for root
#endif
        {huge, "is larger than 1024 bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.string());
        const BoundedRead read = ReadSmallFile(c.path, 1024);
        EXPECT_FALSE(read.ok);
        EXPECT_EQ(read.problem.substr(0, std::string_view(c.problem).size()), c.problem) << read.problem;
    }
    for (const fs::path& path : {fs::path(dir_), fifo, device, huge}) {
        EXPECT_FALSE(ReadFirstLine(path, 256).ok) << path;
    }
}

TEST_F(BoundedReadTest, ReadsASmallFileWhole) {
    const BoundedRead exact = ReadSmallFile(Write("exact", std::string(1024, 'x')), 1024);
    EXPECT_TRUE(exact.ok);
    EXPECT_EQ(exact.bytes.size(), 1024u);
    EXPECT_FALSE(ReadSmallFile(Write("over", std::string(1025, 'x')), 1024).ok);
    EXPECT_EQ(ReadSmallFile(Write("empty", ""), 1024).bytes, "");
}

TEST_F(BoundedReadTest, TakesTheFirstLineUpToTheBound) {
    const struct {
        std::string content;
        bool ok;
        std::string line;
    } cases[] = {
        {"QX7ADMIN\nsecond line\n", true, "QX7ADMIN"},
        {"QX7ADMIN\r\n", true, "QX7ADMIN"},
        {"QX7ADMIN", true, "QX7ADMIN"},  // no line end
        {"\nQX7ADMIN\n", true, ""},
        {std::string(8, 'A') + "\r\n" + std::string(100, 'B'), true, std::string(8, 'A')},
        {std::string(9, 'A') + "\n", false, ""},  // one byte over the bound
        {std::string(4096, '\0'), false, ""},
    };
    for (const auto& c : cases) {
        const BoundedRead read = ReadFirstLine(Write("line", c.content), 8);
        EXPECT_EQ(read.ok, c.ok) << c.content;
        EXPECT_EQ(read.ok ? read.bytes : read.problem, c.ok ? c.line : "has a first line longer than 8 bytes");
    }
}

}  // namespace
}  // namespace qx7::storage
