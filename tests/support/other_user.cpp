#include "tests/support/other_user.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qv::test {

int asUserBoundByModes(const std::filesystem::path& folder, const std::function<int()>& body) {
    if (::geteuid() != 0) {
        return body();
    }
    if (::chown(folder.c_str(), OTHER_USER, OTHER_USER) != 0) {
        return -1;
    }
    // The folders on the way, the tests' own, must let the user through.
    const auto temporary = std::filesystem::temp_directory_path();
    for (auto up = folder.parent_path(); up.has_relative_path() && up != temporary;
         up = up.parent_path()) {
        std::filesystem::permissions(up, std::filesystem::perms::others_exec,
                                     std::filesystem::perm_options::add);
    }
    const pid_t child = ::fork();
    if (child < 0) {
        return -1;
    }
    if (child == 0) {
        const bool dropped =
            ::setgroups(0, nullptr) == 0 && ::setgid(OTHER_USER) == 0 && ::setuid(OTHER_USER) == 0;
        ::_exit(dropped ? body() : 100);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace qv::test
