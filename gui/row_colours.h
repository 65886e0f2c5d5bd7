#pragma once

#include <QColor>

namespace qv {

// The background of row `row` in every table of the main window: white on even rows, a pale blue
// (red 244, green 244, blue 255) on odd ones, whatever the sort or the scroll position.
inline QColor rowBackground(int row) {
    return row % 2 == 0 ? QColor(255, 255, 255) : QColor(244, 244, 255);
}

} // namespace qv
