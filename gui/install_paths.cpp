#include "gui/install_paths.h"

namespace qv {

std::string installedCaptureHelper() {
    return QUORVANE_INSTALLED_HELPER;
}

std::string installedDataFolder() {
    return QUORVANE_INSTALLED_DATA;
}

std::string installedDocFolder() {
    return QUORVANE_INSTALLED_DOC;
}

std::string buildTree() {
    return QUORVANE_BUILD_TREE;
}

} // namespace qv
