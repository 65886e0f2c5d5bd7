#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QObject>
#include <QString>

#include "common/data_folder.h"
#include "common/instance_lock.h"

namespace qv {

struct TrayOptions {
    std::optional<std::string> dataDir;
};

inline constexpr const char* TRAY_USAGE = "usage: quorvane [--data-dir DIR]\n";
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
    int m_fd = -1;
};

// The program from the single-instance lock to its end: a folder another Quorvane program holds
// ends it at once with status 0 (saying so in a message box when the holder is not a copy of the
// tray program); a packet library that cannot be bound gives the driver prompt
// and status 1, touching no file or adapter; a folder that takes no files is reported once and
// the program runs on. Saves the configuration and the station table however it ends: Exit,
// SIGTERM, SIGINT, SIGHUP, or the end of the desktop session.
int runTrayProgram(const DataFolder& folder, StartUpDialogs& dialogs,
                   const std::function<int()>& bindDriver);

} // namespace qv
