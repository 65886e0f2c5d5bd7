#pragma once

#include <initializer_list>

class QAbstractItemView;
class QTableView;

namespace qv {

// The look the main window's report lists share: whole-row, multi-row selection that stays
// visible without focus, read-only, uniform rows without a row header, fixed column widths,
// column headers that cannot be clicked unless a list sorts, and texts drawn from a cache.
void setReportLook(QTableView& view, std::initializer_list<int> columnWidths,
                   bool clickableHeaders = false);
// The selection keeps its colour when the view loses the focus.
void keepSelectionVisibleWithoutFocus(QAbstractItemView& view);

} // namespace qv
