#pragma once
// The terminal of a batch: result lines on standard output, messages on
// standard error, and, when standard error is a terminal, a live progress
// line at its bottom (drives done / total, the step of each drive at work)
// that is cleared before any other line is printed and drawn again after
// it. Every member may be called from any thread.

#include <cstddef>
#include <map>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>

namespace qx7::cli {

class BatchConsole {
public:
    // `live`: draw the progress line (standard error is a terminal and
    // --quiet was not given).
    BatchConsole(std::ostream& out, std::ostream& err, bool live);
    ~BatchConsole();

    void Result(std::string_view line);
    void Message(std::string_view line);
    // `total` 0: not known (a station runs until stopped).
    void SetTotal(std::size_t total);
    // What drive `label` is doing now; an empty step: it is done.
    void SetStep(const std::string& label, std::string_view step);
    void CountDone();

private:
    void ClearLocked();
    void DrawLocked();

    std::mutex mutex_;
    std::ostream& out_;
    std::ostream& err_;
    bool live_;
    bool drawn_ = false;
    std::size_t done_ = 0;
    std::size_t total_ = 0;
    std::map<std::string, std::string> steps_;
};

// Whether standard error is a terminal.
bool StandardErrorIsTerminal();

}  // namespace qx7::cli
