#pragma once

#include <string>

#include "common/addresses.h"

namespace qv {

// What the information window is asked about: the address, its text as the table showed it, and
// the MAC that went with it (possibly empty).
struct IpInfoTarget {
    IPAddress address{};
    std::string addressText;
    std::string macText;
};

// The IP-tools windows the tables' menu opens: the one narrow way from the main window to them.
class IpTools {
public:
    virtual ~IpTools() = default;
    virtual void showInfoAboutIp(const IpInfoTarget& target) = 0;
    virtual void showSendMessage(const std::string& target) = 0;
};

} // namespace qv
