// The resources windres puts into the built programs, read back through
// the calls Explorer and the loader use: the version information equals the
// build's version, the manifest asks for the rights each program needs, and
// the application icon is there and loads.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "strings/path_text.h"
#include "strings/text_codec.h"

namespace qx7 {
namespace {

struct Program {
    const char* name;
    const char* path;  // empty: not built
    const char* file_name;
    const char* description;
    const char* execution_level;
};

const Program kQx7ctl{"qx7ctl", QX7CTL_PATH, "qx7ctl.exe", "QX7 Configurator command-line tool", "asInvoker"};
#ifdef QX7CONFIG_PATH
const Program kQx7config{"qx7config", QX7CONFIG_PATH, "qx7config.exe", "QX7 Configurator", "requireAdministrator"};
#else
const Program kQx7config{"qx7config", "", "qx7config.exe", "QX7 Configurator", "requireAdministrator"};
#endif

void PrintTo(const Program& program, std::ostream* out) { *out << program.name; }

// A resource's text (UTF-16, zero-ended) as UTF-8.
std::string Narrow(const wchar_t* text) {
    return strings::ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text)));
}

// The program's image mapped as data: its resources, none of its code.
class ProgramImage {
public:
    explicit ProgramImage(const Program& program)
        : module_(LoadLibraryExW(strings::PathFromText(program.path).c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~ProgramImage() {
        if (module_) FreeLibrary(module_);
    }
    ProgramImage(const ProgramImage&) = delete;
    ProgramImage& operator=(const ProgramImage&) = delete;

    HMODULE module() const { return module_; }

    // The bytes of one resource; empty when there is none.
    std::string Resource(const wchar_t* type, const wchar_t* name) const {
        HRSRC found = FindResourceW(module_, name, type);
        if (!found) return {};
        HGLOBAL loaded = LoadResource(module_, found);
        const void* data = loaded ? LockResource(loaded) : nullptr;
        if (!data) return {};
        return std::string(static_cast<const char*>(data), SizeofResource(module_, found));
    }

    std::vector<ULONG_PTR> ResourceNames(const wchar_t* type) const {
        std::vector<ULONG_PTR> names;
        EnumResourceNamesW(
            module_, type,
            [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR list) -> BOOL {
                reinterpret_cast<std::vector<ULONG_PTR>*>(list)->push_back(reinterpret_cast<ULONG_PTR>(name));
                return TRUE;
            },
            reinterpret_cast<LONG_PTR>(&names));
        return names;
    }

private:
    HMODULE module_;
};

// The value of `attribute="..."` in the first element named `element`.
std::string AttributeOf(const std::string& xml, const std::string& element, const std::string& attribute) {
    const std::size_t start = xml.find("<" + element);
    if (start == std::string::npos) return {};
    const std::size_t end = xml.find('>', start);
    const std::size_t at = xml.find(attribute + "=\"", start);
    if (at == std::string::npos || at > end) return {};
    const std::size_t value = at + attribute.size() + 2;
    const std::size_t close = xml.find('"', value);
    return close == std::string::npos ? std::string() : xml.substr(value, close - value);
}

class ProgramResourcesTest : public testing::TestWithParam<Program> {};

TEST_P(ProgramResourcesTest, VersionInformationIsTheBuildsVersion) {
    const Program& program = GetParam();
    if (program.path[0] == '\0') GTEST_SKIP() << program.file_name << " is not built here (no Qt for Windows)";
    const std::wstring path = strings::PathFromText(program.path).wstring();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version information in " << program.path;
    std::vector<unsigned char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &value, &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const DWORD most = (QX7_VERSION_MAJOR << 16) | QX7_VERSION_MINOR;
    const DWORD least = (QX7_VERSION_BUILD << 16) | QX7_VERSION_REVISION;
    EXPECT_EQ(fixed->dwFileVersionMS, most);
    EXPECT_EQ(fixed->dwFileVersionLS, least);
    EXPECT_EQ(fixed->dwProductVersionMS, most);
    EXPECT_EQ(fixed->dwProductVersionLS, least);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    // The texts Explorer shows, in the one language the block declares.
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    const auto* translation = static_cast<const WORD*>(value);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);
    const auto text = [&](const std::wstring& name) {
        void* found = nullptr;
        UINT characters = 0;
        const std::wstring query = L"\\StringFileInfo\\040904B0\\" + name;
        if (!VerQueryValueW(block.data(), query.c_str(), &found, &characters) || characters == 0) return std::string();
        return Narrow(static_cast<const wchar_t*>(found));
    };
    EXPECT_EQ(text(L"FileVersion"), QX7_VERSION_TEXT);
    EXPECT_EQ(text(L"ProductVersion"), QX7_VERSION_TEXT);
    EXPECT_EQ(text(L"ProductName"), "QX7 Configurator");
    EXPECT_EQ(text(L"FileDescription"), program.description);
    EXPECT_EQ(text(L"OriginalFilename"), program.file_name);
    EXPECT_FALSE(text(L"CompanyName").empty());
    EXPECT_FALSE(text(L"LegalCopyright").empty());
}

TEST_P(ProgramResourcesTest, OneManifestAsksForTheRightsTheProgramNeeds) {
    const Program& program = GetParam();
    if (program.path[0] == '\0') GTEST_SKIP() << program.file_name << " is not built here (no Qt for Windows)";
    ProgramImage image(program);
    ASSERT_NE(image.module(), nullptr) << program.path;
    // A second manifest (a toolchain's default one) would leave it open which
    // the loader takes.
    EXPECT_EQ(image.ResourceNames(RT_MANIFEST), std::vector<ULONG_PTR>{1});
    const std::string manifest = image.Resource(RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(manifest.empty());
    EXPECT_EQ(AttributeOf(manifest, "requestedExecutionLevel", "level"), program.execution_level);
    EXPECT_EQ(AttributeOf(manifest, "requestedExecutionLevel", "uiAccess"), "false");
    // Windows 10 and 11.
    EXPECT_EQ(AttributeOf(manifest, "supportedOS", "Id"), "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}");
}

TEST_P(ProgramResourcesTest, ApplicationIconIsThereInEverySizeAndLoads) {
    const Program& program = GetParam();
    if (program.path[0] == '\0') GTEST_SKIP() << program.file_name << " is not built here (no Qt for Windows)";
#ifndef QX7_PROGRAM_ICON
    GTEST_SKIP() << "built without the application icon (no qx7-render-icon of a native build)";
#endif
    ProgramImage image(program);
    ASSERT_NE(image.module(), nullptr) << program.path;
    const std::string group = image.Resource(RT_GROUP_ICON, L"IDI_ICON1");
    // The icon directory: reserved, type 1, count, then 14 bytes an image.
    ASSERT_GE(group.size(), 6u);
    const auto word = [&](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(group[at])) |
               (static_cast<unsigned>(static_cast<unsigned char>(group[at + 1])) << 8);
    };
    EXPECT_EQ(word(2), 1u);
    const unsigned count = word(4);
    ASSERT_EQ(group.size(), 6u + 14u * count);
    std::vector<int> sides;
    for (unsigned i = 0; i < count; ++i) {
        const int side = static_cast<unsigned char>(group[6 + 14 * i]);
        sides.push_back(side == 0 ? 256 : side);
    }
    EXPECT_EQ(sides, (std::vector<int>{16, 20, 24, 32, 40, 48, 64, 256}));

    // The image Windows picks for a 32-pixel icon becomes an icon handle.
    const int id = LookupIconIdFromDirectoryEx(reinterpret_cast<PBYTE>(const_cast<char*>(group.data())), TRUE, 32, 32,
                                               LR_DEFAULTCOLOR);
    ASSERT_NE(id, 0);
    std::string bits = image.Resource(RT_ICON, MAKEINTRESOURCEW(id));
    ASSERT_FALSE(bits.empty());
    HICON icon = CreateIconFromResourceEx(reinterpret_cast<PBYTE>(bits.data()), static_cast<DWORD>(bits.size()), TRUE,
                                          0x00030000, 32, 32, LR_DEFAULTCOLOR);
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP colour{};
    ASSERT_NE(info.hbmColor, nullptr);
    ASSERT_NE(GetObjectW(info.hbmColor, sizeof(colour), &colour), 0);
    EXPECT_EQ(colour.bmWidth, 32);
    EXPECT_EQ(colour.bmHeight, 32);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramResourcesTest, testing::Values(kQx7ctl, kQx7config),
                         [](const testing::TestParamInfo<Program>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace qx7
