#include "gui/clickable_label.h"

#include <QMouseEvent>

namespace qv {

void ClickableLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit clicked();
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

} // namespace qv
