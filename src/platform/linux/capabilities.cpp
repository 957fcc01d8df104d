#include "platform/linux/capabilities.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace qx7::platform {
namespace {

constexpr unsigned kWords = _LINUX_CAPABILITY_U32S_3;
constexpr unsigned kRawIoWord = CAP_SYS_RAWIO / 32;
constexpr std::uint32_t kRawIoBit = 1u << (CAP_SYS_RAWIO % 32);

struct CapabilitySets {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[kWords]{};
};

bool GetCapabilities(CapabilitySets& sets) { return ::syscall(SYS_capget, &sets.header, sets.data) == 0; }

}  // namespace

bool HasRawIoCapability() {
    CapabilitySets sets;
    return GetCapabilities(sets) && (sets.data[kRawIoWord].effective & kRawIoBit) != 0;
}

bool KeepOnlyRawIoCapability(std::string* why) {
    CapabilitySets sets;
    if (!GetCapabilities(sets)) {
        *why = std::string("capget: ") + std::strerror(errno);
        return false;
    }
    for (unsigned word = 0; word < kWords; ++word) {
        const std::uint32_t keep = word == kRawIoWord ? kRawIoBit : 0;
        // Raised from the permitted set: a change of user with the
        // capabilities kept empties the effective set.
        sets.data[word].effective = sets.data[word].permitted & keep;
        sets.data[word].permitted &= keep;
        sets.data[word].inheritable = 0;
    }
    if (::syscall(SYS_capset, &sets.header, sets.data) != 0) {
        *why = std::string("capset: ") + std::strerror(errno);
        return false;
    }
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        *why = std::string("PR_SET_NO_NEW_PRIVS: ") + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace qx7::platform
