// The operation log: the list of uploaded drives, the stamp in the file
// name, the file's bytes, and a log that never replaces an earlier one.

#include "storage/operation_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "storage/file_size_limit.h"
#include "support/temp_folder.h"

namespace qx7::storage {
namespace {

namespace fs = std::filesystem;

std::tm Time(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

UploadedSerials Serials(std::initializer_list<std::u16string_view> serials) {
    UploadedSerials list;
    for (const auto serial : serials) list.Add(serial);
    return list;
}

TEST(LogStamp, FieldsWithoutLeadingZeros) {
    const struct {
        std::tm time;
        const char* stamp;
    } cases[] = {
        {Time(2014, 5, 2, 9, 5, 7), "201452-957"},
        {Time(2014, 12, 31, 23, 59, 59), "20141231-235959"},
        {Time(2000, 1, 1, 0, 0, 0), "200011-000"},
        {Time(2014, 10, 1, 12, 0, 3), "2014101-1203"},
    };
    for (const auto& c : cases) EXPECT_EQ(LogStamp(c.time), c.stamp);
}

TEST(UploadedSerials, EntriesAreTheFirstSixteenLowBytes) {
    const UploadedSerials list = Serials({
        u"QX7A00000001",
        u"QX7A00000001",          // the same drive twice: two lines
        u"0123456789ABCDEFGHIJ",  // cut to 16 characters
        u"S\u00e9rie-\u0141",     // Latin-1 stays, U+0141 keeps its low byte 0x41
        u"AB\u0100CD",            // a character whose low byte is zero: escaped, as a zero is
        std::u16string(u"QX7SIM\0"
                       u"000000001",
                       16),  // two drives differing after a zero byte
        std::u16string(u"QX7SIM\0"
                       u"000000002",
                       16),
    });

    EXPECT_EQ(LogContent(list),
              "QX7A00000001\r\nQX7A00000001\r\n0123456789ABCDEF\r\nS\xe9rie-A\r\nAB\\x00CD\r\n"
              "QX7SIM\\x00000000001\r\nQX7SIM\\x00000000002\r\n");
}

TEST(UploadedSerials, HasNoFixedCapacityAndClears) {
    UploadedSerials list;
    for (int i = 0; i < 2500; ++i) list.Add(std::u16string(u"QX7A") + static_cast<char16_t>(u'0' + i % 10));
    EXPECT_EQ(list.size(), 2500u);
    EXPECT_EQ(list.entries().back(), "QX7A9");
    list.Clear();
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(LogContent(list), "");
}

class OperationLogTest : public ::testing::Test {
protected:
    qx7::test::TempFolder temp_{"qx7log"};
    const std::filesystem::path& folder_ = temp_.path();
    const std::tm when_ = Time(2014, 5, 2, 9, 5, 7);
};

TEST_F(OperationLogTest, CreatesTheFolderOneLevelDeepAndWritesTheLines) {
    const fs::path logs = folder_ / "logs";

    const LogWriteResult result = WriteOperationLog(logs, Serials({u"QX7A1", u"QX7A1", u"QX7B2"}), when_);

    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.path, logs / "QX7Cfg_Log-201452-957.txt");
    EXPECT_EQ(ReadText(result.path), "QX7A1\r\nQX7A1\r\nQX7B2\r\n");
}

TEST_F(OperationLogTest, MissingParentFailsWithThePath) {
    const fs::path logs = folder_ / "missing" / "logs";

    const LogWriteResult result = WriteOperationLog(logs, Serials({u"QX7A1"}), when_);

    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.path, logs / "QX7Cfg_Log-201452-957.txt");
    EXPECT_FALSE(fs::exists(folder_ / "missing"));
}

TEST_F(OperationLogTest, SameStampNeverReplacesAnEarlierLog) {
    const LogWriteResult first = WriteOperationLog(folder_, Serials({u"FIRST"}), when_);
    const LogWriteResult second = WriteOperationLog(folder_, Serials({u"SECOND"}), when_);
    // A name taken by something else is skipped too.
    fs::create_directory(folder_ / "QX7Cfg_Log-201452-957-3.txt");
    const LogWriteResult fourth = WriteOperationLog(folder_, Serials({u"FOURTH"}), when_);

    ASSERT_TRUE(first.ok && second.ok && fourth.ok);
    EXPECT_EQ(first.path, folder_ / "QX7Cfg_Log-201452-957.txt");
    EXPECT_EQ(second.path, folder_ / "QX7Cfg_Log-201452-957-2.txt");
    EXPECT_EQ(fourth.path, folder_ / "QX7Cfg_Log-201452-957-4.txt");
    EXPECT_EQ(ReadText(first.path), "FIRST\r\n");
    EXPECT_EQ(ReadText(second.path), "SECOND\r\n");
    EXPECT_EQ(ReadText(fourth.path), "FOURTH\r\n");
}

TEST_F(OperationLogTest, FailedWriteIsReported) {
    UploadedSerials many;
    for (int i = 0; i < 20; ++i) many.Add(u"QX7A000000000001");  // 360 bytes

    LogWriteResult result;
    {
        test::FileSizeLimit limit(100);
        if (!limit.active()) GTEST_SKIP() << limit.why();
        result = WriteOperationLog(folder_, many, when_);
    }

    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.path, folder_ / "QX7Cfg_Log-201452-957.txt");
}

}  // namespace
}  // namespace qx7::storage
