#pragma once

#include <vector>

#include <QAbstractTableModel>

#include "events/event_entry.h"
#include "tables/event_steps.h"
#include "tables/event_store.h"

namespace qv {

// The events list: the journal's entries, oldest first, as rows of "Date/Time", "Type" and
// "Details". Its texts are built when the view asks for them; rows whose type or details hold the
// filter text are bold while the marking is shown. GUI thread only; the journal's steps reach it
// through GuiEventList.
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
    void apply(std::vector<EventSteps::Step> steps);
    // Removes the rows (ascending indices).
    void removeRows(const std::vector<int>& rows);
    std::vector<EventEntry> entries() const { return m_store.entries(); }
    EventEntry entry(int row) const { return m_store.entry(static_cast<std::size_t>(row)); }

    void setMarking(bool shown, const QString& filter);
    // The row's type or details hold the filter text, letter case ignored; an empty filter
    // matches nothing.
    bool matches(int row) const;

private:
    EventStore m_store;
    bool m_marking = false;
    QString m_filter; // in capitals
};

} // namespace qv
