#include "app/watch/watch_options.h"

namespace qv {

std::optional<WatchOptions> parseWatchOptions(const std::vector<std::string>& arguments,
                                              std::string& error) {
    WatchOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        const bool known = option == "--data-dir" || option == "--read" ||
                           option == "--interface" || option == "--info" || option == "--mac";
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
    if (options.info && (options.readCapture || !options.interfaces.empty() || options.dataDir)) {
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
