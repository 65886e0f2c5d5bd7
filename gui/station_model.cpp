#include "gui/station_model.h"

#include <cstring>

#include <QIcon>

#include "gui/row_colours.h"
#include "gui/svg_pixmap.h"

namespace qv {
namespace {

const char* const COLUMNS[] = {"IP", "MAC", "Last update", "Last scaning"};

} // namespace

StationModel::StationModel(StationTables tables, QObject* parent)
    : QAbstractTableModel(parent), m_tables(tables) {}

int StationModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows.count();
}

int StationModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(STATION_COLUMNS);
}

std::optional<StationEntry> StationModel::record(int row) const {
    return m_rows.record(m_tables, row);
}

QVariant StationModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    if (role == Qt::BackgroundRole) {
        return rowBackground(index.row());
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    const auto station = record(index.row());
    if (!station) {
        return QString();
    }
    return texts(index.row(), *station).value(index.column());
}

namespace {

// Whether two states of a station show the same texts (its request count shows nowhere). Times
// are compared bit for bit: a damaged time is not equal to itself as a number.
bool sameTexts(const StationEntry& x, const StationEntry& y) {
    return x.index() == y.index() &&
           std::visit(
               [&](const auto& a) {
                   const auto& b = std::get<std::decay_t<decltype(a)>>(y);
                   return a.ip == b.ip && a.mac == b.mac &&
                          std::memcmp(&a.lastUpdate, &b.lastUpdate, sizeof a.lastUpdate) == 0 &&
                          std::memcmp(&a.lastScanning, &b.lastScanning, sizeof a.lastScanning) == 0;
               },
               x);
}

} // namespace

const QStringList& StationModel::texts(int row, const StationEntry& station) const {
    m_texts.resize(static_cast<std::size_t>(m_rows.count()));
    RowTexts& kept = m_texts.at(static_cast<std::size_t>(row));
    if (kept.texts.isEmpty() || !sameTexts(kept.made, station)) {
        kept.made = station;
        kept.texts.clear();
        for (const std::string& text : stationTexts(station)) {
            kept.texts.append(QString::fromStdString(text));
        }
    }
    return kept.texts;
}

QVariant StationModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return tr(COLUMNS[section]);
    }
    if (role == Qt::DecorationRole && section == static_cast<int>(m_column)) {
        return QIcon(svgPixmap(m_descending ? ":/icons/header-descending.svg"
                                            : ":/icons/header-ascending.svg",
                               QSize(16, 16)));
    }
    return {};
}

void StationModel::refresh() {
    beginResetModel();
    m_texts.clear();
    m_rows.refresh(m_tables, m_column, m_descending);
    endResetModel();
}

void StationModel::columnClicked(int column) {
    const auto clicked = static_cast<StationColumn>(column);
    if (clicked == m_column) {
        m_descending = !m_descending;
    } else {
        m_column = clicked;
        m_descending = false;
    }
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    refresh();
}

void StationModel::deleteRows(const std::vector<int>& rows) {
    beginResetModel();
    m_texts.clear();
    m_rows.deleteRows(m_tables, rows, m_column, m_descending);
    endResetModel();
}

} // namespace qv
