// File names outside ASCII on qx7ctl's command line name those very files,
// and are printed as they were given (on Windows the command line and the
// narrow path forms are the ANSI code page's unless read as UTF-16).

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli/qx7ctl_fixture.h"
#include "strings/path_text.h"

namespace {

using qx7::strings::PathFromText;
using UnicodePaths = qx7::test::Qx7ctlTest;

TEST_F(UnicodePaths, KoreanNamesNameTheStateFormAndSavedFiles) {
    state_ = Path("드라이브 상태.json");
    const qx7::test::ProcessRun list = Run("list");
    ASSERT_EQ(list.exit_code, 0) << err_;
    EXPECT_TRUE(std::filesystem::is_regular_file(PathFromText(state_))) << state_;

    const std::string out = Path("설정 파일.qx7");
    const std::string form = Write("양식.json", FullForm().dump());
    const qx7::test::ProcessRun made = Run("config new " + Quoted(out) + " --form " + Quoted(form));
    ASSERT_EQ(made.exit_code, 0) << err_;
    EXPECT_EQ(made.out, "Wrote " + out + "\n");
    EXPECT_TRUE(std::filesystem::is_regular_file(PathFromText(out))) << out;

    const qx7::test::ProcessRun shown = Run("config show " + Quoted(out));
    EXPECT_EQ(shown.exit_code, 0) << err_;
}

}  // namespace
