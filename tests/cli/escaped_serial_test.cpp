// A drive's serial number with a backslash and an escape character:
// printed so that it reads back to one serial only, and chosen with
// --serial by the text show prints.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <span>
#include <string>

#include "cli/qx7ctl_fixture.h"
#include "strings/hex.h"

namespace {

using qx7::test::ProcessRun;
using EscapedSerial = qx7::test::Qx7ctlTest;

TEST_F(EscapedSerial, ShowPrintsItUnambiguouslyAndSerialTakesWhatShowPrints) {
    const std::string serial =
        "AB\\x41\x1b"
        "CDEFGHIJK";  // AB\x41, ESC, CDEFGHIJK: the id's 16 bytes
    Write(
        "state.json",
        nlohmann::json({{"drives",
                         {nlohmann::json::object(),
                          {{"device_id", qx7::strings::ToHex(std::span(
                                             reinterpret_cast<const std::uint8_t*>(serial.data()), serial.size()))}}}}})
            .dump());
    const ProcessRun show = Run("show --drive 2");
    ASSERT_EQ(show.exit_code, 0) << err_;
    const std::string printed = "AB\\\\x41\\x1BCDEFGHIJK";
    EXPECT_NE(show.out.find(printed), std::string::npos) << show.out;

    const ProcessRun chosen = Run("show --json --serial " + Quoted(printed));
    ASSERT_EQ(chosen.exit_code, 0) << err_;
    EXPECT_EQ(nlohmann::json::parse(chosen.out).at("serial"), serial);
}

}  // namespace
