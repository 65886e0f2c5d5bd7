#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/packet_driver.h"

namespace qv {

inline constexpr const char* CAPTURE_HELPER_NAME = "quorvane-capture";

// The packet driver of a program that holds no privilege: each adapter is opened by a capture
// helper process of its own (the only file with the capture capabilities), which streams the
// frames back through a pipe in the read buffer's layout. Adapters are listed by `lister`, which
// needs no privilege. A helper that cannot start, does not answer or refuses is an adapter that
// could not be opened; a helper that dies while capturing makes the read throw, which ends that
// capture as failed. The helper ends with its source, and by itself when its parent ends.
class HelperDriver final : public PacketDriver {
public:
    HelperDriver(std::string helperPath, PacketDriver& lister);

    std::vector<AdapterInfo> listAdapters() override { return m_lister.listAdapters(); }
    std::unique_ptr<CaptureSource> openAdapter(const std::string& name,
                                               std::string& error) override;

    const std::string& helperPath() const { return m_helperPath; }

private:
    std::string m_helperPath;
    PacketDriver& m_lister;
};

// The helper a program in `programFolder` should run: the first of the helper beside the program,
// the one in ../libexec/quorvane, and `installedPath`, that is executable and carries file
// capabilities (or any, for a program running as root); failing that, the first one that exists,
// so that starting it says why it cannot capture.
std::string findCaptureHelper(const std::string& programFolder, const std::string& installedPath);
// The first of those that this process can run and that can capture; nothing when none (the user
// is not in the helper's group, or no helper carries the capabilities).
std::optional<std::string> usableCaptureHelper(const std::string& programFolder,
                                               const std::string& installedPath);

} // namespace qv
