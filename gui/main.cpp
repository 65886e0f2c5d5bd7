#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <QApplication>

#include "engine/pcap/pcap_library.h"
#include "gui/start_up.h"

int main(int argc, char** argv) {
    qv::blockEndSignals();
    // Taken before any thread starts: the environment is not to change under other threads
    // later, and the programs this one starts are no launch of the user's.
    const qv::LaunchTokens tokens = qv::LaunchTokens::ofThisProcess();
    ::unsetenv("XDG_ACTIVATION_TOKEN");
    ::unsetenv("DESKTOP_STARTUP_ID");
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
    return qv::runTrayProgram({folder, *options, tokens, qv::userCanCapture}, dialogs,
                              [] { return qv::bindPacketDriver(); });
}
