// The helper program run as a real child process, and what the user is
// told when it cannot be started.

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "helper/helper_server.h"
#include "platform/linux/helper_protocol.h"
#include "platform/linux/scsi_opener.h"
#include "support/temp_folder.h"

extern char** environ;

namespace qx7::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The helper binary with one end of a socket pair as its stdin and stdout.
class HelperProcess {
public:
    HelperProcess() {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
        char* argv[] = {const_cast<char*>(QX7_SCSI_HELPER_PATH), nullptr};
        if (posix_spawn(&pid_, QX7_SCSI_HELPER_PATH, &actions, nullptr, argv, environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(ends[1]);
        socket_ = ends[0];
    }
    ~HelperProcess() {
        if (socket_ >= 0) ::close(socket_);
        if (pid_ > 0) Wait();
    }

    bool started() const { return pid_ > 0; }
    void SendRaw(const Bytes& bytes) {
        ASSERT_EQ(::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
    }
    void Send(const Bytes& payload) { ASSERT_TRUE(WriteFrame(socket_, payload)); }
    std::optional<Reply> Receive() {
        Bytes payload;
        if (ReadFrame(socket_, payload) != FrameStatus::Ok) return std::nullopt;
        std::string why;
        return DecodeReply(payload, &why);
    }
    void CloseInput() { ::shutdown(socket_, SHUT_WR); }
    // The helper's exit code; -1 when a signal ended it.
    int Wait() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int socket_ = -1;
};

TEST(ScsiHelperProcess, AnswersMalformedRequestsAndEndsWhenItsInputCloses) {
    HelperProcess helper;
    ASSERT_TRUE(helper.started());
    const std::pair<Bytes, ReplyStatus> exchanges[] = {
        {{0x7F, 1, 2}, ReplyStatus::Malformed},                          // unknown request type
        {{3, 1, 0}, ReplyStatus::Malformed},                             // execute cut short
        {EncodeRequest(OpenRequest{"/dev/sg1"}), ReplyStatus::Refused},  // before the hello
        {EncodeRequest(HelloRequest{}), ReplyStatus::Ok},
        {{2, 4, 0, '/', 0, 'x', 'y'}, ReplyStatus::Malformed},   // NUL in the path
        {EncodeRequest(CloseRequest{5}), ReplyStatus::Refused},  // no such handle
        {EncodeRequest(OpenRequest{"/etc/shadow"}), ReplyStatus::Refused},
    };
    for (const auto& [request, status] : exchanges) {
        helper.Send(request);
        const auto reply = helper.Receive();
        ASSERT_TRUE(reply) << int(request[0]);
        EXPECT_EQ(reply->status, status) << int(request[0]) << ": " << reply->message;
    }
    helper.CloseInput();
    EXPECT_EQ(helper.Wait(), qx7::helper::kExitInputClosed);
}

TEST(ScsiHelperProcess, StopsWithoutCrashingWhenFramingIsLost) {
    {
        HelperProcess helper;
        helper.SendRaw({0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3});
        const auto reply = helper.Receive();
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, ReplyStatus::Malformed);
        EXPECT_EQ(helper.Wait(), qx7::helper::kExitProtocolBroken);
    }
    {
        HelperProcess helper;
        helper.SendRaw({40, 0, 0, 0, 1, 0x51});  // a frame that never ends
        helper.CloseInput();
        EXPECT_EQ(helper.Wait(), qx7::helper::kExitProtocolBroken);
    }
}

class HelperLaunchFailure : public ::testing::Test {
protected:
    // A stand-in for pkexec that counts its runs and exits with `code`.
    std::string FakePkexec(int code) {
        const std::string path = (dir_ / ("pkexec-" + std::to_string(code))).string();
        std::ofstream(path) << "#!/bin/sh\necho run >> '" << (dir_ / "runs").string() << "'\nexit " << code << "\n";
        ::chmod(path.c_str(), 0755);
        return path;
    }
    std::size_t Runs() const {
        std::ifstream in(dir_ / "runs");
        std::size_t lines = 0;
        for (std::string line; std::getline(in, line);) ++lines;
        return lines;
    }

    qx7::test::TempFolder temp_{"qx7-launch"};
    const std::filesystem::path& dir_ = temp_.path();
};

TEST_F(HelperLaunchFailure, TellsTheUserWhatToDoAndAsksOnlyOnce) {
    struct Case {
        const char* name;
        HelperLaunch launch;
        const char* says;
    };
    const Case cases[] = {
        {"refused", {{FakePkexec(126), "/bin/true"}, true}, "authentication was refused or cancelled"},
        {"no agent", {{FakePkexec(127), "/bin/true"}, true}, "no polkit authentication agent"},
        {"no pkexec", {{"/nonexistent/pkexec", "/bin/true"}, true}, "pkexec (/nonexistent/pkexec) is not installed"},
        {"no helper", {{"/bin/true", "/nonexistent/qx7-scsi-helper"}, true}, "not installed at"},
        {"not a helper", DirectLaunch("/bin/true"), "did not start (exit code 0)"},
    };
    // The command-line tool suggests itself under sudo; the window names no
    // other program.
    for (const HelperAdvice advice : {HelperAdvice::CommandLine, HelperAdvice::Window}) {
        for (Case c : cases) {
            c.launch.advice = advice;
            std::filesystem::remove(dir_ / "runs");
            std::vector<std::string> told;
            HelperOpener opener(c.launch, [&told](const std::string& text) { told.push_back(text); });
            for (int attempt = 0; attempt < 2; ++attempt) {
                std::string why;
                EXPECT_FALSE(opener.Open("/dev/sg1", &why)) << c.name;
                EXPECT_NE(why.find(c.says), std::string::npos) << c.name << ": " << why;
                if (advice == HelperAdvice::CommandLine) {
                    EXPECT_NE(why.find("sudo qx7ctl"), std::string::npos) << c.name << ": " << why;
                } else {
                    EXPECT_EQ(why.find("qx7ctl"), std::string::npos) << c.name << ": " << why;
                    EXPECT_NE(why.find("start the configurator as root."), std::string::npos) << c.name << ": " << why;
                }
            }
            EXPECT_EQ(told.size(), 1u) << c.name;
            EXPECT_EQ(opener.Unavailable(), told.empty() ? "" : told[0]) << c.name;
            EXPECT_LE(Runs(), 1u) << c.name;
        }
    }
}

TEST(HelperPolkitAction, NamesTheHelperPathThatPkexecIsGiven) {
    std::ifstream in(QX7_POLKIT_POLICY_PATH);
    const std::string policy((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const HelperLaunch launch = PkexecLaunch();
    ASSERT_EQ(launch.command.size(), 2u);
    EXPECT_EQ(launch.command[0], kPkexecPath);
    EXPECT_NE(policy.find("<annotate key=\"org.freedesktop.policykit.exec.path\">" + launch.command[1] + "</annotate>"),
              std::string::npos)
        << policy;
    EXPECT_NE(policy.find("<allow_active>auth_admin_keep</allow_active>"), std::string::npos);
}

}  // namespace
}  // namespace qx7::platform
