#include "gui/ip_tools_windows.h"

#include "gui/send_message_window.h"
#include "iptools/send_message_job.h"

namespace qv {

IpToolsWindows::IpToolsWindows(MessageDispatcher& dispatcher, StationLookups lookups)
    : m_dispatcher(dispatcher), m_lookups(std::move(lookups)) {}

void IpToolsWindows::showInfoAboutIp(const IpInfoTarget& target) {
    IpInfoWindow window({target.address, target.addressText, target.macText}, m_lookups, m_parent);
    window.exec();
}

void IpToolsWindows::showSendMessage(const std::string& target) {
    SendMessageWindow window(QString::fromStdString(target), m_parent);
    if (window.exec() == QDialog::Accepted) {
        m_dispatcher.StartSendMessageJob(target, window.sender().toStdString(),
                                         window.text().toStdString());
    }
}

} // namespace qv
