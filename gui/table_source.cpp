#include "gui/table_source.h"

#include <algorithm>

#include <QItemSelectionModel>
#include <QTableView>

namespace qv {

QAbstractItemView* TableSource::view() const {
    return &m_view;
}

std::vector<int> TableSource::selectedRows() const {
    std::vector<int> rows;
    if (m_view.selectionModel() == nullptr) {
        return rows;
    }
    for (const QModelIndex& index : m_view.selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool TableSource::hasSelection() const {
    return m_view.selectionModel() != nullptr && m_view.selectionModel()->hasSelection();
}

MenuTarget TableSource::target() const {
    const auto rows = selectedRows();
    return rows.empty() || !targetOfRow ? MenuTarget{} : targetOfRow(rows.front());
}

std::string TableSource::copyText() const {
    const QAbstractItemModel* model = m_view.model();
    std::vector<std::vector<std::string>> lines;
    for (int row : selectedRows()) {
        std::vector<std::string> columns;
        for (int c = 0; c < model->columnCount(); ++c) {
            columns.push_back(model->index(row, c).data().toString().toStdString());
        }
        lines.push_back(std::move(columns));
    }
    return clipboardText(lines);
}

void TableSource::selectAll() {
    m_view.selectAll();
}

void TableSource::invertSelection() {
    const QAbstractItemModel* model = m_view.model();
    if (model->rowCount() == 0) {
        return;
    }
    const QItemSelection all(model->index(0, 0),
                             model->index(model->rowCount() - 1, model->columnCount() - 1));
    m_view.selectionModel()->select(all, QItemSelectionModel::Toggle);
}

void TableSource::deleteSelected() {
    const auto rows = selectedRows();
    if (!rows.empty() && deleteRows) {
        deleteRows(rows);
    }
}

void TableSource::clearAll() {
    if (clear) {
        clear();
    }
}

} // namespace qv
