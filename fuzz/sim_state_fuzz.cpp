// The simulator's state file, read as the simulator reads it, and the
// simulated drives it describes, scanned and read as the program reads a
// drive.
//
// Input: the text of a state file.

#include <chrono>
#include <span>
#include <string>
#include <string_view>

#include "sim/sim_bus.h"
#include "sim/sim_session.h"
#include "sim/state_file.h"
#include "support/drive_reads.h"
#include "support/fuzz_target.h"
#include "transport/discovery.h"

namespace {

using namespace qx7;

// Drives read per input: enough to meet drives that differ, few enough to
// keep an input fast.
constexpr std::size_t kDrivesRead = 3;

void FixedRandom(std::span<std::uint8_t> out) {
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<std::uint8_t>(i * 7 + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto state = sim::ParseStateFile(text, &error);
    if (!state) {
        QX7_FUZZ_CHECK(!error.empty());
        return 0;
    }
    // What the simulator writes it reads back equal, and writes again the same.
    const std::string formatted = sim::FormatStateFile(*state);
    const auto reread = sim::ParseStateFile(formatted, &error);
    QX7_FUZZ_CHECK(reread.has_value());
    QX7_FUZZ_CHECK(*reread == *state);
    QX7_FUZZ_CHECK(sim::FormatStateFile(*reread) == formatted);

    sim::SimSession session(*state, FixedRandom);
    session.SetSleeper([](std::chrono::milliseconds) {});
    sim::SimBus bus(session);
    const transport::DriveTable table = transport::ScanDrives(bus);
    QX7_FUZZ_CHECK(table.drive_count() <= transport::kMaxDrives);
    for (std::size_t i = 0; i < state->drives.size() && i < kDrivesRead; ++i) {
        const auto device = session.Open(i);
        QX7_FUZZ_CHECK((device != nullptr) == state->drives[i].plugged);
        if (device) (void)fuzz::ReadEverything(*device);
    }
    return 0;
}
