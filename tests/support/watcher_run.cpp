#include "tests/support/watcher_run.h"

#include <chrono>

#include "common/text_scanners.h"

#include "tests/support/process.h"

namespace qv::test {

WatcherRun runWatcher(const std::string& arguments, const std::string& prefix) {
    TempFolder outputs;
    const std::string out = (outputs / "out").string();
    const std::string err = (outputs / "err").string();
    BackgroundProcess process("LC_ALL=C TZ=UTC " + prefix + " " QV_BINARY_DIR "/quorvane-watch " +
                              arguments + " >" + out + " 2>" + err);
    WatcherRun run;
    run.status = process.wait(std::chrono::seconds(120)).value_or(-1);
    run.out = readText(out);
    run.err = readText(err);
    return run;
}

std::string eventAddressText(std::string_view details) {
    if (const IPv4Address ip = FindIPInText(details); ip != ZERO_IP) {
        return IPToText(ip);
    }
    return FindIPv6InText(details);
}

} // namespace qv::test
