#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>

namespace qv::test {

// A shell command run in the background; killed when still running at the end of the test.
class BackgroundProcess {
public:
    explicit BackgroundProcess(const std::string& command);
    ~BackgroundProcess();
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    // The exit status, or nothing when it did not end within `limit`.
    std::optional<int> wait(std::chrono::milliseconds limit);
    void signal(int number);

private:
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

// Waits until `path` holds `text`, polling; false after `limit`.
bool waitForFileText(const std::string& path, const std::string& text,
                     std::chrono::milliseconds limit);

} // namespace qv::test
