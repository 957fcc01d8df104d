#include "helper/run_as_user.h"

#include <grp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/linux/udev_tree.h"

namespace qx7::helper {
namespace {

bool Failed(const char* step, std::string* why) {
    *why = std::string(step) + ": " + std::strerror(errno);
    return false;
}

}  // namespace

std::optional<uid_t> ParseUserId(std::string_view text) {
    if (text.empty() || text.size() > std::numeric_limits<uid_t>::digits10 + 1) return std::nullopt;
    unsigned long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    // (uid_t)-1 means "no change" to the set*id calls.
    if (value >= std::numeric_limits<uid_t>::max()) return std::nullopt;
    return static_cast<uid_t>(value);
}

std::vector<gid_t> GenericNodeGroups(udev* context) {
    std::vector<gid_t> groups;
    platform::ForEachDevice(context, "scsi_generic", nullptr, [&groups](udev_device* device) {
        const char* node = udev_device_get_devnode(device);
        struct stat info {};
        if (node == nullptr || ::lstat(node, &info) != 0 || !S_ISCHR(info.st_mode)) return;
        if (info.st_gid == 0 || std::find(groups.begin(), groups.end(), info.st_gid) != groups.end()) return;
        groups.push_back(info.st_gid);
    });
    return groups;
}

Identity IdentityFor(uid_t uid, const std::vector<gid_t>& node_groups) {
    return {uid, node_groups.empty() ? kNoGroup : node_groups.front(), node_groups};
}

bool BecomeUser(const Identity& identity, std::string* why) {
    if (::prctl(PR_SET_KEEPCAPS, 1, 0, 0, 0) != 0) return Failed("PR_SET_KEEPCAPS", why);
    if (::setgroups(identity.groups.size(), identity.groups.data()) != 0) return Failed("setgroups", why);
    if (::setresgid(identity.gid, identity.gid, identity.gid) != 0) return Failed("setresgid", why);
    if (::setresuid(identity.uid, identity.uid, identity.uid) != 0) return Failed("setresuid", why);
    if (::prctl(PR_SET_KEEPCAPS, 0, 0, 0, 0) != 0) return Failed("PR_SET_KEEPCAPS", why);
    if (::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) != 0) return Failed("PR_SET_DUMPABLE", why);
    uid_t ruid = 0, euid = 0, suid = 0;
    gid_t rgid = 0, egid = 0, sgid = 0;
    if (::getresuid(&ruid, &euid, &suid) != 0 || ::getresgid(&rgid, &egid, &sgid) != 0) {
        return Failed("getresuid", why);
    }
    if (ruid != identity.uid || euid != identity.uid || suid != identity.uid || rgid != identity.gid ||
        egid != identity.gid || sgid != identity.gid) {
        *why = "the user and group ids did not all change";
        return false;
    }
    return true;
}

}  // namespace qx7::helper
