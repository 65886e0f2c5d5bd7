#include "app/watch/watch_options.h"

namespace qv {
namespace {

std::optional<int> seconds(const std::string& text, int lowest, int highest) {
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const int value = std::stoi(text);
    return value >= lowest && value <= highest ? std::optional<int>(value) : std::nullopt;
}

// A number of seconds, once; false (with `error` set) otherwise.
bool setSeconds(std::optional<int>& slot, const std::string& option, const std::string& value,
                int lowest, int highest, std::string& error) {
    if (slot) {
        error = option + " is given twice";
        return false;
    }
    slot = seconds(value, lowest, highest);
    if (!slot) {
        error = option + " takes a number of seconds from " + std::to_string(lowest) + " to " +
                std::to_string(highest);
    }
    return slot.has_value();
}

} // namespace

std::optional<WatchOptions> parseWatchOptions(const std::vector<std::string>& arguments,
                                              std::string& error) {
    WatchOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        const bool known = option == "--data-dir" || option == "--read" ||
                           option == "--interface" || option == "--info" || option == "--mac" ||
                           option == "--checkpoint" || option == "--syslog" || option == "--exec" ||
                           option == "--exec-timeout";
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
        if (option == "--checkpoint" || option == "--exec-timeout") {
            const bool checkpoint = option == "--checkpoint";
            if (!setSeconds(checkpoint ? options.checkpoint : options.execTimeout, option, value,
                            checkpoint ? 0 : 1,
                            checkpoint ? MAX_CHECKPOINT_SECONDS : MAX_EXEC_SECONDS, error)) {
                return std::nullopt;
            }
            continue;
        }
        auto& slot = option == "--data-dir" ? options.dataDir
                     : option == "--read"   ? options.readCapture
                     : option == "--info"   ? options.info
                     : option == "--exec"   ? options.exec
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
                         options.checkpoint || options.syslog || options.exec)) {
        error = "--info goes alone, or with --mac";
        return std::nullopt;
    }
    if (options.execTimeout && !options.exec) {
        error = "--exec-timeout goes with --exec";
        return std::nullopt;
    }
    if (options.mac && !options.info) {
        error = "--mac goes with --info";
        return std::nullopt;
    }
    return options;
}

} // namespace qv
