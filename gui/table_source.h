#pragma once

#include <functional>
#include <vector>

#include "gui/table_menu.h"

class QTableView;

namespace qv {

// One of the four lists as the tables' menu sees it: its selection, the texts its rows show, and
// what its page does to find a row's address, delete rows and clear the list.
class TableSource final : public MenuSource {
public:
    std::function<MenuTarget(int row)> targetOfRow;
    std::function<void(const std::vector<int>& rows)> deleteRows; // rows ascending
    std::function<void()> clear;

    TableSource(Kind kind, QTableView& view) : m_kind(kind), m_view(view) {}

    Kind kind() const override { return m_kind; }
    QAbstractItemView* view() const override;
    bool hasSelection() const override;
    MenuTarget target() const override;
    // Every selected row in row order: its columns' texts as the list shows them, TAB between
    // them, CR LF after each.
    std::string copyText() const override;
    void selectAll() override;
    void invertSelection() override;
    void deleteSelected() override;
    void clearAll() override;

    // The selected rows, ascending.
    std::vector<int> selectedRows() const;

private:
    Kind m_kind;
    QTableView& m_view;
};

} // namespace qv
