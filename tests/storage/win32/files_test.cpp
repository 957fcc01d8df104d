// The Win32 file code: atomic, owner-only replacement; creation that never
// replaces; reading regular files only; the writable-folder probe.

#include <windows.h>
// windows.h first: aclapi.h relies on its types.
#include <aclapi.h>
// windows.h names ReplaceFileA/W ReplaceFile by a macro.
#undef ReplaceFile

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "storage/files.h"
#include "storage/win32/win32_file.h"
#include "storage/writable_probe.h"

namespace qx7::storage {
namespace {

namespace fs = std::filesystem;

std::span<const std::uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A fresh folder with a non-ASCII name under the temporary folder, removed
// at the end: every path below goes through the wide-character calls.
class Win32FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        folder_ =
            fs::temp_directory_path() /
            fs::path(u8"qx7-설정-" + std::u8string(reinterpret_cast<const char8_t*>(std::to_string(random()).c_str())));
        ASSERT_TRUE(fs::create_directory(folder_));
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    // The names in the folder.
    std::vector<fs::path> Listing() const {
        std::vector<fs::path> names;
        for (const auto& entry : fs::directory_iterator(folder_)) names.push_back(entry.path().filename());
        return names;
    }

    fs::path folder_;
};

// Wine keeps no security descriptor on a file: it turns the DACL into a
// Unix mode and makes up a DACL from the mode when asked.
bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// `descriptor` has a protected DACL with one entry allowing the process's
// user full access.
void ExpectOwnerOnly(PSECURITY_DESCRIPTOR descriptor) {
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
    EXPECT_NE(control & SE_DACL_PROTECTED, 0) << "inherited entries would let others in";
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    ASSERT_TRUE(present);
    ASSERT_NE(dacl, nullptr) << "a null DACL lets everyone in";
    ASSERT_EQ(dacl->AceCount, 1);
    void* ace = nullptr;
    ASSERT_TRUE(GetAce(dacl, 0, &ace));
    const auto* const allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
    EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    EXPECT_EQ(allowed->Mask & FILE_ALL_ACCESS, static_cast<DWORD>(FILE_ALL_ACCESS));

    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    std::array<std::uint8_t, 256> user{};
    DWORD size = 0;
    const bool got = GetTokenInformation(token, TokenUser, user.data(), static_cast<DWORD>(user.size()), &size);
    CloseHandle(token);
    ASSERT_TRUE(got);
    const PSID sid = reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid;
    EXPECT_TRUE(EqualSid(const_cast<DWORD*>(&allowed->SidStart), sid));
}

TEST(OwnerOnlySecurity, GrantsTheProcesssUserAloneWithoutInheritance) {
    win32::OwnerOnlySecurity security;
    ASSERT_NE(security.attributes(), nullptr);
    EXPECT_FALSE(security.attributes()->bInheritHandle);
    ExpectOwnerOnly(security.attributes()->lpSecurityDescriptor);
}

// The file's own security, read back.
void ExpectOwnerOnlyFile(const fs::path& path) {
    if (UnderWine()) {
        std::printf("[  NOTE    ] wine keeps no DACL on files; the file's security is not read back\n");
        return;
    }
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                                    nullptr, &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS));
    ExpectOwnerOnly(descriptor);
    LocalFree(descriptor);
}

TEST_F(Win32FilesTest, ReplaceFileWritesTheWholeFileForItsOwnerOnlyAndLeavesNoTemporary) {
    const fs::path target = folder_ / fs::path(u8"réglages 설정.qx7");
    std::string error;
    ASSERT_TRUE(ReplaceFile(target, Bytes("first"), &error)) << error;
    EXPECT_EQ(Slurp(target), "first");
    ASSERT_TRUE(ReplaceFile(target, Bytes("second, longer"), &error)) << error;
    EXPECT_EQ(Slurp(target), "second, longer");
    ASSERT_TRUE(ReplaceFile(target, {}, &error)) << error;
    EXPECT_EQ(Slurp(target), "");
    EXPECT_EQ(Listing(), std::vector<fs::path>{target.filename()});
    ExpectOwnerOnlyFile(target);
}

// A replacement that cannot be put in place leaves the old file (or the
// folder in its place) as it was and removes its temporary.
TEST_F(Win32FilesTest, AFailedReplacementKeepsTheOldFileAndSaysWhy) {
    const fs::path target = folder_ / "held.qx7";
    ASSERT_TRUE(ReplaceFile(target, Bytes("old")));
    {
        // Open without delete sharing: the name cannot be replaced.
        const HANDLE held = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        std::string error;
        EXPECT_FALSE(ReplaceFile(target, Bytes("new"), &error));
        CloseHandle(held);
        EXPECT_NE(error.find("cannot replace"), std::string::npos) << error;
        EXPECT_NE(error.find(reinterpret_cast<const char*>(u8"qx7-설정-")), std::string::npos)
            << "the path is shown in UTF-8: " << error;
    }
    EXPECT_EQ(Slurp(target), "old");

    const fs::path folder_target = folder_ / "a folder";
    ASSERT_TRUE(fs::create_directory(folder_target));
    std::string error;
    EXPECT_FALSE(ReplaceFile(folder_target, Bytes("new"), &error));
    EXPECT_TRUE(fs::is_directory(folder_target));

    EXPECT_FALSE(ReplaceFile(folder_ / "missing" / "x.qx7", Bytes("new"), &error));
    EXPECT_NE(error.find("cannot create a temporary file for"), std::string::npos) << error;
    EXPECT_EQ(Listing().size(), 2u);  // held.qx7 and the folder: no temporaries
}

TEST_F(Win32FilesTest, WriteNewFileNeverReplaces) {
    const fs::path log = folder_ / fs::path(u8"journal-é.txt");
    EXPECT_EQ(WriteNewFile(log, Bytes("first")), NewFileResult::Written);
    EXPECT_EQ(WriteNewFile(log, Bytes("second")), NewFileResult::NameTaken);
    EXPECT_EQ(Slurp(log), "first");
    ExpectOwnerOnlyFile(log);
    ASSERT_TRUE(fs::create_directory(folder_ / "dir"));
    EXPECT_NE(WriteNewFile(folder_ / "dir", Bytes("x")), NewFileResult::Written);
    EXPECT_EQ(WriteNewFile(folder_ / "missing" / "x.txt", Bytes("x")), NewFileResult::CannotCreate);
}

TEST_F(Win32FilesTest, OpenRegularReadsFilesAndRefusesEverythingElse) {
    const fs::path file = folder_ / fs::path(u8"données.qx7");
    std::ofstream(file, std::ios::binary) << "content";
    std::string problem;
    ReadableFile readable = ReadableFile::OpenRegular(file, &problem);
    ASSERT_TRUE(readable.valid()) << problem;
    std::array<std::uint8_t, 4> head{};
    EXPECT_EQ(readable.Read(head, &problem), 4u);
    std::array<std::uint8_t, 16> rest{};
    EXPECT_EQ(readable.Read(rest, &problem), 3u);
    EXPECT_EQ(std::string(rest.begin(), rest.begin() + 3), "ent");

    // A pipe with a server waiting for a client.
    const std::wstring pipe_name = L"\\\\.\\pipe\\qx7-files-test-" + std::to_wstring(GetCurrentProcessId());
    const HANDLE pipe =
        CreateNamedPipeW(pipe_name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 64, 64, 0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);

    const struct {
        fs::path path;
        std::string problem;
    } refused[] = {
        {folder_, "is a directory"},
        {L"NUL", "is not a regular file"},
        {L"CON", ""},  // a console when there is one; without, it cannot be opened
        {pipe_name, "is not a regular file"},
        {L"\\\\.\\PhysicalDrive0", "is not a regular file"},
        {L"\\\\.\\C:", "is not a regular file"},
        {folder_ / "missing.qx7", "cannot be opened: "},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.path.string());
        problem.clear();
        EXPECT_FALSE(ReadableFile::OpenRegular(c.path, &problem).valid());
        EXPECT_EQ(problem.substr(0, c.problem.size()), c.problem);
    }
    CloseHandle(pipe);
}

TEST_F(Win32FilesTest, ProbeWritableFolderLeavesNothingBehind) {
    std::string error;
    EXPECT_TRUE(ProbeWritableFolder(folder_, &error)) << error;
    EXPECT_TRUE(Listing().empty());
    EXPECT_FALSE(ProbeWritableFolder(folder_ / "missing", &error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace qx7::storage
