#include "app/watch/watch_options.h"

namespace qv {
namespace {

std::optional<int> seconds(const std::string& text) {
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const int value = std::stoi(text);
    return value <= MAX_CHECKPOINT_SECONDS ? std::optional<int>(value) : std::nullopt;
}

} // namespace

std::optional<WatchOptions> parseWatchOptions(const std::vector<std::string>& arguments,
                                              std::string& error) {
    WatchOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        const bool known = option == "--data-dir" || option == "--read" ||
                           option == "--interface" || option == "--info" || option == "--mac" ||
                           option == "--checkpoint" || option == "--syslog";
        if (!known) {
            error = "unknown option " + option;
            return std::nullopt;
        }
        if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
            error = option + " needs a value";
            return std::nullopt;
        }
        const std::string& value = arguments[++i];
        if (option == "--interface") {
            options.interfaces.push_back(value);
            continue;
        }
        if (option == "--syslog") {
            if (options.syslog) {
                error = option + " is given twice";
                return std::nullopt;
            }
            options.syslog = parseSyslogTarget(value, error);
            if (!options.syslog) {
                return std::nullopt;
            }
            continue;
        }
        if (option == "--checkpoint") {
            if (options.checkpoint) {
                error = option + " is given twice";
                return std::nullopt;
            }
            options.checkpoint = seconds(value);
            if (!options.checkpoint) {
                error = option + " takes a number of seconds from 0 to " +
                        std::to_string(MAX_CHECKPOINT_SECONDS);
                return std::nullopt;
            }
            continue;
        }
        auto& slot = option == "--data-dir" ? options.dataDir
                     : option == "--read"   ? options.readCapture
                     : option == "--info"   ? options.info
                                            : options.mac;
        if (slot) {
            error = option + " is given twice";
            return std::nullopt;
        }
        slot = value;
    }
    if (options.readCapture && !options.interfaces.empty()) {
        error = "--read and --interface exclude each other";
        return std::nullopt;
    }
    if (options.info && (options.readCapture || !options.interfaces.empty() || options.dataDir ||
                         options.checkpoint || options.syslog)) {
        error = "--info goes alone, or with --mac";
        return std::nullopt;
    }
    if (options.mac && !options.info) {
        error = "--mac goes with --info";
        return std::nullopt;
    }
    return options;
}

} // namespace qv
