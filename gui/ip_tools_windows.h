#pragma once

#include <functional>

#include <QWidget>

#include "gui/ip_info_window.h"
#include "gui/ip_tools.h"

namespace qv {

class MessageDispatcher;

// The IP-tools windows as the tables' menu opens them: each shown modally and destroyed after it
// closes. A message typed in the send window goes out through a send job of its own.
class IpToolsWindows final : public IpTools {
public:
    IpToolsWindows(MessageDispatcher& dispatcher, StationLookups lookups = {});

    void showInfoAboutIp(const IpInfoTarget& target) override;
    void showSendMessage(const std::string& target) override;
    void setParent(QWidget* parent) { m_parent = parent; }

private:
    MessageDispatcher& m_dispatcher;
    StationLookups m_lookups;
    QWidget* m_parent = nullptr;
};

} // namespace qv
