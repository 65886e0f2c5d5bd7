#pragma once

#include <initializer_list>

class QWidget;

namespace qv {

// Tab moves the focus through `widgets` in this order (and Shift+Tab back), round from the last
// to the first; the first has the focus when their window opens.
void setFocusChain(std::initializer_list<QWidget*> widgets);

} // namespace qv
