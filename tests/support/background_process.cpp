// What a program run in the background shows, the same on every system;
// starting, waiting for and ending it are the system's (support/<api>/).
#include "support/background_process.h"

#include <fstream>
#include <iterator>
#include <thread>

namespace qx7::test {

std::string BackgroundProcess::Output() const {
    std::ifstream in(out_file_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool BackgroundProcess::WaitForOutput(const std::string& text, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (Output().find(text) != std::string::npos) return true;
        if (Reaped()) return Output().find(text) != std::string::npos;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

}  // namespace qx7::test
