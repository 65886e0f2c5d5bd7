#pragma once

#include <string>

namespace qv {

// Gives up every capability for good: the permitted, effective, inheritable and ambient sets are
// emptied and no later exec can grant new privileges. False, with `error` set, when the kernel
// refused or a capability is still held afterwards.
bool dropAllCapabilities(std::string& error);

} // namespace qv
