// Writes the seed corpora of the fuzz targets into <folder>/<target>/, from
// the project's own code: configuration files saved by SaveConfigFile,
// drive answers and buses recorded from the simulator, helper requests
// encoded by the helper protocol, state files written by the simulator.
// Everything is repeatable: the simulator's channel keys come from a fixed
// source. docs/fuzzing.md tells when to run it.
//
//   qx7_fuzz_seeds fuzz/corpus

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/helper_protocol.h"
#include "protocol/constants.h"
#include "protocol/records.h"
#include "sim/sim_bus.h"
#include "sim/sim_session.h"
#include "sim/state_file.h"
#include "storage/config_file.h"
#include "support/answer_script.h"
#include "support/byte_reader.h"
#include "support/drive_reads.h"
#include "support/fuzz_bus.h"
#include "support/window_flow.h"
#include "transport/command_blocks.h"
#include "transport/command_table.h"

namespace {

using namespace qx7;
namespace fs = std::filesystem;
namespace sg = platform;

fs::path g_root;
int g_written = 0;

void Write(const char* target, const std::string& name, std::span<const std::uint8_t> bytes) {
    const fs::path folder = g_root / target;
    fs::create_directories(folder);
    std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.good()) {
        std::fprintf(stderr, "qx7_fuzz_seeds: cannot write %s\n", (folder / name).c_str());
        std::exit(1);
    }
    ++g_written;
}

void WriteText(const char* target, const std::string& name, std::string_view text) {
    Write(target, name, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

void FixedRandom(std::span<std::uint8_t> out) {
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<std::uint8_t>(i * 13 + 5);
}

// ---- configuration files -------------------------------------------------

storage::ConfigFilePayload::Password PasswordField(std::string_view text) {
    storage::ConfigFilePayload::Password field{};
    std::copy(text.begin(), text.end(), field.begin());
    return field;
}

protocol::RfidTag Tag(std::initializer_list<std::uint8_t> uid) {
    protocol::RfidTag tag;
    std::copy(uid.begin(), uid.end(), tag.uid.begin());
    tag.uid_length = static_cast<std::uint8_t>(uid.size());
    return tag;
}

void ConfigFileSeeds() {
    const sim::SimDrive drive = sim::DefaultDrive(0);
    storage::ConfigFilePayload settings_only;
    settings_only.change_mask = protocol::kChangeSettings;
    settings_only.current_admin_password = PasswordField("ADMIN1");
    settings_only.settings = protocol::SettingsRecord::Decode(drive.settings);

    storage::ConfigFilePayload everything = settings_only;
    everything.change_mask = protocol::kChangeSettings | protocol::kChangeAdminPassword |
                             protocol::kChangeUserPassword | protocol::kChangeRfidTags;
    everything.new_admin_password = PasswordField("NEWADMIN22");
    everything.new_admin_password_length = 10;
    everything.new_user_password = PasswordField("USER-PASS7");
    // As the form gathers them: a user password sets its flag and the class
    // of its first character ('U', a letter: the drive's class already).
    everything.settings.policy_flags |=
        protocol::kPolicyRfid | protocol::kPolicyAutoLock | protocol::kPolicyUserPassword;
    everything.settings.auto_lock_delay = 15;
    everything.settings.setup_id = protocol::MakeSetupId(2024, 5, 17, 9);
    everything.tags_by_slot = {Tag({0x04, 0xA1, 0xB2, 0xC3}), Tag({0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}),
                               Tag({0xDE, 0xAD, 0xBE, 0xEF}), protocol::RfidTag{}, protocol::RfidTag{}};
    everything.admin_tag = {1, 0, 0};
    everything.tag_count = 3;

    storage::ConfigFilePayload tags_only;
    tags_only.change_mask = protocol::kChangeRfidTags;
    tags_only.current_admin_password = PasswordField("ADMIN1");
    tags_only.settings = everything.settings;
    for (std::size_t slot = 0; slot < tags_only.tags_by_slot.size(); ++slot) {
        tags_only.tags_by_slot[slot] = Tag({0x04, static_cast<std::uint8_t>(slot), 0x10, 0x20});
    }
    tags_only.admin_tag = {1, 1, 1};
    tags_only.tag_count = 5;

    const std::pair<const char*, const storage::ConfigFilePayload*> files[] = {
        {"settings_only.qx7", &settings_only}, {"everything.qx7", &everything}, {"tags_only.qx7", &tags_only}};
    for (const auto& [name, payload] : files) {
        const fs::path path = g_root / "config_file" / name;
        fs::create_directories(path.parent_path());
        if (storage::SaveConfigFile(path, *payload) != storage::ConfigFileError::None) {
            std::fprintf(stderr, "qx7_fuzz_seeds: cannot save %s\n", path.c_str());
            std::exit(1);
        }
        ++g_written;
    }
    // The same payloads in the clear: the target also reads its input's
    // first 304 bytes as a payload, and mutating these reaches every field.
    for (const auto& [name, payload] : files) {
        storage::ConfigFilePayload stamped = *payload;
        stamped.StampHeader();
        Write("config_file", std::string(name) + ".plain", stamped.Encode());
    }
    const auto saved = storage::EncryptConfigFile(everything);
    Write("config_file", "truncated.qx7", std::span(saved).first(100));
}

// ---- drive answers ------------------------------------------------------

// A session over `drives` whose drive 0 answers are recorded, with the
// language byte in front.
std::vector<std::uint8_t> RecordDrive(const sim::SimState& state, std::uint8_t language) {
    sim::SimSession session(state, FixedRandom);
    session.SetSleeper([](std::chrono::milliseconds) {});
    fuzz::ByteWriter out;
    out.U8(language);
    const auto device = session.Open(0);
    fuzz::AnswerRecorder recorder(*device, out);
    (void)fuzz::ReadEverything(recorder);
    return out.bytes();
}

sim::SimState OneDrive(const std::function<void(sim::SimDrive&)>& change) {
    sim::SimState state;
    state.drives.push_back(sim::DefaultDrive(0));
    change(state.drives[0]);
    return state;
}

void DriveAnswerSeeds() {
    const auto with_tag = [](sim::SimDrive& d) {
        d.reader_queue.push_back({0x04, 0xA1, 0xB2, 0xC3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0});
    };
    Write("drive_answers", "admin_read", RecordDrive(OneDrive(with_tag), 0));
    Write("drive_answers", "admin_read_korean", RecordDrive(OneDrive([](sim::SimDrive&) {}), 1));
    Write("drive_answers", "user_unlocked",
          RecordDrive(OneDrive([](sim::SimDrive& d) { d.mode = sim::UnlockMode::User; }), 0));
    Write("drive_answers", "locked",
          RecordDrive(OneDrive([](sim::SimDrive& d) { d.mode = sim::UnlockMode::Locked; }), 0));
    Write("drive_answers", "four_languages_no_reader",
          RecordDrive(OneDrive([](sim::SimDrive& d) {
                          d.languages = 4;
                          d.rfid_reader = false;
                      }),
                      0));
    // The first two read-buffer commands fail as CHECK CONDITION, then one
    // I/O error on the next command: the read carries on past failures.
    Write("drive_answers", "failing_reads",
          RecordDrive(OneDrive([](sim::SimDrive& d) {
                          d.faults.push_back({{transport::kOpReadBuffer}, sim::SimFault::Mode::Check, 2});
                          d.faults.push_back({{}, sim::SimFault::Mode::Io, 1});
                      }),
                      0));
}

// ---- the bus -------------------------------------------------------------

std::vector<std::uint8_t> RecordScan(sim::SimState state, std::string_view sysfs_text, std::uint8_t language) {
    sim::SimSession session(std::move(state), FixedRandom);
    session.SetSleeper([](std::chrono::milliseconds) {});
    sim::SimBus bus(session);
    fuzz::ByteWriter out;
    out.Block(Bytes(sysfs_text));
    out.U8(language);
    const auto recorded = fuzz::RecordBus(bus, [&](transport::DeviceEnumerator& recording) {
        fuzz::WindowFlow flow;
        fuzz::RunWindowFlow(recording, language != 0 ? strings::Language::Korean : strings::Language::English, flow);
    });
    std::vector<std::uint8_t> seed = out.bytes();
    seed.insert(seed.end(), recorded.begin(), recorded.end());
    return seed;
}

void DiscoverySeeds() {
    sim::SimState one;
    one.drives.push_back(sim::DefaultDrive(0));
    Write("discovery", "one_drive", RecordScan(one, "230a", 0));

    sim::SimState two = one;
    two.drives.push_back(sim::DefaultDrive(1));
    two.drives[1].product_id = protocol::kQx7FipsProductId;
    two.drives[1].product = "QX7FIPS";
    two.drives[1].has_cdrom = false;
    two.drives[1].mode = sim::UnlockMode::User;
    Write("discovery", "two_drives_fips", RecordScan(two, "1-2.4", 1));

    sim::SimState odd = one;
    odd.drives[0].manufacturer =
        "\xEC\x98\xA4\xEC\x8A\xA4\xED\x8A\xB8\xEB\xA6\xAC\xEB\xB0\xB8\xEC\x8A\xA4 "
        "\xF0\x9F\x94\x92 a manufacturer name longer than the sixty-four units a record keeps";
    odd.drives[0].serial_string = std::string("SER\x1B[2J", 7);
    odd.drives.push_back(sim::DefaultDrive(1));
    odd.drives[1].plugged = false;
    Write("discovery", "long_strings_unplugged",
          RecordScan(odd, "\xEC\x98\xA4\xEC\x8A\xA4\xED\x8A\xB8 \x1B[0m\xFF", 0));
}

// ---- the helper's requests -----------------------------------------------

void AddFrame(std::vector<std::uint8_t>& stream, const std::vector<std::uint8_t>& payload) {
    const auto length = static_cast<std::uint32_t>(payload.size());
    for (int i = 0; i < 4; ++i) stream.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
    stream.insert(stream.end(), payload.begin(), payload.end());
}

void AddRequest(std::vector<std::uint8_t>& stream, const sg::Request& request) {
    AddFrame(stream, sg::EncodeRequest(request));
}

// Passes commands to the simulator and writes each as the Execute request
// the program would send for it.
class RequestRecorder final : public transport::ScsiDevice {
public:
    RequestRecorder(transport::ScsiDevice& inner, std::vector<std::uint8_t>& stream) : inner_(inner), stream_(stream) {}
    transport::ScsiResult Execute(const transport::ScsiRequest& request) override {
        sg::ExecuteRequest out;
        out.handle = 1;
        out.direction = request.direction;
        out.cdb_length = request.cdb_length;
        std::copy_n(request.cdb.begin(), request.cdb_length, out.cdb.begin());
        out.transfer_length = static_cast<std::uint32_t>(request.data.size());
        if (request.direction == transport::DataDirection::Out) {
            out.data_out.assign(request.data.begin(), request.data.end());
        }
        AddRequest(stream_, out);
        return inner_.Execute(request);
    }

private:
    transport::ScsiDevice& inner_;
    std::vector<std::uint8_t>& stream_;
};

// The Execute request of `block` as a row of the command table moves its
// data; `length` other than the row's for a near miss.
sg::ExecuteRequest ExecuteOf(const transport::DriveCommand& row, const transport::CommandBlock& block,
                             std::optional<std::uint32_t> length = std::nullopt) {
    sg::ExecuteRequest request;
    request.handle = 1;
    request.direction = row.direction;
    request.cdb_length = block.length;
    request.cdb = block.bytes;
    request.transfer_length = length.value_or(row.length);
    if (row.direction == transport::DataDirection::Out) request.data_out.assign(request.transfer_length, 0x5C);
    return request;
}

void HelperRequestSeeds() {
    std::vector<std::uint8_t> session_stream;
    AddRequest(session_stream, sg::HelloRequest{});
    AddRequest(session_stream, sg::OpenRequest{"/dev/sg2"});
    {
        sim::SimState state;
        state.drives.push_back(sim::DefaultDrive(0));
        sim::SimSession session(state, FixedRandom);
        const auto device = session.Open(0);
        RequestRecorder recorder(*device, session_stream);
        (void)fuzz::ReadEverything(recorder);
    }
    AddRequest(session_stream, sg::CloseRequest{1});
    Write("helper_request", "read_session", session_stream);

    // What a hostile program tries: no hello, a path outside the drives, a
    // command outside the drive's set, a handle never opened, then a frame
    // cut short.
    std::vector<std::uint8_t> hostile;
    AddRequest(hostile, sg::OpenRequest{"/dev/sg0"});
    AddRequest(hostile, sg::HelloRequest{});
    AddRequest(hostile, sg::OpenRequest{"/etc/shadow"});
    AddRequest(hostile, sg::OpenRequest{"/dev/sg0"});
    sg::ExecuteRequest write10;
    write10.handle = 1;
    write10.direction = transport::DataDirection::Out;
    write10.cdb_length = 10;
    write10.cdb[0] = 0x2A;
    write10.cdb[8] = 1;
    write10.transfer_length = 512;
    write10.data_out.assign(512, 0xA5);
    AddRequest(hostile, write10);
    sg::ExecuteRequest stray = ExecuteOf(transport::kInquiry, transport::InquiryCommand());
    stray.handle = 77;
    AddRequest(hostile, stray);
    AddRequest(hostile, sg::CloseRequest{9});
    hostile.insert(hostile.end(), {0x10, 0x00, 0x00, 0x00, 0x03, 0x01});
    Write("helper_request", "hostile_program", hostile);

    // Every command of the table in its exact form, each followed by the
    // same block and transfer one length off: the policy must take the
    // first and refuse the second.
    std::vector<std::uint8_t> every_command;
    AddRequest(every_command, sg::HelloRequest{});
    AddRequest(every_command, sg::OpenRequest{"/dev/sg2"});
    transport::CommandTemplate token{};
    token[8] = 0x11;
    token[9] = 0x22;
    token[10] = 0x33;
    token[11] = 0x44;
    for (const transport::DriveCommand& row : transport::kDriveCommands) {
        const transport::CommandBlock block =
            row.form == transport::CommandForm::PreCommand
                ? transport::PreCommandFor(transport::CommandBlockOf(transport::kSettingsWrite, token))
                : transport::CommandBlockOf(row, token, 0x1000);
        sg::ExecuteRequest exact = ExecuteOf(row, block);
        AddRequest(every_command, exact);
        sg::ExecuteRequest longer = ExecuteOf(row, block, static_cast<std::uint32_t>(row.length + 1u));
        if (row.IsSystemCommand()) {
            longer.cdb[4] = static_cast<std::uint8_t>(longer.transfer_length);
            longer.cdb[5] = static_cast<std::uint8_t>(longer.transfer_length >> 8);
        }
        AddRequest(every_command, longer);
    }
    AddRequest(every_command, sg::CloseRequest{1});
    Write("helper_request", "every_command", every_command);

    // The helper's replies, framed: the target reads every frame as a reply too.
    std::vector<std::uint8_t> replies;
    sg::Reply hello;
    hello.request_type = static_cast<std::uint8_t>(sg::RequestType::Hello);
    hello.value = sg::kHelperProtocolVersion;
    AddFrame(replies, sg::EncodeReply(hello));
    sg::Reply data;
    data.request_type = static_cast<std::uint8_t>(sg::RequestType::Execute);
    data.result = {true, 0, 8};
    data.data_in = {1, 2, 3, 4, 5, 6, 7, 8};
    AddFrame(replies, sg::EncodeReply(data));
    sg::Reply refused;
    refused.request_type = static_cast<std::uint8_t>(sg::RequestType::Open);
    refused.status = sg::ReplyStatus::Refused;
    refused.message = "/etc/shadow: not a node of a QX7";
    AddFrame(replies, sg::EncodeReply(refused));
    Write("helper_request", "replies", replies);
}

// ---- the update server ---------------------------------------------------

struct Answer {
    std::uint8_t outcome;  // 0 answered, 1 no connection, 2 request failed
    std::uint16_t code;
    std::string_view body;
};

std::vector<std::uint8_t> UpdateSeed(const std::vector<std::uint16_t>& own, Answer manifest, Answer changelog,
                                     std::initializer_list<std::string_view> versions) {
    fuzz::ByteWriter out;
    out.U8(own.empty() ? 0 : 1);
    for (const std::uint16_t field : own) out.U16(field);
    for (const Answer& answer : {manifest, changelog}) {
        out.U8(answer.outcome);
        out.U16(answer.code);
        out.Block(Bytes(answer.body));
    }
    for (const std::string_view version : versions) {
        out.U8(static_cast<std::uint8_t>(version.size()));
        out.Bytes(Bytes(version));
    }
    return out.bytes();
}

void UpdateManifestSeeds() {
    constexpr std::string_view kNotFoundPage =
        "<html><head><title>404 Not Found</title></head><body>Not Found</body></html>\n";
    const Answer changelog{0, 200, "2.4.0.0\n- Korean texts fixed\n- faster scan\n"};
    Write("update_manifest", "newer",
          UpdateSeed({}, {0, 200, "2.4.0.0\r\n"}, changelog, {"2.4.0.0", "2.3.3.1", "2.10"}));
    Write("update_manifest", "up_to_date",
          UpdateSeed({}, {0, 200, "2.3.3.1\n"}, changelog, {"2.3.3.1", "2.3.3.1", "2..3.3.1."}));
    Write("update_manifest", "manifest_missing",
          UpdateSeed({}, {0, 404, kNotFoundPage}, changelog, {"1", "1.0.0.0", "1.0.0.0.0"}));
    Write("update_manifest", "not_found_page_200",
          UpdateSeed({}, {0, 200, kNotFoundPage}, changelog, {"v2.4", " 2.4", "2.4\n"}));
    Write("update_manifest", "changelog_missing",
          UpdateSeed({2, 3, 0, 0}, {0, 200, "2.3.1"}, {0, 410, kNotFoundPage}, {"2.3", "2.3.0.0", "2.3.1"}));
    Write("update_manifest", "no_connection", UpdateSeed({}, {1, 0, ""}, {1, 0, ""}, {"", ".", "0"}));
    Write("update_manifest", "server_error",
          UpdateSeed({0, 0, 0, 0}, {0, 200, "9.9"}, {0, 500, "error"},
                     {"2147483647.1", "99999999999.1", "4294967296.0"}));
}

// ---- the simulator's state file ------------------------------------------

void SimStateSeeds() {
    sim::SimState one;
    one.drives.push_back(sim::DefaultDrive(0));
    WriteText("sim_state", "default.json", sim::FormatStateFile(one));

    sim::SimState busy = one;
    busy.drives.push_back(sim::DefaultDrive(1));
    sim::SimDrive& second = busy.drives[1];
    second.mode = sim::UnlockMode::User;
    second.languages = 4;
    second.admin_password = "ADMIN1";
    second.user_password = "user7";
    second.tags.push_back({0x04, 0xA1, 0xB2, 0xC3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0});
    second.reader_queue.push_back({0x11, 0x22, 0x33, 0x44, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0});
    second.faults.push_back({{transport::kOpReadBuffer, transport::kVendorMode}, sim::SimFault::Mode::Check, 1});
    second.latency_ms = 5;
    busy.drives.push_back(sim::DefaultDrive(2));
    busy.drives[2].plugged = false;
    WriteText("sim_state", "three_drives.json", sim::FormatStateFile(busy));

    // Keys left out take the defaults.
    WriteText("sim_state", "sparse.json", "{\"drives\": [{}, {\"mode\": \"locked\", \"languages\": 4}]}\n");
    WriteText("sim_state", "no_drives.json", "{\"drives\": []}\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: qx7_fuzz_seeds <corpus folder>\n");
        return 2;
    }
    g_root = argv[1];
    ConfigFileSeeds();
    DriveAnswerSeeds();
    DiscoverySeeds();
    HelperRequestSeeds();
    UpdateManifestSeeds();
    SimStateSeeds();
    std::printf("qx7_fuzz_seeds: %d seeds written under %s\n", g_written, g_root.c_str());
    return 0;
}
