#include "gui/events_model.h"

#include "gui/row_colours.h"

namespace qv {
namespace {

const char* const COLUMNS[] = {"Date/Time", "Type", "Details"};

} // namespace

int EventsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int EventsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(std::size(COLUMNS));
}

QVariant EventsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    if (role == Qt::BackgroundRole) {
        return rowBackground(index.row());
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    const EventEntry& e = m_entries[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
    case 0:
        return QString::fromStdString(e.Stamp);
    case 1:
        return QString::fromStdString(e.Type);
    case 2:
        return QString::fromStdString(e.Details);
    }
    return {};
}

QVariant EventsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < columnCount()) {
        return tr(COLUMNS[section]);
    }
    return {};
}

void EventsModel::append(const EventEntry& entry) {
    const int row = rowCount();
    beginInsertRows({}, row, row);
    m_entries.push_back(entry);
    endInsertRows();
}

void EventsModel::replaceAll(std::vector<EventEntry> entries) {
    beginResetModel();
    m_entries = std::move(entries);
    endResetModel();
}

} // namespace qv
