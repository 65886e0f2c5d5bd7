// Saves the X display's whole screen, or one window of it, as a PNG file:
//   qv-screenshot FILE.png [WINDOW-ID]
// The desktop test keeps a picture of each page with it.

#include <cstdio>

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: qv-screenshot FILE.png [WINDOW-ID]\n");
        return 2;
    }
    const WId window = argc == 3 ? static_cast<WId>(QString(argv[2]).toULongLong(nullptr, 0)) : 0;
    const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(window);
    return !picture.isNull() && picture.save(argv[1], "PNG") ? 0 : 1;
}
