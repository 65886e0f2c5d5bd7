#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// The folder that holds the program's files. The program uses /var/lib/Quorvane; tests and the
// watcher's --data-dir give another one.
class DataFolder {
public:
    static constexpr const char* SYSTEM_ROOT = "/var/lib";
    static constexpr const char* FOLDER_NAME = "Quorvane";

    explicit DataFolder(std::filesystem::path folder) : m_folder(std::move(folder)) {}

    // The folder named Quorvane under a common data root.
    static DataFolder underRoot(const std::filesystem::path& root) {
        return DataFolder(root / FOLDER_NAME);
    }

    // The full path of a file in the folder. The folder and any missing parents are created on
    // every call, so a folder removed while the program runs comes back; failures are silent and
    // show up as a failure to open the file.
    std::string DataFilePath(std::string_view fileName) const;

    const std::filesystem::path& folder() const { return m_folder; }

    // Why files cannot be written in the folder (it cannot be created, or a new file cannot be
    // made in it), or nothing when they can. Leaves no file behind.
    std::optional<std::string> writeProblem() const;

private:
    std::filesystem::path m_folder;
};

} // namespace qv
