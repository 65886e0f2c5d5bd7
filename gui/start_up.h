#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QObject>
#include <QString>

#include "common/data_folder.h"
#include "common/instance_lock.h"
#include "gui/window_activation.h"

namespace qv {

struct TrayOptions {
    std::optional<std::string> dataDir;
    // Started with the session: a user who cannot capture is not greeted with an error at every
    // login, and a program already running is left as it is.
    bool autostart = false;
    // Asks the running program to end, as its tray menu's Exit would.
    bool exit = false;
};

inline constexpr const char* TRAY_USAGE =
    "usage: quorvane [--data-dir DIR] [--autostart | --exit]\n";
// The name the tray program leaves in the folder's lock file while it holds it.
inline constexpr const char* TRAY_PROGRAM_NAME = "quorvane";
inline constexpr const char* DRIVER_PROMPT =
    "libpcap not installed, or installed older version. Do you want to download libpcap?";

// The options, or nothing (with `error` set) for a usage error.
std::optional<TrayOptions> parseTrayOptions(const std::vector<std::string>& arguments,
                                            std::string& error);

// What the user is told when the data folder takes no files: the folder, why, and the fix.
QString folderProblemText(const DataFolder& folder, const std::string& problem);
// What the user is told when a Quorvane program other than the tray program holds the folder.
QString folderInUseText(const DataFolder& folder, const InstanceLock::Holder& holder);

// The message boxes of the start-up, behind an interface so that tests can answer them.
class StartUpDialogs {
public:
    virtual ~StartUpDialogs() = default;
    // The missing-driver prompt; true for Yes.
    virtual bool offerDriverDownload() = 0;
    virtual void reportFolderProblem(const QString& text) = 0;
};

class MessageBoxDialogs final : public StartUpDialogs {
public:
    bool offerDriverDownload() override;
    void reportFolderProblem(const QString& text) override;
};

// SIGTERM, SIGINT and SIGHUP (the end of a session or a service stop) become a signal on the GUI
// thread. blockEndSignals() must run first, before any thread starts, so that no other thread
// takes them.
void blockEndSignals();
class EndSignals : public QObject {
    Q_OBJECT
public:
    explicit EndSignals(QObject* parent = nullptr);
    ~EndSignals() override;

signals:
    void received(int signal);

private:
    FileDescriptor m_fd;
};

// How the program was started: its folder and options, what its launcher handed it, and whether
// this user can capture (a capture helper it may run that carries the capabilities).
struct TrayStart {
    DataFolder folder;
    TrayOptions options;
    LaunchTokens tokens;
    std::function<bool()> canCapture = [] { return true; };
};

// Whether this user can run a capture helper that captures.
bool userCanCapture();

// The program from the single-instance lock to its end. A folder held by a copy of the tray
// program ends this one at once with status 0, after asking that copy (when it is this user's)
// to show its window, or to end with --exit; a folder held by another Quorvane program is said in
// a message box. A packet library that cannot be bound gives the driver prompt and status 1,
// touching no file or adapter; a folder that takes no files is reported once and the program runs
// on. Saves the configuration and the station table however it ends: Exit, SIGTERM, SIGINT,
// SIGHUP, or the end of the desktop session. --exit with no program to ask gives status 1.
int runTrayProgram(const TrayStart& start, StartUpDialogs& dialogs,
                   const std::function<int()>& bindDriver);

} // namespace qv
