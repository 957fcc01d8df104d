// The helper started through pkexec runs as the user who asked, in the
// groups of the SCSI generic nodes, with CAP_SYS_RAWIO alone: root's files
// are out of its reach whatever its node checks let through. These tests
// change user ids and need root; elsewhere they skip.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "helper/helper_server.h"
#include "helper/run_as_user.h"
#include "platform/linux/capabilities.h"
#include "platform/linux/helper_protocol.h"
#include "support/temp_folder.h"

extern char** environ;

namespace qx7::helper {
namespace {

constexpr uid_t kUser = 65534;
constexpr gid_t kNodeGroup = 4242;  // stands for the group of the sg nodes

// A folder anyone may enter, holding a file only root may open and a file
// root's node group may open, as the sg nodes are.
class RootOnlyFiles : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "changing user ids needs root";
        ::chmod(dir_.c_str(), 0755);
        root_only_ = (dir_ / "root-only").string();
        group_node_ = (dir_ / "group-node").string();
        std::ofstream(root_only_) << "secret";
        std::ofstream(group_node_) << "node";
        ASSERT_EQ(::chmod(root_only_.c_str(), 0600), 0);
        ASSERT_EQ(::chown(group_node_.c_str(), 0, kNodeGroup), 0);
        ASSERT_EQ(::chmod(group_node_.c_str(), 0660), 0);
    }
    qx7::test::TempFolder temp_{"qx7-drop"};
    const std::filesystem::path& dir_ = temp_.path();
    std::string root_only_;
    std::string group_node_;
};

// What a child found after the helper's own drop, one letter per fault
// (exit code 0 when all is as it should be).
enum ChildFault {
    kDropFailed = 1,
    kCapsFailed,
    kStillRoot,
    kOpenedRootFile,
    kWrongError,
    kNodeGroupDenied,
    kNoRawIo,
    kRegainedRoot,
};

int DropAndProbe(const std::string& root_only, const std::string& group_node) {
    std::string why;
    if (!BecomeUser(IdentityFor(kUser, {kNodeGroup}), &why)) return kDropFailed;
    if (!platform::KeepOnlyRawIoCapability(&why)) return kCapsFailed;
    if (::getuid() != kUser || ::geteuid() != kUser || ::getegid() != kNodeGroup) return kStillRoot;
    const int secret = ::open(root_only.c_str(), O_RDONLY | O_CLOEXEC);
    if (secret >= 0) return kOpenedRootFile;
    if (errno != EACCES) return kWrongError;
    const int node = ::open(group_node.c_str(), O_RDWR | O_CLOEXEC);
    if (node < 0) return kNodeGroupDenied;
    ::close(node);
    if (!platform::HasRawIoCapability()) return kNoRawIo;
    if (::setuid(0) == 0 || ::seteuid(0) == 0) return kRegainedRoot;
    return 0;
}

TEST_F(RootOnlyFiles, TheDroppedHelperCannotOpenThemButKeepsItsNodesAndRawIo) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(DropAndProbe(root_only_, group_node_));
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "fault " << WEXITSTATUS(status) << " (see ChildFault)";
    // Root itself still opens the file: the test proves the drop, not the file.
    EXPECT_GE(::open(root_only_.c_str(), O_RDONLY | O_CLOEXEC), 0);
}

TEST(RequestingUser, ReadsOnlyAPlainUserId) {
    EXPECT_EQ(ParseUserId("1000"), 1000u);
    EXPECT_EQ(ParseUserId("0"), 0u);
    EXPECT_EQ(ParseUserId("4294967294"), 4294967294u);
    for (const char* bad : {"", "-1", "+5", " 5", "5 ", "1e3", "0x10", "4294967295", "99999999999", "x"}) {
        EXPECT_FALSE(ParseUserId(bad)) << bad;
    }
    EXPECT_EQ(IdentityFor(1000, {}).gid, kNoGroup);
    EXPECT_TRUE(IdentityFor(1000, {}).groups.empty());
    const Identity with_nodes = IdentityFor(1000, {6, 24});
    EXPECT_EQ(with_nodes.gid, 6u);
    EXPECT_EQ(with_nodes.groups, (std::vector<gid_t>{6, 24}));
}

// One line of /proc/<pid>/status, after its name and the tab.
std::string StatusLine(pid_t pid, const std::string& name) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(name + ":\t", 0) == 0) return line.substr(name.size() + 2);
    }
    return {};
}

// The helper program itself, started with the variable pkexec sets: it
// answers as the user, with CAP_SYS_RAWIO alone.
TEST(ScsiHelperAsRequestingUser, RunsAsTheUserWithRawIoAlone) {
    if (::geteuid() != 0) GTEST_SKIP() << "changing user ids needs root";
    const auto start = [](const char* uid_text, int* socket_out) -> pid_t {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return -1;
        std::vector<std::string> env_text;
        for (char** e = environ; *e != nullptr; ++e) {
            if (std::string(*e).rfind("PKEXEC_UID=", 0) != 0) env_text.emplace_back(*e);
        }
        env_text.push_back(std::string("PKEXEC_UID=") + uid_text);
        std::vector<char*> env;
        for (auto& text : env_text) env.push_back(text.data());
        env.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
        char* argv[] = {const_cast<char*>(QX7_SCSI_HELPER_PATH), nullptr};
        pid_t pid = -1;
        if (posix_spawn(&pid, QX7_SCSI_HELPER_PATH, &actions, nullptr, argv, env.data()) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(ends[1]);
        *socket_out = ends[0];
        return pid;
    };
    const auto finish = [](pid_t pid, int socket) {
        ::close(socket);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };

    int socket = -1;
    const pid_t helper = start("65534", &socket);
    ASSERT_GT(helper, 0);
    // Once it answers the hello, it has settled who it is.
    ASSERT_TRUE(platform::WriteFrame(socket, platform::EncodeRequest(platform::HelloRequest{})));
    std::vector<std::uint8_t> payload;
    ASSERT_EQ(platform::ReadFrame(socket, payload), platform::FrameStatus::Ok);
    EXPECT_EQ(StatusLine(helper, "Uid"), "65534\t65534\t65534\t65534");
    EXPECT_EQ(StatusLine(helper, "CapEff"), "0000000000020000");
    EXPECT_EQ(StatusLine(helper, "CapPrm"), "0000000000020000");
    EXPECT_EQ(StatusLine(helper, "CapInh"), "0000000000000000");
    EXPECT_EQ(StatusLine(helper, "NoNewPrivs"), "1");
    EXPECT_EQ(finish(helper, socket), kExitInputClosed);

    // A variable that is not a user id stops it before it serves anything.
    const pid_t refused = start("65534x", &socket);
    ASSERT_GT(refused, 0);
    EXPECT_EQ(finish(refused, socket), kExitStartFailed);
}

}  // namespace
}  // namespace qx7::helper
