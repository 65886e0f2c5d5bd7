#include "gui/table_look.h"

#include <QHeaderView>
#include <QTableView>

#include "gui/cached_text_delegate.h"

namespace qv {

void setReportLook(QTableView& view, std::initializer_list<int> columnWidths,
                   bool clickableHeaders) {
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.setShowGrid(false);
    view.setWordWrap(false);
    view.verticalHeader()->hide();
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.verticalHeader()->setDefaultSectionSize(view.fontMetrics().height() + 4);
    view.horizontalHeader()->setSectionsClickable(clickableHeaders);
    view.horizontalHeader()->setHighlightSections(false);
    view.horizontalHeader()->setStretchLastSection(false);
    int column = 0;
    for (int width : columnWidths) {
        view.setColumnWidth(column++, width);
    }
    keepSelectionVisibleWithoutFocus(view);
    view.setItemDelegate(new CachedTextDelegate(&view));
}

void keepSelectionVisibleWithoutFocus(QAbstractItemView& view) {
    QPalette palette = view.palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    view.setPalette(palette);
}

} // namespace qv
