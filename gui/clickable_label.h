#pragma once

#include <QLabel>

namespace qv {

// A label that answers a click of the left button, as the navigation panel's pictures and
// captions and the About page's links do.
class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace qv
