// A state file with a random seed makes a run's bytes repeatable, so that
// the traces of two builds over copies of one file can be compared.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "sim/firmware.h"
#include "sim/state_file.h"

namespace qx7::sim {
namespace {

std::array<std::uint8_t, 80> Draw(const RandomSource& random) {
    std::array<std::uint8_t, 80> bytes{};
    random(std::span<std::uint8_t>(bytes).first(50));
    random(std::span<std::uint8_t>(bytes).subspan(50));
    return bytes;
}

TEST(SeededRandom, OneSeedGivesOneSequenceAndAnotherSeedAnother) {
    const auto first = Draw(SeededRandom(7));
    EXPECT_EQ(Draw(SeededRandom(7)), first);
    EXPECT_NE(Draw(SeededRandom(8)), first);
    // The sequence goes on: the second draw of a source is not its first.
    const RandomSource random = SeededRandom(7);
    Draw(random);
    EXPECT_NE(Draw(random), first);
}

TEST(SeededRandom, TheStateFileKeepsTheSeedAndRefusesOneOutOfRange) {
    SimState state{{DefaultDrive(0)}};
    state.random_seed = 4294967295u;
    std::string error;
    const std::optional<SimState> parsed = ParseStateFile(FormatStateFile(state), &error);
    ASSERT_TRUE(parsed) << error;
    EXPECT_EQ(parsed->random_seed, state.random_seed);
    EXPECT_FALSE(ParseStateFile(R"({"drives": [], "random_seed": 4294967296})", &error));
    EXPECT_NE(error.find("random_seed"), std::string::npos) << error;
    EXPECT_FALSE(ParseStateFile(R"({"drives": [], "random_seed": -1})", &error));
    // Without the key a file has no seed and is written without one.
    const std::optional<SimState> plain = ParseStateFile(R"({"drives": []})", &error);
    ASSERT_TRUE(plain) << error;
    EXPECT_FALSE(plain->random_seed);
    EXPECT_EQ(FormatStateFile(*plain).find("random_seed"), std::string::npos);
}

}  // namespace
}  // namespace qx7::sim
