#include "gui/ipmac_page.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "engine/station_table.h"
#include "settings/shared_settings.h"

namespace qv {

IpMacPage::IpMacPage(StationTable& stations, SharedSettings& settings, QWidget* parent)
    : QWidget(parent), m_stations(stations), m_settings(settings), m_list(new QTableView(this)),
      m_tree(new QTreeWidget(this)),
      m_multipleView(new QCheckBox(tr("Show only hw-interfaces with several IP addresses"), this)),
      m_status(new QLabel(this)) {
    setObjectName("tsIPMAC");
    m_list->setObjectName("lvIPMAC");
    m_tree->setObjectName("tvIPMAC");
    m_tree->setHeaderHidden(true);
    m_tree->hide();
    m_multipleView->setObjectName("cbShowIPMACMultipleView");
    m_status->setObjectName("sbIPMAC");
    m_status->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_status, 1);
    bottom->addWidget(m_multipleView);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_list);
    layout->addWidget(m_tree);
    layout->addLayout(bottom);
    connect(m_multipleView, &QCheckBox::clicked, this, &IpMacPage::cbShowIPMACMultipleViewClick);
}

void IpMacPage::showSettings() {
    m_multipleView->setChecked(m_settings.flag(&Settings::IPMACMultipleView));
    RefreshIPMACTable();
}

bool IpMacPage::multipleViewChecked() const {
    return m_multipleView->isChecked();
}

QString IpMacPage::statusText() const {
    return QString("Total number of records: %1").arg(m_stations.lock().count());
}

// The list and the tree are filled by the station table's model; here the page shows the one the
// check box chooses and the table's count.
void IpMacPage::RefreshIPMACTable() {
    m_list->setVisible(!m_multipleView->isChecked());
    m_tree->setVisible(m_multipleView->isChecked());
    m_status->setText(statusText());
}

void IpMacPage::cbShowIPMACMultipleViewClick() {
    m_settings.setFlag(&Settings::IPMACMultipleView, m_multipleView->isChecked());
    RefreshIPMACTable();
    emit viewChanged();
}

} // namespace qv
