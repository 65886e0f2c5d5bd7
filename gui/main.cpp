#include <cstdio>
#include <string>
#include <vector>

#include <QApplication>

#include "engine/pcap/pcap_library.h"
#include "gui/start_up.h"

int main(int argc, char** argv) {
    qv::blockEndSignals();
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName("Quorvane");
    QApplication::setApplicationVersion("1.20");
    QGuiApplication::setDesktopFileName("quorvane");
    std::string error;
    const auto options =
        qv::parseTrayOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::fprintf(stderr, "quorvane: %s\n%s", error.c_str(), qv::TRAY_USAGE);
        return 2;
    }
    const qv::DataFolder folder = options->dataDir
                                      ? qv::DataFolder(*options->dataDir)
                                      : qv::DataFolder::underRoot(qv::DataFolder::SYSTEM_ROOT);
    qv::MessageBoxDialogs dialogs;
    return qv::runTrayProgram(folder, dialogs, [] { return qv::bindPacketDriver(); });
}
