#include "gui/focus_chain.h"

#include <QWidget>

namespace qv {

void setFocusChain(std::initializer_list<QWidget*> widgets) {
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, widget);
        }
        previous = widget;
    }
    if (widgets.size() > 0) {
        (*widgets.begin())->setFocus();
    }
}

} // namespace qv
