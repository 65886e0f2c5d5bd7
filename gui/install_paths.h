#pragma once

#include <string>

namespace qv {

// Where `cmake --install` puts the program's parts, each with a trailing "/" but the helper, and
// the build tree the program was built in. The one file built with the install's paths, so that
// builds for other prefixes (the Debian package's) share every other object.
std::string installedCaptureHelper();
std::string installedDataFolder();
std::string installedDocFolder();
std::string buildTree();

} // namespace qv
