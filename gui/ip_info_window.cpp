#include "gui/ip_info_window.h"

#include <mutex>

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/focus_chain.h"

namespace qv {
namespace {

constexpr const char* DETECTING = "DETECTING";
constexpr int RESULTS_INTERVAL_MS = 50;
const char* const FIELD_NAMES[] = {"eIP",      "eMAC",         "eManufacturer",
                                   "eDNSName", "eNETBIOSName", "eNetworkGroup"};
const char* const LABEL_NAMES[] = {"lIP",      "lMAC",         "lManufacturer",
                                   "lDNSName", "lNetBIOSName", "lNetworkGroup"};
constexpr InfoField LOOKED_UP[] = {InfoField::DnsName, InfoField::NetbiosName,
                                   InfoField::NetworkGroup};

void setColour(QLineEdit* edit, const QColor& colour) {
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Text, colour);
    edit->setPalette(palette);
}

} // namespace

// What the worker hands over, read by the window's results timer. The worker and the window
// share it; after the window detaches, only the worker holds it, until it ends.
struct IpInfoWindow::Results {
    std::mutex guard;
    std::optional<std::string> dnsName;
    std::optional<std::array<std::string, 2>> netbios;

    // What has not been found will not be.
    void giveUp() {
        std::lock_guard lock(guard);
        dnsName = dnsName.value_or(NOT_DETECTED);
        netbios = std::array<std::string, 2>{NOT_DETECTED, NOT_DETECTED};
    }
};

IpInfoWindow::IpInfoWindow(InfoTarget target, StationLookups lookups, QWidget* parent)
    : QDialog(parent), m_target(std::move(target)), m_lookups(std::move(lookups)) {
    setObjectName("fGetInfoAboutIP");
    setWindowTitle("Info about computer");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    auto* form = new QFormLayout;
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        auto* label = new QLabel(INFO_CAPTIONS[i], this);
        label->setObjectName(LABEL_NAMES[i]);
        m_fields[i] = new QLineEdit(this);
        m_fields[i]->setObjectName(FIELD_NAMES[i]);
        m_fields[i]->setReadOnly(true);
        m_fields[i]->setMinimumWidth(220);
        form->addRow(label, m_fields[i]);
    }
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("bOK");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    setFixedSize(sizeHint().expandedTo(QSize(350, 227)));
    setFocusChain(
        {ok, m_fields[0], m_fields[1], m_fields[2], m_fields[3], m_fields[4], m_fields[5]});
    m_detect.setObjectName("tDetect");
    m_detect.setInterval(DETECT_INTERVAL_MS);
    connect(&m_detect, &QTimer::timeout, this, &IpInfoWindow::tDetectTimer);
    m_detect.start();
    m_results.setInterval(RESULTS_INTERVAL_MS);
    connect(&m_results, &QTimer::timeout, this, &IpInfoWindow::showResults);
}

IpInfoWindow::~IpInfoWindow() = default;

void IpInfoWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        FormActivate();
    }
}

// The manufacturer is found before any network lookup starts, so it is the first answer shown.
void IpInfoWindow::FormActivate() {
    const auto immediate = immediateFields(m_target);
    for (std::size_t i = 0; i < immediate.size(); ++i) {
        m_fields[i]->setText(QString::fromStdString(immediate[i]));
    }
    for (InfoField which : LOOKED_UP) {
        field(which)->setText(DETECTING);
        setColour(field(which), QColor(0, 0, 255));
    }
    auto worker = std::make_shared<Results>();
    m_worker = worker;
    try {
        m_lookups.start([worker, lookups = m_lookups, address = m_target.address] {
            try {
                const std::string dns = lookups.dnsName(address).value_or(NOT_DETECTED);
                {
                    std::lock_guard lock(worker->guard);
                    worker->dnsName = dns;
                }
                // NetBIOS names are asked for over IPv4 only.
                const auto* ipv4 = std::get_if<IPv4Address>(&address);
                const auto netbios = ipv4 != nullptr
                                         ? lookups.netbios(*ipv4)
                                         : std::array<std::string, 2>{NOT_DETECTED, NOT_DETECTED};
                std::lock_guard lock(worker->guard);
                worker->netbios = netbios;
            } catch (...) { // the worker's thread is its own edge: a failed lookup stays undetected
                worker->giveUp();
            }
        });
    } catch (...) { // no thread for the worker: nothing will be detected
        worker->giveUp();
    }
    m_results.start();
}

void IpInfoWindow::setFinal(InfoField which, const std::string& text) {
    field(which)->setText(QString::fromStdString(text));
    setColour(field(which), palette().color(QPalette::WindowText));
}

void IpInfoWindow::showResults() {
    if (!m_worker) {
        return;
    }
    std::optional<std::string> dns;
    std::optional<std::array<std::string, 2>> netbios;
    {
        std::lock_guard lock(m_worker->guard);
        dns = std::exchange(m_worker->dnsName, std::nullopt);
        netbios = m_worker->netbios;
    }
    if (dns) {
        setFinal(InfoField::DnsName, *dns);
    }
    if (netbios) {
        setFinal(InfoField::NetbiosName, (*netbios)[0]);
        setFinal(InfoField::NetworkGroup, (*netbios)[1]);
        m_results.stop();
        m_worker.reset();
    }
}

// A pending field shows "DETECTING" and then one, two and three dots, and again none; once no
// field is pending the timer stops for good.
void IpInfoWindow::tDetectTimer() {
    bool pending = false;
    for (InfoField which : LOOKED_UP) {
        QLineEdit* edit = field(which);
        const QString text = edit->text();
        if (!text.startsWith(DETECTING, Qt::CaseInsensitive)) {
            continue;
        }
        pending = true;
        edit->setText(text.size() > 11 ? QString(DETECTING) : text + ".");
    }
    if (!pending) {
        m_detect.stop();
    }
}

// The worker is detached, never stopped: its results are dropped, and it ends by itself.
void IpInfoWindow::done(int result) {
    m_results.stop();
    m_worker.reset();
    QDialog::done(result);
}

} // namespace qv
