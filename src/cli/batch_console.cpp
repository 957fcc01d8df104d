#include "cli/batch_console.h"

#include "cli/console.h"

namespace qx7::cli {

BatchConsole::BatchConsole(std::ostream& out, std::ostream& err, bool live) : out_(out), err_(err), live_(live) {}

BatchConsole::~BatchConsole() {
    std::lock_guard lock(mutex_);
    ClearLocked();
}

void BatchConsole::Result(std::string_view line) {
    std::lock_guard lock(mutex_);
    ClearLocked();
    out_ << line << '\n' << std::flush;
    DrawLocked();
}

void BatchConsole::Message(std::string_view line) {
    std::lock_guard lock(mutex_);
    ClearLocked();
    err_ << line << '\n' << std::flush;
    DrawLocked();
}

void BatchConsole::SetTotal(std::size_t total) {
    std::lock_guard lock(mutex_);
    total_ = total;
    DrawLocked();
}

void BatchConsole::SetStep(const std::string& label, std::string_view step) {
    std::lock_guard lock(mutex_);
    if (step.empty()) {
        steps_.erase(label);
    } else {
        steps_[label] = std::string(step);
    }
    DrawLocked();
}

void BatchConsole::CountDone() {
    std::lock_guard lock(mutex_);
    ++done_;
    DrawLocked();
}

void BatchConsole::ClearLocked() {
    if (!drawn_) return;
    err_ << "\r\x1b[K" << std::flush;
    drawn_ = false;
}

void BatchConsole::DrawLocked() {
    if (!live_) return;
    std::string text = std::string("[") + std::to_string(done_) + "/" + (total_ ? std::to_string(total_) : "?") + "]";
    for (const auto& [label, step] : steps_) text += "  " + label + " " + step;
    // One terminal line: longer text would wrap and leave lines behind.
    const std::size_t width = TerminalWidth();
    if (text.size() >= width) text = text.substr(0, width > 4 ? width - 4 : 0) + "...";
    err_ << "\r\x1b[K" << text << std::flush;
    drawn_ = true;
}

}  // namespace qx7::cli
