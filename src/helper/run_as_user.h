#pragma once
// Defence in depth for the helper started through pkexec: it gives up root
// and runs as the user who asked for it, in the groups that own the SCSI
// generic nodes, so that its file access is the user's plus those nodes.
// Together with keeping only CAP_SYS_RAWIO (capabilities.h), a flaw in the
// node checks can no longer open a file that only root may open.

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <libudev.h>

namespace qx7::helper {

// The environment variable in which pkexec names the user who ran it.
inline constexpr const char* kRequestingUserVariable = "PKEXEC_UID";

// The group taken when no group of a SCSI generic node is known: the
// kernel's overflow group ("nogroup"), which owns nothing.
inline constexpr gid_t kNoGroup = 65534;

struct Identity {
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups;  // supplementary groups
};

// A user id written as pkexec writes it: decimal digits only, no sign, no
// spaces, within the range of uid_t and not the reserved (uid_t)-1; nothing
// otherwise.
std::optional<uid_t> ParseUserId(std::string_view text);

// The groups owning the nodes of the scsi_generic devices udev lists now,
// each once, in udev's order; root's group is left out (it would open more
// than the nodes).
std::vector<gid_t> GenericNodeGroups(udev* context);

// What the helper becomes for `uid`: the first node group as its group (or
// kNoGroup when there is none) and every node group as a supplementary group.
Identity IdentityFor(uid_t uid, const std::vector<gid_t>& node_groups);

// Sets the supplementary groups, then the real, effective and saved group
// and user ids to `identity`, keeping the permitted capabilities across the
// change of user so that CAP_SYS_RAWIO can be kept (KeepOnlyRawIoCapability
// must follow). Leaves the process not dumpable, so that the user it now
// runs as cannot attach to it or read its memory. False with *why set when
// any step fails or the ids did not all change.
bool BecomeUser(const Identity& identity, std::string* why);

}  // namespace qx7::helper
