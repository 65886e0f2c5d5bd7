#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>

namespace qv {

// A picture of the program's resources (an SVG drawn for Quorvane), rendered at `size` pixels
// of the screen's scale, without depending on an image-format plugin.
QPixmap svgPixmap(const QString& resource, QSize size);
// The same picture at exactly `size` pixels, whatever the screen (for files and other programs).
QImage svgImage(const QString& resource, QSize size);

} // namespace qv
