#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QDialog>
#include <QTimer>

#include "iptools/send_message_job.h"
#include "iptools/station_info.h"

class QLineEdit;

namespace qv {

// The network lookups of the information window and how its worker gets a thread; tests give
// slower or blocking lookups, and a system without a thread to spare.
struct StationLookups {
    std::function<std::optional<std::string>(const IPAddress&)> dnsName =
        [](const IPAddress& address) {
            return std::visit([](const auto& a) { return reverseDnsName(a); }, address);
        };
    std::function<std::array<std::string, 2>(const IPv4Address&)> netbios = netbiosFields;
    ThreadStarter start = startDetachedThread;
};

// The "Info about computer" window (TfGetInfoAboutIP): the address, the MAC, the card's maker at
// once, and the DNS name and the NetBIOS names from a worker thread, animating "DETECTING" in blue
// in each field still waiting. The worker owns what it shares with the window; closing the window
// detaches it, its later results are dropped, and it ends by itself within its time-outs: it is
// never killed. A worker that cannot get a thread leaves its fields "NOT DETECTED".
class IpInfoWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int DETECT_INTERVAL_MS = 500;

    explicit IpInfoWindow(InfoTarget target, StationLookups lookups = {},
                          QWidget* parent = nullptr);
    ~IpInfoWindow() override;

    QLineEdit* field(InfoField which) const { return m_fields.at(static_cast<std::size_t>(which)); }
    bool detecting() const { return m_detect.isActive(); }

    // tDetectTimer: one step of the dots animation.
    void tDetectTimer();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    struct Results;
    void FormActivate();
    void showResults();
    void setFinal(InfoField which, const std::string& text);

    InfoTarget m_target;
    StationLookups m_lookups;
    std::array<QLineEdit*, 6> m_fields{};
    QTimer m_detect;
    QTimer m_results;
    std::shared_ptr<Results> m_worker;
    bool m_activated = false;
};

} // namespace qv
