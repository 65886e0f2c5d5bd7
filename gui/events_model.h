#pragma once

#include <vector>

#include <QAbstractTableModel>

#include "events/event_entry.h"

namespace qv {

// The events list: the journal's entries, oldest first, as rows of "Date/Time", "Type" and
// "Details". Its texts are built when the view asks for them. GUI thread only; entries from the
// journal reach it through GuiEventList.
class EventsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void append(const EventEntry& entry);
    void replaceAll(std::vector<EventEntry> entries);
    const std::vector<EventEntry>& entries() const { return m_entries; }

private:
    std::vector<EventEntry> m_entries;
};

} // namespace qv
