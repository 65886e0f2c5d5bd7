// Renders the program's SVG icon as the PNG files of the sizes trays, docks and menus ask the
// icon theme for:
//   qv-render-icon ICON.svg OUTPUT-FOLDER SIZE...
// writes OUTPUT-FOLDER/SIZExSIZE/apps/quorvane.png for each size.

#include <cstdio>
#include <cstdlib>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: qv-render-icon ICON.svg OUTPUT-FOLDER SIZE...\n");
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "qv-render-icon: %s is not an SVG picture\n", argv[1]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const QString folder =
            QString("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[2])).arg(size);
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        if (size <= 0 || !QDir().mkpath(folder) || !image.save(folder + "/quorvane.png", "PNG")) {
            std::fprintf(stderr, "qv-render-icon: cannot write %s/quorvane.png\n",
                         qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
