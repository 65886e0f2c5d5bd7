#include "gui/events_model.h"

#include <QFont>

#include "gui/row_colours.h"

namespace qv {
namespace {

const char* const COLUMNS[] = {"Date/Time", "Type", "Details"};

} // namespace

int EventsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_store.size());
}

int EventsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(std::size(COLUMNS));
}

QVariant EventsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    switch (role) {
    case Qt::BackgroundRole:
        return rowBackground(index.row());
    case Qt::FontRole:
        if (m_marking && matches(index.row())) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::DisplayRole: {
        const auto row = static_cast<std::size_t>(index.row());
        const std::string_view text = index.column() == 0   ? m_store.stamp(row)
                                      : index.column() == 1 ? m_store.type(row)
                                                            : m_store.details(row);
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }
    default:
        return {};
    }
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
    m_store.append(entry);
    endInsertRows();
}

void EventsModel::replaceAll(std::vector<EventEntry> entries) {
    beginResetModel();
    m_store.assign(entries);
    entries = {};
    endResetModel();
}

void EventsModel::apply(std::vector<EventSteps::Step> steps) {
    for (EventSteps::Step& step : steps) {
        if (step.replace) {
            replaceAll(std::move(step.entries));
            continue;
        }
        if (step.entries.empty()) {
            continue;
        }
        const int first = rowCount();
        beginInsertRows({}, first, first + static_cast<int>(step.entries.size()) - 1);
        for (const EventEntry& entry : step.entries) {
            m_store.append(entry);
        }
        endInsertRows();
    }
}

// From the last selected row up, a run of neighbouring rows at a time.
void EventsModel::removeRows(const std::vector<int>& rows) {
    std::size_t i = rows.size();
    while (i > 0) {
        const int last = rows[--i];
        int first = last;
        while (i > 0 && rows[i - 1] == first - 1) {
            first = rows[--i];
        }
        if (first < 0 || last >= rowCount()) {
            continue;
        }
        std::vector<int> run;
        for (int row = first; row <= last; ++row) {
            run.push_back(row);
        }
        beginRemoveRows({}, first, last);
        m_store.erase(run);
        endRemoveRows();
    }
}

void EventsModel::setMarking(bool shown, const QString& filter) {
    m_marking = shown;
    m_filter = filter.toUpper();
    if (rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::FontRole});
    }
}

bool EventsModel::matches(int row) const {
    if (m_filter.isEmpty() || row < 0 || row >= rowCount()) {
        return false;
    }
    const auto text = [](std::string_view t) {
        return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size())).toUpper();
    };
    const auto r = static_cast<std::size_t>(row);
    return text(m_store.type(r)).contains(m_filter) || text(m_store.details(r)).contains(m_filter);
}

} // namespace qv
