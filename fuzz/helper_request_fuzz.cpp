// The privileged helper's side of its protocol: the request loop reading
// what a (possibly hostile) program writes to its standard input, the
// request decoder and the command policy; and the program's reply decoder.
//
// Input: the bytes of the helper's standard input, frames of a 32-bit
// little-endian length and a payload. The real loop (Serve) reads them from
// an in-memory file and writes its replies to another. Its node opener
// opens any "/dev/sg<digits>" as a stand-in drive; no real node is opened.

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "helper/command_policy.h"
#include "helper/helper_server.h"
#include "platform/linux/helper_protocol.h"
#include "support/answer_script.h"
#include "support/fuzz_target.h"

namespace {

using namespace qx7;
namespace sg = platform;
namespace helper = qx7::helper;

// Every command that reaches a drive is one the policy lets through, in the
// shape a SCSI pass-through takes.
class StandInDrive final : public transport::ScsiDevice {
public:
    transport::ScsiResult Execute(const transport::ScsiRequest& request) override {
        fuzz::CheckRequestShape(request);
        helper::CommandShape shape;
        shape.cdb = request.cdb;
        shape.cdb_length = request.cdb_length;
        shape.direction = request.direction;
        shape.transfer_length = static_cast<std::uint32_t>(request.data.size());
        QX7_FUZZ_CHECK(helper::CommandRefusal(shape).empty());
        for (std::size_t i = 0; i < request.data.size(); ++i) {
            if (request.direction == transport::DataDirection::In) {
                request.data[i] = static_cast<std::uint8_t>(i * 31 + request.cdb[2]);
            }
        }
        return {true, 0, static_cast<std::uint32_t>(request.data.size())};
    }
};

class StandInOpener final : public helper::NodeOpener {
public:
    std::unique_ptr<transport::ScsiDevice> Open(const std::string& path, std::string* refusal) override {
        const std::string_view prefix = "/dev/sg";
        const bool digits = path.size() > prefix.size() &&
                            std::all_of(path.begin() + static_cast<std::ptrdiff_t>(prefix.size()), path.end(),
                                        [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
        if (!path.starts_with(prefix) || !digits) {
            *refusal = path + ": not a node of a QX7";
            return nullptr;
        }
        return std::make_unique<StandInDrive>();
    }
};

// An in-memory file; closed when it goes.
class MemoryFile {
public:
    MemoryFile() : fd_(::memfd_create("qx7-fuzz", MFD_CLOEXEC)) { QX7_FUZZ_CHECK(fd_ >= 0); }
    ~MemoryFile() { ::close(fd_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    int fd() const { return fd_; }
    void Rewind() { QX7_FUZZ_CHECK(::lseek(fd_, 0, SEEK_SET) == 0); }

private:
    int fd_;
};

// Decoding and encoding again gives the same bytes, in both directions: a
// message has one encoding, so nothing in a frame goes unread.
void CheckPayloadRoundTrips(std::span<const std::uint8_t> payload) {
    if (const auto request = sg::DecodeRequest(payload, nullptr)) {
        const std::vector<std::uint8_t> again = sg::EncodeRequest(*request);
        QX7_FUZZ_CHECK(std::ranges::equal(again, payload));
    }
    if (const auto reply = sg::DecodeReply(payload, nullptr)) {
        const std::vector<std::uint8_t> again = sg::EncodeReply(*reply);
        QX7_FUZZ_CHECK(std::ranges::equal(again, payload));
        // The program never takes more data than the command transferred.
        QX7_FUZZ_CHECK(reply->data_in.size() <= reply->result.transferred);
    }
}

// The frames of `fd` from its start, as the program reads them.
std::vector<std::vector<std::uint8_t>> ReadFrames(MemoryFile& file, sg::FrameStatus& last) {
    file.Rewind();
    std::vector<std::vector<std::uint8_t>> frames;
    std::vector<std::uint8_t> payload;
    while ((last = sg::ReadFrame(file.fd(), payload)) == sg::FrameStatus::Ok) frames.push_back(payload);
    return frames;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemoryFile in;
    QX7_FUZZ_CHECK(size == 0 || ::write(in.fd(), data, size) == static_cast<ssize_t>(size));
    sg::FrameStatus input_end = sg::FrameStatus::End;
    const auto requests = ReadFrames(in, input_end);
    for (const auto& payload : requests) CheckPayloadRoundTrips(payload);

    in.Rewind();
    MemoryFile out;
    StandInOpener opener;
    std::ostream silent(nullptr);
    const int exit_code = helper::Serve(in.fd(), out.fd(), opener, silent);

    // One reply per whole request, and one more when the input broke off
    // inside a frame or its length was out of range; every reply is a
    // message the program can read.
    const bool broken = input_end != sg::FrameStatus::End;
    QX7_FUZZ_CHECK(exit_code == (broken ? helper::kExitProtocolBroken : helper::kExitInputClosed));
    sg::FrameStatus output_end = sg::FrameStatus::End;
    const auto replies = ReadFrames(out, output_end);
    QX7_FUZZ_CHECK(output_end == sg::FrameStatus::End);
    QX7_FUZZ_CHECK(replies.size() == requests.size() + (broken ? 1 : 0));
    for (std::size_t i = 0; i < replies.size(); ++i) {
        std::string why;
        const auto reply = sg::DecodeReply(replies[i], &why);
        QX7_FUZZ_CHECK(reply.has_value());
        QX7_FUZZ_CHECK(std::ranges::equal(sg::EncodeReply(*reply), replies[i]));
        if (i < requests.size() && !requests[i].empty()) QX7_FUZZ_CHECK(reply->request_type == requests[i][0]);
    }
    return 0;
}
