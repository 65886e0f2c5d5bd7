#pragma once

#include <vector>

#include <QAbstractTableModel>
#include <QStringList>

#include "tables/station_rows.h"

namespace qv {

// The IP<->MAC list over the station tables (IPv4, then IPv6): a refresh sorts the table's records
// and ties each row to its station (see StationRows); a row's station is copied under the table's
// guard when the view paints it, and its texts are made once for each state of the station, outside
// the guard. The sort column's header shows a small triangle: pointing down while ascending, up
// while descending.
class StationModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit StationModel(StationTables tables, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Sorts the table by the current column and direction and shows it.
    void refresh();
    // A click on a column's header: the same column again reverses the order; another column
    // sorts ascending by it. Then refreshes.
    void columnClicked(int column);
    StationColumn sortColumn() const { return m_column; }
    bool descending() const { return m_descending; }

    // The station of a row as it is now, or nothing.
    std::optional<StationEntry> record(int row) const;
    // Deletes the stations of these rows (as the user saw them) and refreshes.
    void deleteRows(const std::vector<int>& rows);

private:
    // A row's texts, as made from its station in this state.
    struct RowTexts {
        StationEntry made{};
        QStringList texts;
    };
    const QStringList& texts(int row, const StationEntry& station) const;

    StationTables m_tables;
    StationRows m_rows;
    mutable std::vector<RowTexts> m_texts; // by row, emptied by every refresh
    StationColumn m_column = StationColumn::Ip;
    bool m_descending = false;
};

} // namespace qv
