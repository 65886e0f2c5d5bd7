#include "gui/arp_log_page.h"

#include <QLabel>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "engine/arp_log.h"
#include "gui/svg_pixmap.h"
#include "settings/shared_settings.h"

namespace qv {
namespace {

QToolButton* toolButton(const char* name, const char* picture, const QString& hint,
                        QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(QIcon(svgPixmap(picture, QSize(16, 16))));
    button->setToolTip(hint);
    button->setCheckable(true);
    button->setAutoRaise(true);
    return button;
}

} // namespace

ArpLogPage::ArpLogPage(ArpLogRing& liveLog, SharedSettings& settings, QWidget* parent)
    : QWidget(parent), m_liveLog(liveLog), m_settings(settings),
      m_simpleView(toolButton("tbARPLogSimpleView", ":/icons/button-view.svg",
                              tr("Change view style"), this)),
      m_pause(toolButton("tbPause", ":/icons/button-lock.svg", tr("Lock/Unlock current ARP log"),
                         this)),
      m_detailed(new QTableView(this)), m_simple(new QTableView(this)), m_status(new QLabel(this)) {
    setObjectName("tsARPLog");
    auto* bar = new QToolBar(this);
    bar->setObjectName("tbLogs");
    bar->addWidget(m_simpleView);
    bar->addSeparator();
    bar->addWidget(m_pause);
    // The lock and the lists' rows come with the ARP log's table models.
    m_pause->setEnabled(false);
    m_detailed->setObjectName("lvARPLog");
    m_simple->setObjectName("lvARPLog2");
    m_simple->hide();
    m_status->setObjectName("sbARPLog");
    m_status->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_detailed);
    layout->addWidget(m_simple);
    layout->addWidget(m_status);
    connect(m_simpleView, &QToolButton::clicked, this, &ArpLogPage::tbARPLogSimpleViewClick);
}

void ArpLogPage::showSettings() {
    m_simpleView->setChecked(m_settings.flag(&Settings::ARPLogSimpleView));
    RefreshARPTable();
}

bool ArpLogPage::simpleViewPressed() const {
    return m_simpleView->isChecked();
}

QString ArpLogPage::statusText() const {
    return QString("Total number of ARP: %1 (only last %2 seconds)")
        .arg(m_liveLog.lock().count())
        .arg(ARP_LOG_WINDOW_SECONDS);
}

void ArpLogPage::RefreshARPTable() {
    m_detailed->setVisible(!m_simpleView->isChecked());
    m_simple->setVisible(m_simpleView->isChecked());
    m_status->setText(statusText());
}

// The view is a setting of its own: it takes effect at once and is saved with the others.
void ArpLogPage::tbARPLogSimpleViewClick() {
    m_settings.setFlag(&Settings::ARPLogSimpleView, m_simpleView->isChecked());
    RefreshARPTable();
    (m_simpleView->isChecked() ? m_simple : m_detailed)->setFocus();
    emit viewChanged();
}

} // namespace qv
