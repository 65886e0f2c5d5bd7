#include "common/data_folder.h"

#include <system_error>

namespace qv {

std::string DataFolder::DataFilePath(std::string_view fileName) const {
    std::error_code ignored;
    std::filesystem::create_directories(m_folder, ignored);
    return (m_folder / fileName).string();
}

} // namespace qv
