// A configuration file damaged after it was written: one flipped bit in the
// file scrambles the 16 bytes of its block (the policy bits among them), and
// qx7ctl refuses it with the reason before any drive is touched.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli/qx7ctl_fixture.h"

namespace {

using qx7::test::ProcessRun;

class DamagedFileTest : public qx7::test::Qx7ctlTest {
protected:
    // The file config new writes from the full form, with bit 0 of byte
    // 135 flipped: the block of bytes 128 to 143 holds the end of the new
    // user password (zero in this file) and the policy bits.
    std::string DamagedFile() {
        const std::string good = ConfigNew(FullForm());
        std::string bytes = Read(good);
        EXPECT_EQ(bytes.size(), 320u) << err_;
        bytes[135] = static_cast<char>(bytes[135] ^ 0x01);
        return Write("damaged.qx7", bytes);
    }
};

TEST_F(DamagedFileTest, ApplyRefusesItWithTheReasonBeforeAnyDrive) {
    const std::string config = DamagedFile();

    const ProcessRun run = Run("--trace apply " + Quoted(config) + " --all --password-file " +
                               Quoted(Write("pw.txt", "QX7ADMIN\n")) + " --folder " + Quoted(Path("out")));

    EXPECT_EQ(run.exit_code, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(err_.find("Fail !, The configuration file is damaged: new_user_password holds a password"),
              std::string::npos)
        << err_;
    EXPECT_NE(err_.find(config), std::string::npos) << err_;
    EXPECT_EQ(err_.find("scsi"), std::string::npos) << err_;
    EXPECT_FALSE(std::filesystem::exists(state_));  // the simulated drives were not even opened
}

TEST_F(DamagedFileTest, ShowAndBaseRefuseIt) {
    const std::string config = DamagedFile();

    EXPECT_EQ(Run("config show " + Quoted(config)).exit_code, 1);
    EXPECT_NE(err_.find("is damaged: new_user_password"), std::string::npos) << err_;

    const ProcessRun base =
        Run("config new " + Quoted(Path("next.qx7")) + " --form " +
            Quoted(Write("f.json", R"({"current_password":"QX7ADMIN"})")) + " --base " + Quoted(config));
    EXPECT_EQ(base.exit_code, 1);
    EXPECT_NE(err_.find("is damaged"), std::string::npos) << err_;
    EXPECT_FALSE(std::filesystem::exists(Path("next.qx7")));
}

}  // namespace
