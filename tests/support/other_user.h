#pragma once

#include <filesystem>
#include <functional>
#include <sys/types.h>

namespace qv::test {

// The user the tests lend files and folders to when they run as root.
inline constexpr uid_t OTHER_USER = 4242;

// Runs `body` in a child process as a user whom file modes bind: uid OTHER_USER, to whom `folder`
// itself is lent, when the tests run as root (who passes every mode); the tests' own user, in
// this process, otherwise. Returns the body's result, or -1 when the child could not run it.
int asUserBoundByModes(const std::filesystem::path& folder, const std::function<int()>& body);

} // namespace qv::test
