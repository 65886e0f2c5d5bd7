#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qv::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end
// of the test.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

std::vector<std::uint8_t> readBytes(const std::filesystem::path& path);
std::string readText(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
void writeText(const std::filesystem::path& path, const std::string& text);

} // namespace qv::test
