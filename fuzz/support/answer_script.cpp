#include "support/answer_script.h"

#include <algorithm>
#include <numeric>

#include "support/fuzz_target.h"

namespace qx7::fuzz {

using transport::DataDirection;

void CheckRequestShape(const transport::ScsiRequest& request) {
    const std::size_t length = request.cdb_length;
    QX7_FUZZ_CHECK(length == 6 || length == 10 || length == 16);
    QX7_FUZZ_CHECK(std::all_of(request.cdb.begin() + static_cast<std::ptrdiff_t>(length), request.cdb.end(),
                               [](std::uint8_t b) { return b == 0; }));
    QX7_FUZZ_CHECK(request.data.size() <= transport::kMaxTransferLength);
    QX7_FUZZ_CHECK(request.direction != DataDirection::None || request.data.empty());
}

transport::ScsiResult AnswerScriptDevice::Execute(const transport::ScsiRequest& request) {
    CheckRequestShape(request);
    ++commands_;
    // Every byte a command sends must be readable (AddressSanitizer sees a
    // buffer that is shorter than the span claims).
    if (request.direction == DataDirection::Out) {
        volatile unsigned sum = std::accumulate(request.data.begin(), request.data.end(), 0u);
        (void)sum;
    }
    transport::ScsiResult result;
    if (answers_.empty()) return result;  // the drive is gone
    const std::uint8_t outcome = answers_.U8() % 3;
    result.io_ok = outcome != kAnswerIoError;
    result.scsi_status = outcome == kAnswerCheckCondition ? 0x02 : 0x00;
    if (request.direction == DataDirection::In) {
        const auto block = answers_.Block();
        const std::size_t count = std::min(block.size(), request.data.size());
        std::copy_n(block.begin(), count, request.data.begin());
        result.transferred = static_cast<std::uint32_t>(count);
    }
    return result;
}

transport::ScsiResult AnswerRecorder::Execute(const transport::ScsiRequest& request) {
    const transport::ScsiResult result = inner_.Execute(request);
    script_.U8(!result.io_ok ? kAnswerIoError : result.scsi_status != 0 ? kAnswerCheckCondition : kAnswerGood);
    if (request.direction == DataDirection::In) {
        const std::size_t count = std::min<std::size_t>(result.transferred, request.data.size());
        script_.Block(request.data.first(count));
    }
    return result;
}

}  // namespace qx7::fuzz
