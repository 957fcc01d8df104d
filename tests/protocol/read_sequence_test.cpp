// The read of a drive against the simulator, with a fault injected at each
// of its commands in turn: the failed step is reported and the later steps
// still run, with whatever the failure left them.

#include <gtest/gtest.h>

#include <sstream>

#include "protocol/constants.h"
#include "protocol/read_sequence.h"
#include "sim/sim_session.h"
#include "strings/hex.h"
#include "transport/tracing_device.h"

namespace qx7::protocol {
namespace {

using strings::Language;

// Channel keys 01 02 .. 20, token indexes 1 .. 16: repeatable, and no token
// index is 0, so a zeroed token_index never picks the right token by luck.
void CountingRandom(std::span<std::uint8_t> out) {
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<std::uint8_t>(i + 1);
}

// The system command codes in a trace, in order.
std::string CodesSent(const std::string& trace) {
    std::string codes;
    std::istringstream lines(trace);
    for (std::string line; std::getline(lines, line);) {
        const auto at = line.find("cdb=3c01ce");
        if (at != std::string::npos) codes += line.substr(at + 10, 2) + " ";
    }
    return codes;
}

struct Outcome {
    bool identity, channel_key, token_index, channel_check, settings, status, admin;
};

struct Case {
    const char* faulted;  // system command code that fails once, "" for none
    sim::SimFault::Mode mode;
    Outcome expected;
    const char* codes_sent;  // nullptr: not checked (depends on a garbage key)
};

TEST(ReadDrive, EachStepFailsAloneAndTheRestGoesOn) {
    using Mode = sim::SimFault::Mode;
    const Case cases[] = {
        {"", Mode::Check, {true, true, true, true, true, true, true}, "01 7e 7d 04 30 32 "},
        // Without the identity, id_key stays zero: the channel key comes out
        // as garbage, so the protected reads are refused, but all are tried.
        {"01", Mode::Check, {false, true, true, false, false, true, false}, nullptr},
        // A drive that never saw 0x7E has no channel and refuses the rest of it.
        {"7e", Mode::Io, {true, false, false, false, false, true, false}, "01 7e 7d 04 30 32 "},
        {"7d", Mode::Check, {true, true, false, false, false, true, false}, "01 7e 7d 04 30 32 "},
        {"04", Mode::Check, {true, true, true, false, true, true, true}, "01 7e 7d 04 30 32 "},
        {"30", Mode::Io, {true, true, true, true, false, true, false}, "01 7e 7d 04 30 32 "},
        {"32", Mode::Check, {true, true, true, true, true, false, false}, "01 7e 7d 04 30 32 "},
    };
    for (const auto& c : cases) {
        sim::SimDrive drive = sim::DefaultDrive(0);
        if (*c.faulted) {
            sim::SimFault fault;
            fault.cdb_prefix = strings::FromHex(std::string("3c01ce") + c.faulted).value();
            fault.mode = c.mode;
            fault.count = 1;
            drive.faults.push_back(fault);
        }
        sim::SimSession session(sim::SimState{{drive}}, CountingRandom);
        auto inner = session.Open(0);
        std::ostringstream trace;
        transport::TracingDevice device(*inner, trace);

        ChannelKeys keys;
        std::u16string serial;
        std::ostringstream diagnostics;
        const DriveReading reading = ReadDrive(device, keys, serial, &diagnostics);
        const Outcome& e = c.expected;
        SCOPED_TRACE(std::string("fault at ") + c.faulted + "\n" + trace.str());
        EXPECT_EQ(reading.identity_ok, e.identity);
        EXPECT_EQ(reading.channel.channel_key, e.channel_key);
        EXPECT_EQ(reading.channel.token_index, e.token_index);
        EXPECT_EQ(reading.channel.channel_check, e.channel_check);
        EXPECT_EQ(reading.settings_ok, e.settings);
        EXPECT_EQ(reading.status_ok, e.status);
        EXPECT_EQ(reading.admin_mode(), e.admin);
        EXPECT_EQ(serial.empty(), !e.identity);
        EXPECT_EQ(diagnostics.str().empty(), e.settings);
        if (!e.channel_key) {
            EXPECT_EQ(keys.channel_key, Aes256Key{});
        }
        if (!e.token_index) {
            EXPECT_EQ(keys.token_index, decltype(keys.token_index){});
        }
        const std::string codes = CodesSent(trace.str());
        if (c.codes_sent) {
            EXPECT_EQ(codes, c.codes_sent);
        }
        // Whatever failed, the channel fetches and the status query are sent.
        EXPECT_NE(codes.find("7e 7d "), std::string::npos);
        EXPECT_EQ(codes.substr(codes.size() - 3), "32 ");
        if (e.settings) {
            EXPECT_EQ(reading.settings.Encode(), drive.settings);
        }
    }
}

TEST(ReadDrive, MessagesFollowTheFailedSteps) {
    struct MessageCase {
        DriveReading reading;
        std::vector<std::u16string> texts;
    };
    DriveReading admin;
    admin.identity_ok = admin.settings_ok = admin.status_ok = true;
    admin.channel = {true, true, true};
    admin.status.flags = kStatusAdminUnlocked;

    DriveReading user = admin;
    user.status.flags = kStatusRfidSupported;

    DriveReading broken;  // nothing worked
    const std::u16string cannot = u"QX7 drive cannot be detected. Please reconnect the QX7 drive.";
    const std::u16string user_mode =
        u"The QX7 device is connected with the User's password!\nPlease reconnect QX7 using the "
        u"Administrator's password.";

    const MessageCase cases[] = {
        {admin, {}},
        {user, {user_mode}},
        {broken,
         {u"Error !, QX7 System Command : 7E", u"Error !, QX7 System Command : 7D", u"Error !, QX7 System Command : 04",
          cannot, cannot, user_mode}},
    };
    for (const auto& c : cases) {
        std::vector<std::u16string> texts;
        for (const auto& message : ReadingMessages(c.reading, Language::English)) {
            texts.push_back(message.text);
        }
        EXPECT_EQ(texts, c.texts);
    }
    EXPECT_EQ(ReadingMessages(broken, Language::English).front().focus, ErrorFocus::Exit);
}

}  // namespace
}  // namespace qx7::protocol
