// Where a program looks for the privileged helper: beside its own
// executable once installed (whatever prefix the install used), the
// configured install's helper when it runs from the build tree.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/linux/helper_launch.h"
#include "support/temp_folder.h"

namespace qx7::platform {
namespace {

namespace fs = std::filesystem;

constexpr const char* kConfigured = "/usr/local/libexec/qx7-scsi-helper";

HelperPlacement Relative() { return {"../libexec/qx7-scsi-helper", "/work/build", kConfigured}; }

TEST(HelperPath, FollowsTheProgramsFolder) {
    struct Case {
        const char* name;
        const char* executable;
        HelperPlacement placement;
        const char* helper;
    };
    const Case cases[] = {
        {"prefix /usr", "/usr/bin/qx7ctl", Relative(), "/usr/libexec/qx7-scsi-helper"},
        {"prefix given at install", "/opt/qx7/bin/qx7config", Relative(), "/opt/qx7/libexec/qx7-scsi-helper"},
        {"staged under DESTDIR", "/nonexistent/stage/usr/bin/qx7ctl", Relative(),
         "/nonexistent/stage/usr/libexec/qx7-scsi-helper"},
        {"executable replaced while running", "/opt/qx7/bin/qx7ctl (deleted)", Relative(),
         "/opt/qx7/libexec/qx7-scsi-helper"},
        {"deeper helper folder",
         "/usr/bin/qx7ctl",
         {"../lib/x86_64-linux-gnu/qx7/qx7-scsi-helper", "/work/build", kConfigured},
         "/usr/lib/x86_64-linux-gnu/qx7/qx7-scsi-helper"},
        {"absolute helper folder",
         "/opt/qx7/bin/qx7ctl",
         {"/usr/lib/qx7/qx7-scsi-helper", "/work/build", kConfigured},
         "/usr/lib/qx7/qx7-scsi-helper"},
        {"run from the build tree", "/work/build/src/cli/qx7ctl", Relative(), kConfigured},
        {"beside the build tree, not in it", "/work/build-2/bin/qx7ctl", Relative(),
         "/work/build-2/libexec/qx7-scsi-helper"},
        {"no build tree known",
         "/work/build/bin/qx7ctl",
         {"../libexec/qx7-scsi-helper", "", kConfigured},
         "/work/build/libexec/qx7-scsi-helper"},
        {"executable unknown", "", Relative(), kConfigured},
        {"executable not absolute", "bin/qx7ctl", Relative(), kConfigured},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HelperPathFor(c.executable, c.placement), c.helper) << c.name;
    }
}

// pkexec matches the path as text against the polkit action, which the
// install writes with the links in its folders resolved.
TEST(HelperPath, ResolvesLinkedFoldersAsTheInstalledActionDoes) {
    const qx7::test::TempFolder temp("qx7-helper-path");
    const fs::path root = fs::canonical(temp.path());
    fs::create_directories(root / "prefix" / "bin");
    fs::create_directories(root / "elsewhere" / "libexec");
    fs::create_symlink(root / "elsewhere" / "libexec", root / "prefix" / "libexec");

    EXPECT_EQ(HelperPathFor(root / "prefix" / "bin" / "qx7ctl", Relative()),
              (root / "elsewhere" / "libexec" / "qx7-scsi-helper").string());
    // Resolved as far as the folders exist: the path a later install of the
    // helper gets.
    EXPECT_EQ(HelperPathFor(root / "prefix" / "bin" / "qx7ctl", {"../libexec/qx7/qx7-scsi-helper", "", kConfigured}),
              (root / "elsewhere" / "libexec" / "qx7" / "qx7-scsi-helper").string());
}

TEST(HelperPath, ThisBuildTreesProgramsUseTheConfiguredInstall) {
    EXPECT_EQ(InstalledHelperPath(), BuiltHelperPlacement().configured);
    EXPECT_TRUE(fs::path(BuiltHelperPlacement().configured).is_absolute());
}

}  // namespace
}  // namespace qx7::platform
