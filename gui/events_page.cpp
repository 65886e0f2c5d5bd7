#include "gui/events_page.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

#include "gui/events_model.h"
#include "gui/table_look.h"

namespace qv {

EventsPage::EventsPage(EventsModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_list(new QTableView(this)), m_status(new QLabel(this)) {
    setObjectName("tsEvents");
    m_list->setObjectName("lvEvents");
    m_list->setModel(&m_model);
    setReportLook(*m_list, {120, 140, 320});
    m_status->setObjectName("sbEvents");
    m_status->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_list);
    layout->addWidget(m_status);
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, [this] {
        m_list->scrollToBottom();
        updateStatus();
    });
    connect(&m_model, &QAbstractItemModel::modelReset, this, &EventsPage::updateStatus);
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this, &EventsPage::updateStatus);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &EventsPage::updateStatus);
    updateStatus();
}

QString EventsPage::statusText() const {
    const QModelIndexList selected = m_list->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        return QString("Total number of events: %1").arg(m_model.rowCount());
    }
    int first = selected.front().row();
    for (const QModelIndex& index : selected) {
        first = std::min(first, index.row());
    }
    return QString("Total number of events: %1; Selected records: %2; Currect record: %3")
        .arg(m_model.rowCount())
        .arg(selected.size())
        .arg(first + 1);
}

void EventsPage::updateStatus() {
    m_status->setText(statusText());
}

} // namespace qv
