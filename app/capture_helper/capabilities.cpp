#include "app/capture_helper/capabilities.h"

#include <cerrno>
#include <cstring>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace qv {
namespace {

using CapabilitySets = __user_cap_data_struct[_LINUX_CAPABILITY_U32S_3];

bool capabilities(CapabilitySets& sets) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capget, &header, sets) == 0;
}

} // namespace

bool dropAllCapabilities(std::string& error) {
    if (::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) != 0 && errno != EINVAL) {
        error = std::string("cannot clear the ambient capabilities: ") + std::strerror(errno);
        return false;
    }
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    CapabilitySets none{};
    if (::syscall(SYS_capset, &header, none) != 0) {
        error = std::string("cannot drop the capabilities: ") + std::strerror(errno);
        return false;
    }
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        error = std::string("cannot forbid new privileges: ") + std::strerror(errno);
        return false;
    }
    CapabilitySets now{};
    if (!capabilities(now)) {
        error = std::string("cannot read the capabilities: ") + std::strerror(errno);
        return false;
    }
    for (const auto& set : now) {
        if (set.effective != 0 || set.permitted != 0 || set.inheritable != 0) {
            error = "a capability is still held after dropping them all";
            return false;
        }
    }
    return true;
}

} // namespace qv
