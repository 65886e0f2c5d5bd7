#include "gui/start_up.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QUrl>

#include "common/file_io.h"
#include "common/instance_lock.h"
#include "engine/helper/helper_driver.h"
#include "engine/pcap/pcap_driver.h"
#include "gui/install_paths.h"
#include "gui/instance_channel.h"
#include "gui/tray_program.h"
#include "gui/web_pages.h"

namespace qv {
namespace {

sigset_t endSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGTERM, SIGINT, SIGHUP}) {
        sigaddset(&set, s);
    }
    return set;
}

// An X server that goes away ends the program through exit() on the GUI thread; the handler saves
// what a close would have saved before the process goes.
TrayProgram* runningProgram = nullptr;
void saveAtExit() {
    if (runningProgram != nullptr) {
        runningProgram->shutdown();
    }
}

// How long a second start waits for the answer of a copy that may still be starting.
constexpr auto SECOND_START_WAIT = std::chrono::seconds(10);

// Whether process `pid` runs as this user; true when /proc cannot tell (the channel itself
// reaches only this user's programs: this only spares a wait for one that is not).
bool processOfThisUser(long pid) {
    struct stat info {};
    return ::stat(("/proc/" + std::to_string(pid)).c_str(), &info) != 0 ||
           info.st_uid == ::getuid();
}

} // namespace

std::optional<TrayOptions> parseTrayOptions(const std::vector<std::string>& arguments,
                                            std::string& error) {
    TrayOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--autostart" || arguments[i] == "--exit") {
            (arguments[i] == "--exit" ? options.exit : options.autostart) = true;
            if (options.exit && options.autostart) {
                error = "--autostart and --exit exclude each other";
                return std::nullopt;
            }
            continue;
        }
        if (arguments[i] != "--data-dir") {
            error = "unknown option " + arguments[i];
            return std::nullopt;
        }
        if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
            error = "--data-dir needs a value";
            return std::nullopt;
        }
        if (options.dataDir) {
            error = "--data-dir is given twice";
            return std::nullopt;
        }
        options.dataDir = arguments[++i];
    }
    return options;
}

QString folderProblemText(const DataFolder& folder, const std::string& problem) {
    const QString path = QString::fromStdString(folder.folder().string());
    return QObject::tr("Quorvane cannot write its files in the data folder %1 (%2).\n\n"
                       "Events, the ARP log and the station table will not be saved until it "
                       "can. Make the folder writable for you, for example with\n\n"
                       "    sudo install -d -o $USER %1\n\n"
                       "or start Quorvane with --data-dir and a folder of your own.")
        .arg(path, QString::fromStdString(problem));
}

bool MessageBoxDialogs::offerDriverDownload() {
    return QMessageBox::critical(nullptr, "Error!", DRIVER_PROMPT,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

QString folderInUseText(const DataFolder& folder, const InstanceLock::Holder& holder) {
    return QObject::tr("The data folder %1 is in use by another Quorvane program, %2 (process %3): "
                       "only one may write there at a time.\n\n"
                       "When it is the sensor service, stop it to use the tray program here:\n\n"
                       "    sudo systemctl stop quorvane-watch")
        .arg(QString::fromStdString(folder.folder().string()),
             QString::fromStdString(holder.program))
        .arg(holder.pid);
}

void MessageBoxDialogs::reportFolderProblem(const QString& text) {
    QMessageBox::warning(nullptr, "Quorvane", text);
}

void blockEndSignals() {
    const sigset_t set = endSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

EndSignals::EndSignals(QObject* parent) : QObject(parent) {
    const sigset_t set = endSignals();
    m_fd.reset(::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK));
    if (!m_fd) {
        return;
    }
    auto* notifier = new QSocketNotifier(m_fd.get(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        signalfd_siginfo info;
        while (::read(m_fd.get(), &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            emit received(static_cast<int>(info.ssi_signo));
        }
    });
}

EndSignals::~EndSignals() = default;

bool userCanCapture() {
    return usableCaptureHelper(programFolder(), installedCaptureHelper()).has_value();
}

namespace {

// A second start on a folder another program holds: only the user's own copy of the tray program
// is asked anything; another user's, or a watcher, is not.
int answerSecondStart(const TrayStart& start, const InstanceLock& lock, StartUpDialogs& dialogs) {
    const auto& holder = lock.holder();
    std::fprintf(stderr, "quorvane: %s\n", folderInUseMessage(start.folder, holder).c_str());
    const int notAnswered = start.options.exit ? 1 : 0;
    if (start.options.autostart) {
        return 0;
    }
    if (holder && holder->program != TRAY_PROGRAM_NAME) {
        // The sensor service holding the folder is worth a word on the desktop.
        if (!start.options.exit) {
            dialogs.reportFolderProblem(folderInUseText(start.folder, *holder));
        }
        return notAnswered;
    }
    if (holder && !processOfThisUser(holder->pid)) {
        return notAnswered;
    }
    const InstanceRequest request{start.options.exit ? InstanceRequest::Kind::Exit
                                                     : InstanceRequest::Kind::Show,
                                  start.tokens};
    return askRunningProgram(start.folder, request, SECOND_START_WAIT) ? 0 : notAnswered;
}

} // namespace

int runTrayProgram(const TrayStart& start, StartUpDialogs& dialogs,
                   const std::function<int()>& bindDriver) {
    const DataFolder& folder = start.folder;
    if (start.options.autostart && !start.canCapture()) {
        return 0;
    }
    const InstanceLock lock(folder, TRAY_PROGRAM_NAME);
    if (lock.state() == InstanceLock::State::Held) {
        return answerSecondStart(start, lock, dialogs);
    }
    if (start.options.exit) {
        std::fprintf(stderr, "quorvane: no Quorvane program runs on %s\n", folder.folder().c_str());
        return 1;
    }
    // At once, so that a second start while this one starts up waits for it rather than finding
    // no one.
    const InstanceChannel channel(folder);
    if (!channel.listening()) {
        std::fprintf(stderr, "quorvane: a second start cannot reach this program: %s\n",
                     channel.problem().c_str());
    }
    if (bindDriver() != 0) {
        if (dialogs.offerDriverDownload()) {
            QDesktopServices::openUrl(QUrl(LIBPCAP_DOWNLOAD_PAGE));
        }
        return 1;
    }
    if (const auto problem = folder.writeProblem()) {
        dialogs.reportFolderProblem(folderProblemText(folder, *problem));
    }
    PcapDriver lister;
    HelperDriver driver(findCaptureHelper(programFolder(), installedCaptureHelper()), lister);
    TrayProgram program(folder, driver);
    QObject::connect(&channel, &InstanceChannel::requested, &program,
                     [&program](const InstanceRequest& request) {
                         if (request.kind == InstanceRequest::Kind::Exit) {
                             program.exitProgram();
                         } else {
                             program.window().openOn(Page::Events, request.tokens);
                         }
                     });
    EndSignals ends;
    QObject::connect(&ends, &EndSignals::received, qApp, &QCoreApplication::quit);
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &program,
                     [&program] { program.saveAll(); });
    program.start(start.tokens);
    runningProgram = &program;
    static const bool registered = std::atexit(saveAtExit) == 0;
    static_cast<void>(registered);
    const int status = QApplication::exec();
    program.shutdown();
    runningProgram = nullptr;
    return status;
}

} // namespace qv
