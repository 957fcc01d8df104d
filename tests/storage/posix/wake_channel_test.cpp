// The wake-up that ends a watcher's wait: kept until a wait ends on it, and
// working across threads.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "storage/posix/file_descriptor.h"

namespace qx7::storage {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

TEST(WakeChannel, ASignalIsKeptUntilAWaitEndsOnItThenCleared) {
    WakeChannel wake;
    ASSERT_TRUE(wake.valid());
    EXPECT_FALSE(wake.WaitReadable(-1, milliseconds(0)));
    wake.Signal();
    wake.Signal();  // two signals before a wait end one wait
    EXPECT_TRUE(wake.WaitReadable(-1, seconds(30)));
    EXPECT_FALSE(wake.WaitReadable(-1, milliseconds(0)));
}

TEST(WakeChannel, EndsAWaitFromAnotherThreadAndReportsAReadableDescriptor) {
    WakeChannel wake;
    std::thread waker([&] { wake.Signal(); });
    EXPECT_TRUE(wake.WaitReadable(-1, seconds(30)));
    waker.join();

    int pipe_fds[2];
    ASSERT_EQ(::pipe(pipe_fds), 0);
    FileDescriptor read_end(pipe_fds[0]);
    FileDescriptor write_end(pipe_fds[1]);
    EXPECT_FALSE(wake.WaitReadable(read_end.get(), milliseconds(0)));
    const std::uint8_t byte = 1;
    ASSERT_TRUE(WriteAll(write_end.get(), std::span(&byte, 1)));
    // Readable stays readable: the wait does not read the descriptor.
    EXPECT_TRUE(wake.WaitReadable(read_end.get(), milliseconds(0)));
    EXPECT_TRUE(wake.WaitReadable(read_end.get(), milliseconds(0)));
}

}  // namespace
}  // namespace qx7::storage
