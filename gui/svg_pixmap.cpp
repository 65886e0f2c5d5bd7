#include "gui/svg_pixmap.h"

#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>

namespace qv {

QPixmap svgPixmap(const QString& resource, QSize size) {
    const qreal scale = qApp != nullptr ? qApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(size * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

QImage svgImage(const QString& resource, QSize size) {
    QImage image(size, QImage::Format_RGBA8888);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

} // namespace qv
