// The simulator's state file: its JSON form, the refusal of malformed files,
// and a session that keeps the file up to date.

#include "sim/state_file.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/sim_session.h"
#include "support/scripted_device.h"
#include "support/temp_folder.h"
#include "transport/drive_commands.h"

namespace qx7::sim {
namespace {

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A fresh folder under the system's temporary directory, removed afterwards.
class SimSessionFile : public ::testing::Test {
protected:
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    qx7::test::TempFolder temp_{"qx7sim"};
    const std::filesystem::path& folder_ = temp_.path();
};

SimDrive EveryFieldChanged() {
    SimDrive drive = DefaultDrive(3);
    drive.plugged = false;
    drive.vendor_id = 0x04C5;
    drive.product_id = 0x2028;
    drive.manufacturer = "Ostrivance Corp.";
    drive.product = "QX7FIPS";
    drive.serial_string = "S\xC3\xA9rie 9";  // UTF-8 text
    drive.firmware = {2, 17};
    drive.id_block = {1, 2, 3, 4, 5, 6, 7, 8};
    drive.state_block[11] = 0x40;
    drive.has_cdrom = false;
    drive.mode = UnlockMode::User;
    drive.admin_password = "ADM\xE9N#1";  // one byte per character, 0xE9 included
    drive.user_password = "";
    drive.rfid_reader = false;
    drive.languages = 4;
    drive.settings[51] = 0xFF;
    drive.tags = {SimTag{0xAB}, SimTag{}};
    drive.reader_queue.clear();
    drive.faults = {{{0x3C, 0x01, 0xCE, 0x30}, SimFault::Mode::Io, 2}, {{}, SimFault::Mode::Check, -1}};
    drive.latency_ms = 250;
    drive.drops_writes = true;
    return drive;
}

TEST(SimStateFile, RoundTripsEveryField) {
    const SimState state{{DefaultDrive(0), EveryFieldChanged()}};
    const std::string text = FormatStateFile(state);
    std::string error;
    const std::optional<SimState> parsed = ParseStateFile(text, &error);
    ASSERT_TRUE(parsed) << error;
    EXPECT_EQ(*parsed, state);
    EXPECT_EQ(FormatStateFile(*parsed), text);
    // The byte 0xE9 of a password is written as the character U+00E9.
    EXPECT_NE(text.find("\"admin_password\": \"ADM\xC3\xA9N#1\""), std::string::npos);
}

TEST(SimStateFile, WritesTheDocumentedForm) {
    const std::string text = FormatStateFile(SimState{{DefaultDrive(0)}});
    const char* expected = R"({
  "drives": [
    {
      "plugged": true,
      "device_id": "51583753494d30303030303030303031",
      "vendor_id": "0x230a",
      "product_id": "0x1180",
      "manufacturer": "OSTRIVANCE",
      "product": "QX7",
      "serial_string": "QX7SIM0000000001",
      "firmware": [
        1,
        0
      ],
      "id_block": "5158020100000000",
      "state_block": "010000000000000000000000",
      "has_cdrom": true,
      "mode": "admin",
      "admin_password": "QX7ADMIN",
      "user_password": "QX7USER1",
      "rfid_reader": true,
      "languages": 6,
      "settings_hex": "80000000000000000a00000000000000087e0001000000003c000000000000000000000000000000000000000000000000000000",
      "tags": [],
      "reader_queue": [
        "04a1b2c3000000000000000000000000040000",
        "04112233445566000000000000000000070000"
      ],
      "faults": [],
      "latency_ms": 0,
      "drops_writes": false
    }
  ]
}
)";
    EXPECT_EQ(text, expected);
}

TEST(SimStateFile, ReadsHandWrittenValuesAndDefaultsMissingKeys) {
    std::string error;
    const auto state = ParseStateFile(R"({"drives": [
        {},
        {"vendor_id": "0x230A", "product_id": "0X1181", "mode": "locked",
         "device_id": "000102030405060708090A0B0C0D0E0F",
         "faults": [{"cdb_prefix": "3C01CE30"}, {"mode": "io", "count": 1}]}]})",
                                      &error);
    ASSERT_TRUE(state) << error;
    ASSERT_EQ(state->drives.size(), 2u);
    EXPECT_EQ(state->drives[0], DefaultDrive(0));
    const SimDrive& second = state->drives[1];
    EXPECT_EQ(second.device_id[15], 0x0F);
    EXPECT_EQ(second.product_id, 0x1181);
    EXPECT_EQ(second.mode, UnlockMode::Locked);
    EXPECT_EQ(second.serial_string, DefaultDrive(1).serial_string);
    ASSERT_EQ(second.faults.size(), 2u);
    EXPECT_EQ(second.faults[0], (SimFault{{0x3C, 0x01, 0xCE, 0x30}, SimFault::Mode::Check, -1}));
    EXPECT_EQ(second.faults[1], (SimFault{{}, SimFault::Mode::Io, 1}));
    EXPECT_TRUE(ParseStateFile(R"({})", &error)->drives.empty());
}

TEST(SimStateFile, RefusesMalformedFilesNamingTheProblem) {
    const std::string forty = std::string(40, '0');
    struct Case {
        std::string text;
        const char* message;
    } cases[] = {
        {"{\"drives\": [", "not valid JSON"},
        {"[]", "top level: expected an object"},
        {R"({"drive": []})", "top level: unknown key \"drive\""},
        {R"({"drives": {}})", "drives: expected a list"},
        {R"({"drives": [7]})", "drives[0]: expected an object"},
        {R"({"drives": [{"setings_hex": ""}]})", "drives[0]: unknown key \"setings_hex\""},
        {R"({"drives": [{}, {"device_id": "0011"}]})", "drives[1].device_id: expected 32 hex digits"},
        {R"({"drives": [{"id_block": "00000000000000zz"}]})", "drives[0].id_block: expected 16 hex digits"},
        {R"({"drives": [{"settings_hex": ")" + forty + R"("}]})", "drives[0].settings_hex: expected 104 hex digits"},
        {R"({"drives": [{"vendor_id": 8970}]})", "drives[0].vendor_id: expected a hex string such as"},
        {R"({"drives": [{"product_id": "0x11800"}]})", "drives[0].product_id: expected a hex string"},
        {R"({"drives": [{"plugged": "yes"}]})", "drives[0].plugged: expected true or false"},
        {R"({"drives": [{"manufacturer": 1}]})", "drives[0].manufacturer: expected a string"},
        {R"({"drives": [{"firmware": [1]}]})", "drives[0].firmware: expected [major, minor]"},
        {R"({"drives": [{"firmware": [1, 256]}]})", "drives[0].firmware[1]: expected a number from 0 to 255"},
        {R"({"drives": [{"mode": "Admin"}]})", "drives[0].mode: expected \"admin\", \"user\" or \"locked\""},
        {R"({"drives": [{"languages": 5}]})", "drives[0].languages: expected 4 or 6"},
        {R"({"drives": [{"languages": 6.0}]})", "drives[0].languages: expected a whole number"},
        {R"({"drives": [{"admin_password": ")" + std::string(33, 'A') + R"("}]})",
         "drives[0].admin_password: longer than 32 characters"},
        {R"({"drives": [{"user_password": "\u20ac"}]})", "drives[0].user_password: only characters"},
        {R"({"drives": [{"user_password": "A\u0000"}]})", "drives[0].user_password: contains a zero"},
        {R"({"drives": [{"tags": [")" + std::string(38, '0') + R"(", "00"]}]})",
         "drives[0].tags[1]: expected 38 hex digits"},
        {R"({"drives": [{"reader_queue": "04a1"}]})", "drives[0].reader_queue: expected a list"},
        {R"({"drives": [{"faults": [{"mode": "sometimes"}]}]})",
         "drives[0].faults[0].mode: expected \"check\" or \"io\""},
        {R"({"drives": [{"faults": [{"count": -2}]}]})", "drives[0].faults[0].count: expected a number from -1"},
        {R"({"drives": [{"faults": [{"cdb_prefix": "3c0"}]}]})", "drives[0].faults[0].cdb_prefix: expected up to 32"},
        {R"({"drives": [{"faults": [{"cbd_prefix": "3c"}]}]})", "drives[0].faults[0]: unknown key \"cbd_prefix\""},
        // Numbers the JSON reader cannot hold, or holds in a wider type than
        // the key allows, are refused like any other wrong value.
        {R"({"drives": [{"languages": 1e999}]})", "not valid JSON"},
        {R"({"drives": [{"latency_ms": -1e999}]})", "not valid JSON"},
        {R"({"drives": [{"languages": 18446744073709551616}]})", "drives[0].languages: expected a whole number"},
        {R"({"drives": [{"faults": [{"count": 18446744073709551615}]}]})",
         "drives[0].faults[0].count: expected a number from -1 to 1000000000, got 18446744073709551615"},
        {R"({"drives": [{"firmware": [9223372036854775808, 0]}]})",
         "drives[0].firmware[0]: expected a number from 0 to 255, got 9223372036854775808"},
        {R"({"drives": [{"firmware": [-1, 0]}]})", "drives[0].firmware[0]: expected a number from 0 to 255"},
        {R"({"drives": [{"latency_ms": -1}]})", "drives[0].latency_ms: expected a number from 0 to 60000"},
        {R"({"drives": [{"latency_ms": 60001}]})", "drives[0].latency_ms: expected a number from 0 to 60000"},
        {R"({"drives": [{"latency_ms": 1.5}]})", "drives[0].latency_ms: expected a whole number"},
        {R"({"drives": [{"latency_ms": "10"}]})", "drives[0].latency_ms: expected a whole number"},
        {"{\"drives\": [{\"product\": \"\xff\"}]}", "not valid JSON"},
        {std::string(100000, '[') + std::string(100000, ']'), "top level: expected an object"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseStateFile(c.text, &error)) << c.text;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.text << "\n  gave: " << error;
    }
    std::string error;
    std::string six_tags = R"({"drives": [{"tags": [)";
    for (int i = 0; i < 6; ++i) six_tags += std::string(i ? "," : "") + "\"" + std::string(38, '0') + "\"";
    EXPECT_FALSE(ParseStateFile(six_tags + "]}]}", &error));
    EXPECT_EQ(error, "drives[0].tags: a drive stores at most 5 tags");
}

TEST_F(SimSessionFile, MissingFileIsCreatedWithTheDefaultDrive) {
    const std::filesystem::path path = folder_ / "new" / "sim.json";
    std::string error;
    const auto session = SimSession::Load(path.string(), &error);
    ASSERT_NE(session, nullptr) << error;
    EXPECT_EQ(session->state(), SimState{{DefaultDrive(0)}});
    EXPECT_EQ(ParseStateFile(ReadText(path), &error), SimState{{DefaultDrive(0)}});
}

TEST_F(SimSessionFile, MalformedFileIsRefusedAndLeftAlone) {
    const std::filesystem::path path = folder_ / "sim.json";
    const std::string text = R"({"drives": [{"languages": 5}]})";
    WriteText(path, text);
    std::string error;
    EXPECT_EQ(SimSession::Load(path.string(), &error), nullptr);
    EXPECT_EQ(error, "simulator state file " + path.string() + ": drives[0].languages: expected 4 or 6, got 5");
    EXPECT_EQ(ReadText(path), text);
    EXPECT_EQ(Entries(), std::vector<std::string>{"sim.json"});

    EXPECT_EQ(SimSession::Load(folder_.string(), &error), nullptr);
    EXPECT_NE(error.find("is a directory"), std::string::npos) << error;
}

// What cannot be a state file is refused before it is read whole.
TEST_F(SimSessionFile, RefusesWhatIsNotASmallRegularFile) {
#ifndef _WIN32
    const std::filesystem::path fifo = folder_ / "fifo.json";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const char* const refused = "is not a regular file";
#else
    // The device NUL: the file system says it does not exist, so the
    // session's attempt to create it is what fails.
    const std::filesystem::path fifo = "NUL";
    const char* const refused = "NUL: ";
#endif
    std::string error;
    EXPECT_EQ(SimSession::Load(fifo.string(), &error), nullptr);
    EXPECT_NE(error.find(refused), std::string::npos) << error;

    const std::filesystem::path huge = folder_ / "huge.json";
    WriteText(huge, "{\"drives\": []}" + std::string(kMaxStateFileBytes, ' '));
    EXPECT_EQ(SimSession::Load(huge.string(), &error), nullptr);
    EXPECT_NE(error.find("is larger than"), std::string::npos) << error;
}

TEST_F(SimSessionFile, CommandsKeepTheFileUpToDate) {
    const std::filesystem::path path = folder_ / "sim.json";
    SimState initial{{DefaultDrive(0)}};
    initial.drives[0].faults = {{{0x12}, SimFault::Mode::Check, 2}};
    WriteText(path, FormatStateFile(initial));
    std::string error;
    auto session = SimSession::Load(path.string(), &error);
    ASSERT_NE(session, nullptr) << error;
    auto device = session->Open(0);

    // A tag read takes the tag out of the reader queue, in the file too.
    std::array<std::uint8_t, 19> tag{};
    ASSERT_TRUE(transport::SystemCommandRead(*device, 0x38, {0, 0, 0, 0, 0, 0, 0x13, 0x88}, 19, tag));
    // A fault spends one use.
    std::array<std::uint8_t, 36> inquiry{};
    EXPECT_FALSE(transport::ScsiInquiry(*device, inquiry));

    const auto on_disk = ParseStateFile(ReadText(path), &error);
    ASSERT_TRUE(on_disk) << error;
    EXPECT_EQ(on_disk->drives[0].reader_queue.size(), 1u);
    EXPECT_EQ(on_disk->drives[0].faults[0].count, 1);
    EXPECT_EQ(*on_disk, session->state());
    EXPECT_EQ(Entries(), std::vector<std::string>{"sim.json"});  // no temporary file left

    // A new session on the same file continues where this one stopped.
    session.reset();
    session = SimSession::Load(path.string(), &error);
    ASSERT_NE(session, nullptr) << error;
    EXPECT_EQ(session->state(), *on_disk);
}

}  // namespace
}  // namespace qx7::sim
