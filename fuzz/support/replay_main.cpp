// Runs every file of the folders (or the files) named on the command line
// through the target's LLVMFuzzerTestOneInput, in name order, so that the
// committed corpus is replayed as an ordinary test in builds without
// libFuzzer. A folder without files fails: a corpus that went missing must
// not pass as an empty one.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/fuzz_target.h"

namespace {

// A path as UTF-8 text for the log: on Windows a path's own characters are
// wide, and its narrow string() is the ANSI code page.
std::string Printable(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg(argv[i]);
        if (fs::is_directory(arg)) {
            for (const auto& entry : fs::directory_iterator(arg)) {
                if (entry.is_regular_file()) files.push_back(entry.path());
            }
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "replay: no input files\n");
        return 1;
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        if (!fs::is_regular_file(file)) {
            std::fprintf(stderr, "replay: %s is not a file\n", Printable(file).c_str());
            return 1;
        }
        const std::vector<std::uint8_t> bytes = ReadAll(file);
        std::printf("replay: %s (%zu bytes)\n", Printable(file).c_str(), bytes.size());
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("replay: %zu inputs ran\n", files.size());
    return 0;
}
