// A --trace-full log played back as a drive: a session of the simulator
// recorded through qx7ctl, and a checked-in log, replayed through the read
// that qx7ctl show makes; and what the replay calls a departure.

#include "support/replay_device.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "cli/commands.h"
#include "protocol/channel.h"
#include "protocol/read_sequence.h"
#include "sim/sim_bus.h"
#include "sim/sim_session.h"
#include "strings/hex.h"
#include "strings/text_codec.h"
#include "support/fake_enumerator.h"
#include "support/process_run.h"
#include "support/temp_folder.h"
#include "transport/discovery.h"

namespace qx7::test {
namespace {

using testing::HasSubstr;
using transport::DataDirection;

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What qx7ctl show reads and prints, done over `drives`: the scan, then the
// first listed drive read as the configurator reads it.
struct ShownDrive {
    bool identity_ok = false;
    std::string serial;
    std::string settings_hex;
};
ShownDrive Show(transport::DeviceEnumerator& drives) {
    const transport::DriveTable table = transport::ScanDrives(drives);
    if (table.listed_count() == 0) return {};
    auto device = drives.Open(table.ListedRecord(0)->storage_path);
    protocol::ChannelKeys keys;
    std::u16string serial;
    std::ostringstream diagnostics;
    const protocol::DriveReading reading = protocol::ReadDrive(*device, keys, serial, &diagnostics);
    return {reading.identity_ok, strings::ToUtf8(serial),
            reading.settings_ok ? strings::ToHex(reading.settings.Encode()) : std::string()};
}

// Replays `log` with the drives of `state_file` as what is present.
struct Replay {
    Replay(const std::string& log, const std::string& state_file)
        : script(ParseTrace(log)), session(sim::SimSession::Load(state_file, &error)) {}
    ShownDrive Show() {
        sim::SimBus listing(*session);
        ReplayEnumerator drives(listing, script);
        return test::Show(drives);
    }
    ReplayScript script;
    std::string error;
    std::unique_ptr<sim::SimSession> session;
};

// What qx7ctl prints on its two streams for one command.
struct Qx7ctlRun {
    int exit_code = -1;
    std::string out;
    std::string err;
};

// Runs qx7ctl's command line `command` in this process, its drives being
// `drives`, with --trace-full.
Qx7ctlRun RunQx7ctl(transport::DeviceEnumerator& drives, const std::string& command) {
    cli::GlobalOptions options;
    options.drives = &drives;
    options.trace_full = true;
    Qx7ctlRun run;
    CLI::App app;
    cli::AddListCommand(app, options, run.exit_code);
    cli::AddShowCommand(app, options, run.exit_code);
    std::ostringstream out;
    std::ostringstream err;
    std::streambuf* const cout = std::cout.rdbuf(out.rdbuf());
    std::streambuf* const cerr = std::cerr.rdbuf(err.rdbuf());
    try {
        app.parse(command);
    } catch (const CLI::ParseError& e) {
        ADD_FAILURE() << command << ": " << e.what();
    }
    std::cout.rdbuf(cout);
    std::cerr.rdbuf(cerr);
    run.out = out.str();
    run.err = err.str();
    return run;
}

// The "scsi " lines of a log.
std::vector<std::string> TraceLines(const std::string& log) {
    std::vector<std::string> lines;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("scsi ", 0) == 0) lines.push_back(line);
    }
    return lines;
}

// qx7ctl show over the simulator, recorded with --trace-full, then the same
// command of qx7ctl run over the replayed log: the same output, and the
// replay's own trace is the recorded one line for line.
TEST(ReplayDevice, ASessionRecordedThroughQx7ctlReplaysThroughQx7ctl) {
    const TempFolder folder("qx7-replay");
    const std::string state = (folder / "state.json").string();
    const std::string log = (folder / "show.trace").string();
    const ProcessRun recorded = RunShellCommand(std::string("'") + QX7CTL_PATH + "' --sim '" + state +
                                                "' --trace-full show --json 2>'" + log + "'");
    ASSERT_EQ(recorded.exit_code, 0) << ReadText(log);
    ASSERT_FALSE(TraceLines(ReadText(log)).empty());

    Replay replay(ReadText(log), state);
    ASSERT_NE(replay.session, nullptr) << replay.error;
    sim::SimBus listing(*replay.session);
    ReplayEnumerator drives(listing, replay.script);
    const Qx7ctlRun replayed = RunQx7ctl(drives, "show --json");
    EXPECT_THAT(replay.script.Problems(), testing::IsEmpty());
    EXPECT_EQ(replayed.exit_code, 0) << replayed.err;
    EXPECT_EQ(replayed.out, recorded.out);
    EXPECT_EQ(TraceLines(replayed.err), TraceLines(ReadText(log)));
    EXPECT_EQ(nlohmann::json::parse(replayed.out)["serial"], "QX7SIM0000000001");
}

// A replay of another command than the one recorded fails, naming where.
TEST(ReplayDevice, AnotherCommandThanTheOneRecordedDepartsFromTheLog) {
    const TempFolder folder("qx7-replay");
    Replay replay(ReadText(std::filesystem::path(QX7_TEST_DATA_DIR) / "traces" / "sim_show_admin.trace"),
                  (folder / "state.json").string());
    ASSERT_NE(replay.session, nullptr) << replay.error;
    sim::SimBus listing(*replay.session);
    ReplayEnumerator drives(listing, replay.script);
    RunQx7ctl(drives, "list");  // the scan only: the read of show is never played
    EXPECT_THAT(replay.script.Problems(),
                testing::Contains(HasSubstr("(log line 13, dev=/dev/qx7sim/1/cdrom): never played")));
}

// A log kept with the tests, as a real drive's would be (the default
// simulated drive read in administrator mode): the drive's USB device and
// CD-ROM node described by hand, the commands and answers from the log.
TEST(ReplayDevice, TheCheckedInLogPlaysBackAndTheSimulatorStillAnswersTheSame) {
    ReplayScript script(
        ParseTrace(ReadText(std::filesystem::path(QX7_TEST_DATA_DIR) / "traces" / "sim_show_admin.trace")));
    FakeEnumerator listing;
    const std::string usb = listing.AddUsb(0x230a, 0x1180);
    listing.AddStorage(transport::StorageClass::CdRom, usb, {11, 0});
    listing.cdroms.back().path = "/dev/qx7sim/1/cdrom";  // the log's dev=
    ReplayEnumerator drives(listing, script);
    const Qx7ctlRun replayed = RunQx7ctl(drives, "show --json");
    EXPECT_THAT(script.Problems(), testing::IsEmpty());
    ASSERT_EQ(replayed.exit_code, 0) << replayed.err;
    const nlohmann::json shown = nlohmann::json::parse(replayed.out);
    EXPECT_EQ(shown["serial"], "QX7SIM0000000001");
    EXPECT_EQ(shown["mode"], "admin");

    // The simulator's default drive, read the same way, yields what the
    // log's drive did; the channel key differs (a drive draws it afresh for
    // every session), so the answers are compared by what the read makes of them.
    const TempFolder folder("qx7-replay");
    std::string error;
    const auto session = sim::SimSession::Load((folder / "state.json").string(), &error);
    ASSERT_NE(session, nullptr) << error;
    sim::SimBus simulator(*session);
    ReplayScript again(
        ParseTrace(ReadText(std::filesystem::path(QX7_TEST_DATA_DIR) / "traces" / "sim_show_admin.trace")));
    ReplayEnumerator replay(listing, again);
    const ShownDrive from_log = Show(replay);
    const ShownDrive simulated = Show(simulator);
    EXPECT_TRUE(simulated.identity_ok);
    EXPECT_EQ(simulated.serial, from_log.serial);
    EXPECT_EQ(simulated.settings_hex, from_log.settings_hex);
    EXPECT_EQ(nlohmann::json(simulated.settings_hex), shown["settings_hex"]);
}

// A short log: one identity read, one settings write.
constexpr const char* kLog =
    "qx7ctl: warning: anything else on standard error is skipped\n"
    "scsi dev=/dev/sg2 cdb=3c01ce01160000000000000000000000 dir=in len=22 status=00 xfer=22 "
    "data=0100230a118051583753494d30303030303030303031\n"
    "scsi dev=/dev/sg2 cdb=3b01cd31040000000000000000000000 dir=out len=4 status=00 xfer=4 data=01020304\n"
    "scsi dev=/dev/sg2 cdb=3c01ce02040000000000000000000000 dir=in len=4 status=02 xfer=0 data=\n";

transport::ScsiRequest Request(const std::string& cdb_hex, DataDirection direction, std::span<std::uint8_t> data) {
    transport::ScsiRequest request;
    const auto cdb = strings::FromHex(cdb_hex).value();
    std::copy(cdb.begin(), cdb.end(), request.cdb.begin());
    request.cdb_length = static_cast<std::uint8_t>(cdb.size());
    request.direction = direction;
    request.data = data;
    return request;
}

TEST(ReplayDevice, AnswersComeFromTheLogAndEachDepartureNamesItsStep) {
    const std::string identity = "3c01ce01160000000000000000000000";
    const std::string write = "3b01cd31040000000000000000000000";
    const std::string error_query = "3c01ce02040000000000000000000000";
    std::vector<std::uint8_t> in(22);
    std::vector<std::uint8_t> out{1, 2, 3, 4};
    std::vector<std::uint8_t> four(4);

    {  // Played as recorded: the answers, a check condition, and nothing left.
        ReplayScript script(ParseTrace(kLog));
        ReplayDevice device(script, "/dev/sg2");
        const auto answered = device.Execute(Request(identity, DataDirection::In, in));
        EXPECT_TRUE(answered.ok());
        EXPECT_EQ(answered.transferred, 22u);
        EXPECT_EQ(strings::ToHex(in), "0100230a118051583753494d30303030303030303031");
        EXPECT_TRUE(device.Execute(Request(write, DataDirection::Out, out)).ok());
        const auto refused = device.Execute(Request(error_query, DataDirection::In, four));
        EXPECT_TRUE(refused.io_ok);
        EXPECT_EQ(refused.scsi_status, 2);
        EXPECT_THAT(script.Problems(), testing::IsEmpty());
    }
    struct Case {
        const char* name;
        std::string log;
        std::function<void(ReplayDevice&)> play;
        const char* problem;
    } cases[] = {
        {"another command", kLog, [&](ReplayDevice& d) { d.Execute(Request(error_query, DataDirection::In, four)); },
         "step 1 (log line 2, dev=/dev/sg2): expected cdb=3c01ce01"},
        {"another length", kLog, [&](ReplayDevice& d) { d.Execute(Request(identity, DataDirection::In, four)); },
         "step 1 (log line 2, dev=/dev/sg2): expected cdb=3c01ce01160000000000000000000000 dir=in len=22, got"},
        {"other data out", kLog,
         [&](ReplayDevice& d) {
             d.Execute(Request(identity, DataDirection::In, in));
             std::vector<std::uint8_t> other{1, 2, 3, 5};
             d.Execute(Request(write, DataDirection::Out, other));
         },
         "step 2 (log line 3, dev=/dev/sg2): cdb=3b01cd31040000000000000000000000 dir=out len=4 sent data=01020305, "
         "the log has data=01020304"},
        {"a command past the log's end", "",
         [&](ReplayDevice& d) { d.Execute(Request(identity, DataDirection::In, in)); },
         "dev=/dev/sg2: the log has no further command, got cdb=3c01ce01"},
        {"steps never played", kLog, [](ReplayDevice&) {}, "step 3 (log line 4, dev=/dev/sg2): never played"},
        {"a redacted answer",
         "scsi dev=/dev/sg2 cdb=3c01ce7e200000000000000000000000 dir=in len=4 status=00 xfer=4 data=<redacted:4>\n",
         [&](ReplayDevice& d) { d.Execute(Request("3c01ce7e200000000000000000000000", DataDirection::In, four)); },
         "step 1 (log line 1, dev=/dev/sg2): the drive's answer is redacted in the log; record it with --trace-full"},
    };
    for (const Case& c : cases) {
        ReplayScript script(ParseTrace(c.log));
        ReplayDevice device(script, "/dev/sg2");
        c.play(device);
        EXPECT_THAT(script.Problems(), testing::Contains(HasSubstr(c.problem))) << c.name;
    }
}

// A redacted settings write matches whatever bytes of its length are sent:
// the passwords were left out of the log, the rest of it still must match.
TEST(ReplayDevice, ARedactedDataOutMatchesAnyBytesOfItsLength) {
    const std::string log =
        "scsi dev=/dev/sg2 cdb=3b01cd31040000000000000000000000 dir=out len=4 status=00 xfer=4 data=<redacted:4>\n";
    for (std::vector<std::uint8_t> sent : {std::vector<std::uint8_t>{9, 9, 9, 9}, std::vector<std::uint8_t>(5)}) {
        ReplayScript script(ParseTrace(log));
        ReplayDevice device(script, "/dev/sg2");
        const bool ok = device.Execute(Request("3b01cd31040000000000000000000000", DataDirection::Out, sent)).ok();
        EXPECT_EQ(ok, sent.size() == 4);
        EXPECT_EQ(script.Problems().empty(), sent.size() == 4);
    }
}

// A log may hold anything: each line that cannot be read is named, and
// nothing is read past a field's end.
TEST(ReplayDevice, LinesThatCannotBeReadAreNamedNotTrusted) {
    struct Case {
        const char* line;
        const char* problem;
    } cases[] = {
        {"scsi dev=/dev/sg2", "no cdb="},
        {"scsi cdb=3c dir=in len=1 status=00 xfer=1", "expected the fields"},
        {"scsi cdb=3c dir=in len=1 status=00 xfer=1 data=00 extra=1", "expected the fields"},
        {"scsi cdb= dir=none len=0 status=00 xfer=0 data=", "cdb= is not 1 to 16 bytes"},
        {"scsi cdb=3c01ce01160000000000000000000000ff dir=none len=0 status=00 xfer=0 data=", "cdb= is not 1 to 16"},
        {"scsi cdb=3g dir=none len=0 status=00 xfer=0 data=", "cdb= is not 1 to 16"},
        {"scsi cdb=3c dir=sideways len=0 status=00 xfer=0 data=", "cannot be read"},
        {"scsi cdb=3c dir=in len=-1 status=00 xfer=0 data=", "cannot be read"},
        {"scsi cdb=3c dir=in len=99999999999999999999999 status=00 xfer=0 data=", "cannot be read"},
        {"scsi cdb=3c dir=in len=4096 status=00 xfer=0 data=", "out of range"},
        {"scsi cdb=3c dir=in len=4 status=00 xfer=5 data=0000000000", "out of range"},
        {"scsi cdb=3c dir=none len=4 status=00 xfer=0 data=", "out of range"},
        {"scsi cdb=3c dir=in len=1 status=0 xfer=1 data=00", "status= is neither"},
        {"scsi cdb=3c dir=in len=2 status=00 xfer=2 data=00", "holds 1 bytes, expected 2"},
        {"scsi cdb=3c dir=out len=2 status=00 xfer=2 data=<redacted:3>", "holds 3 bytes, expected 2"},
        {"scsi cdb=3c dir=out len=2 status=00 xfer=2 data=<redacted:x>", "without a number"},
        {"scsi cdb=3c dir=in len=1 status=00 xfer=1 data=0", "data= is not hex"},
        {"scsi cdb=3c dur=in len=1 status=00 xfer=1 data=00", "expected dir= in field 2"},
    };
    for (const Case& c : cases) {
        const ParsedTrace parsed = ParseTrace(std::string("line one\n") + c.line + "\n");
        EXPECT_TRUE(parsed.steps.empty()) << c.line;
        ASSERT_EQ(parsed.problems.size(), 1u) << c.line;
        EXPECT_THAT(parsed.problems[0], HasSubstr("log line 2: ")) << c.line;
        EXPECT_THAT(parsed.problems[0], HasSubstr(c.problem)) << c.line;
    }
    const ParsedTrace spaced = ParseTrace("scsi dev=/media/a b cdb=3c dir=io len=0 status=io-error xfer=0 data=\r\n");
    EXPECT_EQ(spaced.problems.size(), 1u);
    const ParsedTrace failed = ParseTrace("scsi dev=/media/a b cdb=3c dir=none len=0 status=io-error xfer=0 data=\r\n");
    ASSERT_EQ(failed.steps.size(), 1u);
    EXPECT_EQ(failed.steps[0].device, "/media/a b");
    EXPECT_FALSE(failed.steps[0].status.has_value());
}

}  // namespace
}  // namespace qx7::test
