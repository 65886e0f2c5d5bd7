#include "gui/main_window.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "engine/capture.h"
#include "gui/arp_log_page.h"
#include "gui/events_page.h"
#include "gui/ipmac_page.h"
#include "gui/svg_pixmap.h"
#include "gui/table_menu.h"
#include "settings/shared_settings.h"

namespace qv {

MainWindow::MainWindow(WindowServices services, QWidget* parent)
    : QDialog(parent), m_services(std::move(services)), m_navigation(new NavigationPanel(this)),
      m_pages(new QStackedWidget(this)),
      m_events(
          new EventsPage(m_services.events, m_services.eventList, m_services.journal, m_pages)),
      m_arpLog(new ArpLogPage(m_services.liveLog, m_services.settings, m_pages)),
      m_ipMac(new IpMacPage({m_services.stations, m_services.stations6}, m_services.settings,
                            m_services.clearStations, m_pages)),
      m_options(new OptionsPage(m_services.sound, m_services.settings, m_pages)),
      m_about(new AboutPage(m_services.openPage, m_pages)),
      m_tableMenu(new TableMenu(m_services.ipTools, m_services.settings, this)) {
    setObjectName("fQuorvane");
    setWindowTitle("Quorvane, version 1.20");
    setWindowIcon(QIcon(svgPixmap(":/icons/quorvane.svg", QSize(64, 64))));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    m_pages->setObjectName("pcList");
    for (QWidget* page : {static_cast<QWidget*>(m_events), static_cast<QWidget*>(m_arpLog),
                          static_cast<QWidget*>(m_ipMac), static_cast<QWidget*>(m_options),
                          static_cast<QWidget*>(m_about)}) {
        m_pages->addWidget(page);
    }
    auto* right = new QVBoxLayout;
    right->setContentsMargins(0, 0, 0, 0);
    right->addWidget(m_pages, 1);
    right->addWidget(buildBottom());
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_navigation);
    layout->addLayout(right, 1);
    setFixedSize(sizeHint().expandedTo(CLIENT_SIZE));

    m_events->attachMenu(*m_tableMenu);
    m_arpLog->attachMenu(*m_tableMenu);
    m_ipMac->attachMenu(*m_tableMenu);
    connect(m_navigation, &NavigationPanel::pageChosen, this, &MainWindow::SelectPage);
    connect(m_options, &OptionsPage::edited, this, &MainWindow::updateApplyEnabled);
    connect(m_arpLog, &ArpLogPage::viewChanged, this, &MainWindow::updateApplyEnabled);
    connect(m_ipMac, &IpMacPage::viewChanged, this, &MainWindow::updateApplyEnabled);
    // No button is the default: Enter in a field presses none of them.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
    }
}

QWidget* MainWindow::buildBottom() {
    auto* bottom = new QWidget(this);
    bottom->setObjectName("pBottom");
    m_ok = new QPushButton(tr("OK"), bottom);
    m_ok->setObjectName("bOK");
    m_cancel = new QPushButton(tr("Cancel"), bottom);
    m_cancel->setObjectName("bCancel");
    m_apply = new QPushButton(tr("Apply"), bottom);
    m_apply->setObjectName("bApply");
    m_apply->setEnabled(false);
    m_notice = new QLabel(bottom);
    m_notice->setObjectName("lNotice");
    m_notice->setWordWrap(true);
    m_notice->hide();
    auto* layout = new QHBoxLayout(bottom);
    layout->addWidget(m_notice, 1);
    layout->addStretch();
    for (QPushButton* b : {m_ok, m_cancel, m_apply}) {
        layout->addWidget(b);
    }
    connect(m_ok, &QPushButton::clicked, this, [this] {
        if (m_apply->isEnabled()) {
            bApplyClick();
        }
        accept();
    });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_apply, &QPushButton::clicked, this, &MainWindow::bApplyClick);
    return bottom;
}

void MainWindow::SelectPage(Page page) {
    m_navigation->mark(page);
    if (page == Page::ArpLog) {
        RefreshARPTable();
    } else if (page == Page::IpMac) {
        RefreshIPMACTable();
    }
    m_pages->setCurrentIndex(static_cast<int>(page));
}

Page MainWindow::currentPage() const {
    return static_cast<Page>(m_pages->currentIndex());
}

void MainWindow::openOn(Page page, const LaunchTokens& tokens) {
    SelectPage(page);
    showInFront(*this, tokens);
}

void MainWindow::setNotice(const QString& text) {
    m_notice->setText(text);
    m_notice->setVisible(!text.isEmpty());
}

QString MainWindow::notice() const {
    return m_notice->text();
}

void MainWindow::RefreshARPTable() {
    m_arpLog->RefreshARPTable();
}

void MainWindow::RefreshIPMACTable() {
    m_ipMac->RefreshIPMACTable();
}

std::vector<AdapterEntry> MainWindow::adapters() const {
    std::vector<AdapterEntry> entries;
    for (int i = 0; i < m_services.capture.count(); ++i) {
        const TCapturePacket& a = m_services.capture.adapter(i);
        entries.push_back({adapterDisplayText(a), a.adapterName});
    }
    return entries;
}

// A spontaneous show is the window system's (a minimised window restored): the window was shown
// all along, and what the user has typed but not applied stays.
void MainWindow::showEvent(QShowEvent* event) {
    if (event->spontaneous()) {
        QDialog::showEvent(event);
        return;
    }
    if (!m_placed) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            move(screen->availableGeometry().center() - rect().center());
        }
        m_placed = true;
    }
    m_options->showSettings(m_services.settings.snapshot(), adapters());
    m_ipMac->showSettings();
    m_arpLog->showSettings();
    m_events->showSettings();
    updateApplyEnabled();
    QDialog::showEvent(event);
}

void MainWindow::done(int result) {
    if (m_services.save) {
        m_services.save();
    }
    QDialog::done(result);
}

void MainWindow::bApplyClick() {
    Settings record = m_services.settings.snapshot();
    m_options->storeInto(record);
    record.IPMACMultipleView = m_ipMac->multipleViewChecked() ? 1 : 0;
    record.ARPLogSimpleView = m_arpLog->simpleViewPressed() ? 1 : 0;
    m_services.settings.assign(record);
    for (int i = 0; i < m_options->adapterCount() && i < m_services.capture.count(); ++i) {
        if (m_options->adapterChecked(i)) {
            m_services.capture.startCapture(i);
        } else {
            m_services.capture.stopCapture(i);
        }
    }
    updateApplyEnabled();
}

bool MainWindow::applyEnabled() const {
    return m_apply->isEnabled();
}

void MainWindow::updateApplyEnabled() {
    const Settings record = m_services.settings.snapshot();
    m_apply->setEnabled(m_options->differsFrom(record) ||
                        m_ipMac->multipleViewChecked() != (record.IPMACMultipleView != 0) ||
                        m_arpLog->simpleViewPressed() != (record.ARPLogSimpleView != 0));
}

} // namespace qv
