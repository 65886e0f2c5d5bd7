// The capture helper: the only program with the capture capabilities. It opens one Ethernet
// adapter with libpcap, gives up every capability, and streams the captured frames to its parent
// through its standard output (see engine/helper/helper_protocol.h). It takes nothing from its
// environment, ends when its parent closes its standard input or ends, and never outlives it.

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/prctl.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "app/capture_helper/capabilities.h"
#include "app/capture_helper/helper_arguments.h"
#include "common/file_io.h"
#include "engine/helper/helper_protocol.h"
#include "engine/pcap/pcap_driver.h"
#include "engine/pcap/pcap_library.h"

namespace {

using namespace qv;

int fail(const std::string& reason) {
    // A parent that is gone hears nothing either way: the status says it.
    static_cast<void>(
        writeAll(STDOUT_FILENO, encodeTextMessage(HelperMessageType::Failed, reason)));
    return 1;
}

bool isAdapter(PcapDriver& driver, const std::string& name) {
    const auto adapters = driver.listAdapters();
    return std::any_of(adapters.begin(), adapters.end(),
                       [&](const AdapterInfo& a) { return a.name == name; });
}

// The parent closing our input, or ending, ends the helper at once: it has nothing to save.
void endWithParentInput() {
    std::thread([] {
        char ignored[64];
        for (;;) {
            const ssize_t got = ::read(STDIN_FILENO, ignored, sizeof ignored);
            if (got == 0 || (got < 0 && errno != EINTR)) {
                std::_Exit(0);
            }
        }
    }).detach();
}

// Streams reads until the parent stops listening.
int stream(CaptureSource& source) {
    std::vector<std::uint8_t> buffer(CAPTURE_BUFFER_SIZE);
    for (;;) {
        const ReadResult read = source.read(buffer);
        const std::size_t bytes = std::min(read.bytes, buffer.size());
        const auto header =
            encodeHelperHeader(HelperMessageType::Frames,
                               static_cast<std::uint32_t>(HELPER_FRAMES_PREFIX_SIZE + bytes));
        const auto prefix = encodeFramesPrefix({source.counters(), read.full});
        if (!writeAll(STDOUT_FILENO, header) || !writeAll(STDOUT_FILENO, prefix) ||
            !writeAll(STDOUT_FILENO, std::span<const std::uint8_t>(buffer).first(bytes))) {
            return 0;
        }
    }
}

int capture(const std::string& adapter) {
    if (bindPacketDriver() != 0) {
        return fail("libpcap is missing or incomplete: install the package libpcap0.8");
    }
    PcapDriver driver;
    if (!isAdapter(driver, adapter)) {
        return fail("there is no Ethernet adapter " + adapter);
    }
    std::string error;
    const std::unique_ptr<CaptureSource> source = driver.openAdapter(adapter, error);
    if (!source) {
        return fail(error);
    }
    if (!dropAllCapabilities(error)) {
        return fail(error);
    }
    const auto opened = encodeHelperHeader(HelperMessageType::Opened, 0);
    if (!writeAll(STDOUT_FILENO, opened)) {
        return 0;
    }
    endWithParentInput();
    return stream(*source);
}

} // namespace

int main(int argc, char** argv) {
    ::clearenv();
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() == 1) {
        return 1; // the parent is already gone
    }
    std::signal(SIGPIPE, SIG_IGN);
    std::string error;
    const auto adapter =
        parseHelperArguments(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!adapter) {
        std::fprintf(stderr, "quorvane-capture: %s\n%s", error.c_str(), CAPTURE_HELPER_USAGE);
        return 2;
    }
    if (::isatty(STDOUT_FILENO)) {
        std::fprintf(stderr, "quorvane-capture: its output is for the Quorvane program, not a "
                             "terminal\n");
        return 2;
    }
    return capture(*adapter);
}
