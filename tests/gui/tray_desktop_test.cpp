// The whole tray program on a real X desktop: Xvfb with icewm's XEmbed tray, the program run as
// an unprivileged user inside a network namespace, capturing through the capture helper, and
// driven as a user would drive it, with xdotool and wmctrl. Needs root (for the namespaces and the
// helper's capabilities) and the desktop tools; skips, saying why, without them. Screenshots of
// the five pages are kept in build/tests/output/tray-desktop.

#include <algorithm>
#include <csignal>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "engine/arp_frame.h"
#include "engine/station_table.h"
#include "settings/settings_file.h"
#include "tests/gui/desktop_support.h"
#include "tests/support/ndp_frames.h"
#include "tests/support/netns.h"
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"

namespace qv {
namespace {

using namespace std::chrono_literals;
using test::eventually;
using test::output;
using test::processes;
using test::statusField;

constexpr uid_t USER = test::DESKTOP_USER;
const std::filesystem::path OUTPUT = QV_BINARY_DIR "/tests/output/tray-desktop";
const std::string TITLE = "Quorvane, version 1.20";

class Desktop : public ::testing::Test {
protected:
    void SetUp() override {
        if (const auto reason = test::VethPair::unavailableReason()) {
            GTEST_SKIP() << *reason;
        }
        for (const char* tool :
             {"Xvfb", "icewm", "xdotool", "wmctrl", "xwininfo", "setpriv", "setcap"}) {
            if (test::shell(std::string("command -v ") + tool + " >/dev/null 2>&1") != 0) {
                GTEST_SKIP() << tool << " is missing (./test installs the desktop tools)";
            }
        }
        for (int n = 90; n < 200; ++n) {
            if (!std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n))) {
                m_display = ":" + std::to_string(n);
                break;
            }
        }
        m_xvfb = std::make_unique<test::BackgroundProcess>(
            "exec Xvfb " + m_display + " -screen 0 1280x800x24 -nolisten tcp -ac 2>/dev/null");
        ASSERT_TRUE(eventually([&] {
            return test::shell("DISPLAY=" + m_display + " xwininfo -root >/dev/null 2>&1") == 0;
        }));
        startWindowManager();
        m_pair = std::make_unique<test::VethPair>();
        ASSERT_TRUE(test::installForTheUser(m_root.path()));
        std::filesystem::create_directories(OUTPUT);
    }

    void startWindowManager() {
        m_icewm = std::make_unique<test::BackgroundProcess>("exec env DISPLAY=" + m_display +
                                                            " icewm >/dev/null 2>&1");
    }

    std::string programCommand(const std::string& out) const {
        const std::string root = m_root.path().string();
        return "exec ip netns exec " + m_pair->namespaceB() +
               " setpriv --reuid=" + std::to_string(USER) + " --regid=" + std::to_string(USER) +
               " --clear-groups env -i DISPLAY=" + m_display + " HOME=" + root +
               "/home XDG_RUNTIME_DIR=" + root + "/run LC_ALL=C TZ=UTC " + root +
               "/bin/quorvane --data-dir " + root + "/data >" + out + " 2>&1";
    }

    std::string x(const std::string& command) const {
        return output("DISPLAY=" + m_display + " " + command + " 2>/dev/null");
    }

    // The tray icon's window when it is docked: a window of the program's class whose parent is
    // not the root window.
    std::optional<std::pair<std::string, std::string>> dockedIcon() const {
        std::istringstream ids(x("xdotool search --classname quorvane"));
        for (std::string id; ids >> id;) {
            const std::string tree = x("xwininfo -tree -id " + id);
            const auto at = tree.find("Parent window id: ");
            if (at != std::string::npos &&
                tree.find("(the root window)", at) > tree.find('\n', at)) {
                return std::make_pair(id, tree.substr(at + 18, tree.find(' ', at + 18) - at - 18));
            }
        }
        return std::nullopt;
    }

    bool windowShown() const { return x("wmctrl -l").find(TITLE) != std::string::npos; }

    void send(const MacAddress& mac, const IPv4Address& ip) { test::sendArp(*m_pair, mac, ip); }

    // The helpers this test's program started: their command line names the helper's copy.
    std::string helperMarker() const { return (m_root / "bin" / "quorvane-capture").string(); }

    std::string events() const { return test::readText(m_root / "data" / "Events.csv"); }

    bool savedStation(const IPv4Address& ip) const {
        StationTable table;
        auto t = table.lock();
        return t.loadStations((m_root / "data" / "ipmac.dat").string()) > 0 &&
               t.findLatestByIp(ip) != NO_STATION;
    }

    test::TempFolder m_root;
    std::string m_display;
    std::unique_ptr<test::BackgroundProcess> m_xvfb;
    std::unique_ptr<test::BackgroundProcess> m_icewm;
    std::unique_ptr<test::VethPair> m_pair;
};

TEST_F(Desktop, TheTrayProgramRunsAsAUserWouldUseIt) {
    const std::string marker = (m_root / "data").string();
    const std::string log = (m_root / "quorvane.log").string();
    test::BackgroundProcess program(programCommand(log));

    // Docked in the tray, capturing through the helper, with no capability of its own.
    std::optional<std::pair<std::string, std::string>> icon;
    ASSERT_TRUE(eventually([&] { return (icon = dockedIcon()).has_value(); }))
        << test::readText(log);
    ASSERT_TRUE(eventually([&] { return !processes("quorvane-captur", helperMarker()).empty(); }))
        << test::readText(log);
    const auto programs = processes("quorvane", marker);
    ASSERT_EQ(programs.size(), 1u);
    EXPECT_EQ(statusField(programs[0], "CapEff"), "0000000000000000");
    EXPECT_EQ(statusField(programs[0], "CapPrm"), "0000000000000000");
    EXPECT_EQ(statusField(programs[0], "Uid").substr(0, 4), std::to_string(USER));
    for (pid_t helper : processes("quorvane-captur", helperMarker())) {
        EXPECT_EQ(statusField(helper, "CapEff"), "0000000000000000");
    }

    // Frames from the other namespace reach the journal.
    const MacAddress first{2, 0, 0, 0, 0, 0x21};
    send(first, {10, 77, 0, 21});
    ASSERT_TRUE(eventually([&] {
        return events().find("New station;10.77.0.21") != std::string::npos;
    })) << test::readText(log);
    // Neighbour discovery too: the pages show both families.
    test::sendNeighbourSolicitation(*m_pair, first, test::linkLocal(0x21));
    ASSERT_TRUE(eventually([&] {
        return events().find("New station;fe80::21, hwaddr: 02-00-00-00-00-21") !=
               std::string::npos;
    })) << test::readText(log);

    // A double click on the icon shows the window; a picture of each page is kept.
    x("xdotool mousemove --window " + icon->first + " 8 8 click --repeat 2 --delay 80 1");
    ASSERT_TRUE(eventually([&] { return windowShown(); }));
    std::string window = x("xdotool search --name '^" + TITLE + "$'");
    window = window.substr(0, window.find('\n'));
    const char* pages[] = {"events", "arp-log", "ip-mac", "options", "about"};
    for (int page = 0; page < 5; ++page) {
        x("xdotool mousemove --window " + window + " 49 " + std::to_string(47 + 74 * page) +
          " click 1");
        std::this_thread::sleep_for(700ms);
        const std::string picture = (OUTPUT / (std::string(pages[page]) + ".png")).string();
        EXPECT_EQ(test::shell("DISPLAY=" + m_display + " " QV_BINARY_DIR "/tests/qv-screenshot " +
                              picture + " " + window + " 2>/dev/null"),
                  0);
        EXPECT_GT(std::filesystem::file_size(picture), 1000u) << pages[page];
    }

    // Copy on the station list's first row puts its text on the X clipboard.
    x("xdotool mousemove --window " + window + " 49 195 click 1");
    std::this_thread::sleep_for(500ms);
    x("xdotool mousemove --window " + window + " 160 28 click 1");
    std::this_thread::sleep_for(300ms);
    x("xdotool key --window " + window + " ctrl+c");
    std::string copied;
    EXPECT_TRUE(eventually(
        [&] {
            copied = x("xclip -o -selection clipboard");
            return !copied.empty();
        },
        10s));
    EXPECT_EQ(copied.rfind("10.77.0.21\t02-00-00-00-00-21\t", 0), 0u) << copied;
    EXPECT_EQ(copied.substr(copied.size() - 4), "\t \r\n") << copied;

    // The scan tuning window by keyboard alone, once opened from the Options page: an interval,
    // Tab, a request count, Tab on to the list, and on to OK, which Space presses.
    x("xdotool mousemove --window " + window + " 49 269 click 1");
    std::this_thread::sleep_for(500ms);
    x("xdotool mousemove --window " + window + " 675 48 click 1");
    const std::string tuning = "Tuning of \"Network scanning\"";
    ASSERT_TRUE(eventually([&] { return x("wmctrl -l").find(tuning) != std::string::npos; }));
    std::this_thread::sleep_for(300ms);
    x("xdotool key ctrl+a type 35");
    x("xdotool key Tab type 150");
    x("xdotool key Tab Tab Tab");
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(test::shell("DISPLAY=" + m_display + " " QV_BINARY_DIR "/tests/qv-screenshot " +
                          (OUTPUT / "tuning-by-keyboard.png").string() + " 2>/dev/null"),
              0);
    x("xdotool key Tab Tab space");
    EXPECT_TRUE(eventually([&] { return x("wmctrl -l").find(tuning) == std::string::npos; }));

    // Closing the window saves the configuration and the station table.
    x("wmctrl -c '" + TITLE + "'");
    ASSERT_TRUE(eventually([&] { return !windowShown(); }));
    ASSERT_TRUE(eventually([&] {
        return std::filesystem::exists(m_root / "data" / "Quorvane.cfg") &&
               savedStation({10, 77, 0, 21});
    }));
    Settings saved = defaultSettings("");
    ASSERT_TRUE(LoadSettings(saved, DataFolder(m_root / "data"), ""));
    EXPECT_EQ(saved.ScanInterval, 35);
    EXPECT_EQ(saved.ScanRequests, 150);

    // A second copy ends at once with status 0 and no window of its own, having asked the first
    // to show its window; the user closes it again.
    test::BackgroundProcess second(programCommand((m_root / "second.log").string()));
    EXPECT_EQ(second.wait(20s), 0);
    EXPECT_NE(test::readText(m_root / "second.log").find("is in use"), std::string::npos);
    ASSERT_TRUE(eventually([&] { return windowShown(); }));
    const std::string shown = x("xdotool search --name '^" + TITLE + "$'");
    ASSERT_EQ(std::count(shown.begin(), shown.end(), '\n'), 1) << shown;
    EXPECT_EQ(x("xdotool getwindowpid " + shown), std::to_string(programs[0]) + "\n");
    x("wmctrl -c '" + TITLE + "'");
    ASSERT_TRUE(eventually([&] { return !windowShown(); }));

    // The icon comes back when the tray's host restarts.
    m_icewm.reset();
    startWindowManager();
    EXPECT_TRUE(eventually([&] {
        const auto again = dockedIcon();
        return again && again->second != icon->second;
    }));

    // SIGTERM saves the stations learned since the window was closed, and the helper ends too.
    send({2, 0, 0, 0, 0, 0x22}, {10, 77, 0, 22});
    ASSERT_TRUE(
        eventually([&] { return events().find("New station;10.77.0.22") != std::string::npos; }));
    program.signal(SIGTERM);
    EXPECT_EQ(program.wait(20s), 0) << test::readText(log);
    EXPECT_TRUE(savedStation({10, 77, 0, 22}));
    EXPECT_TRUE(
        eventually([&] { return processes("quorvane-captur", helperMarker()).empty(); }, 5s));
}

// The desktop session ends: the X server goes away under the program, which saves the stations
// it learned before it ends.
TEST_F(Desktop, TheEndOfTheDesktopSessionSavesTheStations) {
    const std::string log = (m_root / "quorvane.log").string();
    test::BackgroundProcess program(programCommand(log));
    ASSERT_TRUE(eventually([&] { return dockedIcon().has_value(); })) << test::readText(log);
    send({2, 0, 0, 0, 0, 0x23}, {10, 77, 0, 23});
    ASSERT_TRUE(eventually([&] {
        return events().find("New station;10.77.0.23") != std::string::npos;
    })) << test::readText(log);
    m_icewm.reset();
    m_xvfb.reset();
    EXPECT_TRUE(program.wait(20s).has_value()) << test::readText(log);
    EXPECT_TRUE(savedStation({10, 77, 0, 23})) << test::readText(log);
    EXPECT_TRUE(
        eventually([&] { return processes("quorvane-captur", helperMarker()).empty(); }, 5s));
}

TEST_F(Desktop, TheHelperNeverOutlivesAProgramThatIsKilled) {
    test::BackgroundProcess program(programCommand((m_root / "quorvane.log").string()));
    ASSERT_TRUE(eventually([&] { return !processes("quorvane-captur", helperMarker()).empty(); }))
        << test::readText(m_root / "quorvane.log");
    program.signal(SIGKILL);
    program.wait(10s);
    EXPECT_TRUE(
        eventually([&] { return processes("quorvane-captur", helperMarker()).empty(); }, 5s));
}

} // namespace
} // namespace qv
