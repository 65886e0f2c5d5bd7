// The whole tray program on a real Wayland desktop: sway without an X server (headless, drawn in
// memory), waybar as the StatusNotifierItem tray, dunst as the notification server, all on a
// private session bus, run as an unprivileged user (sway refuses root); the program runs as that
// user inside a network namespace, capturing through the capture helper. It is driven as the
// desktop drives it: the tray's Activate and menu over D-Bus, the notification's default action
// through dunstctl, a second start with a launcher's activation token. Needs root (namespaces,
// the helper's capabilities, the other user) and the desktop tools; skips, saying why, without
// them. A screenshot of each step is kept in build/tests/output/wayland-desktop.

#include <cmath>
#include <csignal>
#include <regex>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "engine/station_table.h"
#include "tests/gui/desktop_support.h"
#include "tests/support/arp_frames.h"
#include "tests/support/netns.h"
#include "tests/support/process.h"
#include "tests/support/raw_sender.h"
#include "tests/support/temp_folder.h"

namespace qv {
namespace {

using namespace std::chrono_literals;
using test::eventually;

const std::filesystem::path OUTPUT = QV_BINARY_DIR "/tests/output/wayland-desktop";
const std::string TITLE = "Quorvane, version 1.20";

class WaylandDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        if (const auto reason = test::VethPair::unavailableReason()) {
            GTEST_SKIP() << *reason;
        }
        for (const char* tool : {"sway", "swaymsg", "waybar", "dunst", "dunstctl", "grim",
                                 "dbus-daemon", "dbus-monitor", "dbus-send", "setpriv"}) {
            if (test::shell(std::string("command -v ") + tool + " >/dev/null 2>&1") != 0) {
                GTEST_SKIP() << tool << " is missing (./test installs the desktop tools)";
            }
        }
        if (test::shell("test -e /usr/lib/x86_64-linux-gnu/libnss_wrapper.so") != 0) {
            GTEST_SKIP() << "libnss_wrapper is missing (Debian package libnss-wrapper)";
        }
        ASSERT_TRUE(test::installForTheUser(m_root.path()));
        writeDesktopFiles();
        std::filesystem::create_directories(OUTPUT);
        m_pair = std::make_unique<test::VethPair>();
        startSession();
    }

    // The test's user has no entry in the password database, which dbus-daemon insists on: the
    // session's own programs get one from nss_wrapper. Sway's configuration leaves the X server
    // out, so nothing of the program can lean on X11.
    void writeDesktopFiles() {
        const std::string user = std::to_string(test::DESKTOP_USER);
        test::writeText(m_root / "passwd", "qvdesk:x:" + user + ":" + user +
                                               ":Quorvane test:" + path("home") + ":/bin/sh\n");
        test::writeText(m_root / "group", "qvdesk:x:" + user + ":\n");
        test::writeText(m_root / "sway.conf", "xwayland disable\n"
                                              "output HEADLESS-1 resolution 1280x800\n"
                                              "focus_on_window_activation focus\n");
        std::filesystem::create_directories(m_root / "home/.config/waybar");
        test::writeText(m_root / "home/.config/waybar/config",
                        R"({"layer": "top", "position": "top", "height": 30,
                            "modules-left": ["sway/workspaces"], "modules-right": ["tray"],
                            "tray": {"icon-size": 20, "spacing": 8}})");
        test::shell("chown -R " + user + ":" + user + " " + path("home"));
    }

    std::string path(const std::string& name) const { return (m_root / name).string(); }

    // A command as the desktop's user, in its session, on its display.
    std::string asUser(const std::string& command, bool inNamespace = false) const {
        const std::string user = std::to_string(test::DESKTOP_USER);
        return std::string(inNamespace ? "ip netns exec " + m_pair->namespaceB() + " " : "") +
               "setpriv --reuid=" + user + " --regid=" + user +
               " --clear-groups env -i PATH=/usr/bin:/bin HOME=" + path("home") +
               " XDG_RUNTIME_DIR=" + path("run") +
               " DBUS_SESSION_BUS_ADDRESS=unix:path=" + path("run/bus") +
               " WAYLAND_DISPLAY=wayland-1 SWAYSOCK=" + path("run/sway.sock") +
               " LC_ALL=C.UTF-8 TZ=UTC NO_AT_BRIDGE=1 " + command;
    }
    std::string withNames(const std::string& command) const {
        return "LD_PRELOAD=libnss_wrapper.so NSS_WRAPPER_PASSWD=" + path("passwd") +
               " NSS_WRAPPER_GROUP=" + path("group") + " " + command;
    }
    std::string run(const std::string& command) const {
        return test::output(asUser(command) + " 2>/dev/null");
    }
    std::unique_ptr<test::BackgroundProcess> background(const std::string& command,
                                                        const std::string& log) const {
        return std::make_unique<test::BackgroundProcess>("exec " + asUser(command) + " >" +
                                                         path(log) + " 2>&1");
    }

    void startSession() {
        m_bus = background(withNames("dbus-daemon --session --nofork --nopidfile --address=" +
                                     std::string("unix:path=") + path("run/bus")),
                           "bus.log");
        ASSERT_TRUE(eventually([&] { return std::filesystem::exists(m_root / "run/bus"); }))
            << test::readText(m_root / "bus.log");
        m_sway = background("WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 "
                            "sway -c " +
                                path("sway.conf"),
                            "sway.log");
        ASSERT_TRUE(eventually([&] { return std::filesystem::exists(m_root / "run/wayland-1"); }))
            << test::readText(m_root / "sway.log");
        // Sway listens where SWAYSOCK says, and swaymsg looks there.
        ASSERT_TRUE(eventually([&] { return std::filesystem::exists(m_root / "run/sway.sock"); }));
        m_monitor = background("dbus-monitor --session \"interface='org.freedesktop."
                               "Notifications',member='Notify'\"",
                               "notify.log");
        m_dunst = background(withNames("dunst"), "dunst.log");
        startTray();
        ASSERT_TRUE(eventually([&] { return owned("org.freedesktop.Notifications"); }))
            << test::readText(m_root / "dunst.log");
    }

    void startTray() {
        m_waybar = background(withNames("waybar"), "waybar.log");
        ASSERT_TRUE(eventually([&] { return owned("org.kde.StatusNotifierWatcher"); }))
            << test::readText(m_root / "waybar.log");
    }

    bool owned(const std::string& name) const {
        return run("dbus-send --session --print-reply --dest=org.freedesktop.DBus "
                   "/org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner string:" +
                   name)
                   .find("boolean true") != std::string::npos;
    }

    std::unique_ptr<test::BackgroundProcess> startProgram(const std::string& log,
                                                          const std::string& environment = "") {
        return std::make_unique<test::BackgroundProcess>(
            "exec " +
            asUser(environment + " " + path("bin/quorvane") + " --data-dir " + path("data"), true) +
            " >" + path(log) + " 2>&1");
    }

    // The bus name of the program's item, as the tray registered it (":1.9/StatusNotifierItem").
    std::optional<std::string> registeredItem() const {
        const std::string items =
            run("dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher "
                "/StatusNotifierWatcher org.freedesktop.DBus.Properties.Get "
                "string:org.kde.StatusNotifierWatcher string:RegisteredStatusNotifierItems");
        std::smatch match;
        if (std::regex_search(items, match, std::regex("string \"(:[0-9.]+)/StatusNotifierItem"))) {
            return match[1].str();
        }
        return std::nullopt;
    }

    // The program's window in sway's tree, and whether it has the focus: the keys of its node
    // stand at the indentation of its name.
    struct Window {
        bool focused = false;
    };
    std::optional<Window> window() const {
        std::istringstream tree(run("swaymsg -t get_tree"));
        std::vector<std::string> lines;
        for (std::string line; std::getline(tree, line);) {
            lines.push_back(line);
        }
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const std::size_t indent = lines[i].find('"');
            if (indent == std::string::npos ||
                lines[i].compare(indent, std::string::npos, "\"name\": \"" + TITLE + "\",") != 0) {
                continue;
            }
            const auto key = [&](std::size_t at, const std::string& name) {
                return lines[at].size() > indent && lines[at].find_first_not_of(' ') == indent &&
                       lines[at].compare(indent, name.size() + 4, "\"" + name + "\": ") == 0;
            };
            std::optional<Window> found;
            for (std::size_t j = i; j-- > 0 && !found;) {
                if (key(j, "focused")) {
                    found = Window{lines[j].find("true") != std::string::npos};
                }
            }
            for (std::size_t j = i; j < lines.size(); ++j) {
                if (key(j, "app_id")) {
                    return lines[j].find("\"quorvane\"") != std::string::npos ? found
                                                                              : std::nullopt;
                }
            }
        }
        return std::nullopt;
    }

    void screenshot(const std::string& name) {
        std::this_thread::sleep_for(600ms); // the frame after the change
        const std::filesystem::path picture = OUTPUT / (name + ".png");
        EXPECT_EQ(test::shell(asUser("grim -") + " >" + picture.string() + " 2>/dev/null"), 0);
        EXPECT_GT(std::filesystem::file_size(picture), 1000u) << name;
    }

    // The labels of the item's menu in order, as the tray reads them (com.canonical.dbusmenu),
    // each with its id.
    std::vector<std::pair<int, std::string>> menu(const std::string& item) const {
        const std::string layout =
            run("dbus-send --session --print-reply --dest=" + item +
                " /MenuBar com.canonical.dbusmenu.GetLayout int32:0 int32:-1 array:string:");
        std::vector<std::pair<int, std::string>> entries;
        const std::regex entry("int32 ([0-9]+)\\s+array \\[[^\\]]*?string \"label\"\\s+variant\\s+"
                               "string \"([^\"]*)\"");
        for (auto it = std::sregex_iterator(layout.begin(), layout.end(), entry);
             it != std::sregex_iterator(); ++it) {
            entries.emplace_back(std::stoi((*it)[1].str()), (*it)[2].str());
        }
        return entries;
    }
    void choose(const std::string& item, int id) const {
        run("dbus-send --session --print-reply --dest=" + item +
            " /MenuBar com.canonical.dbusmenu.Event int32:" + std::to_string(id) +
            " string:clicked variant:int32:0 uint32:0");
    }
    void closeWindow() const {
        run("swaymsg '[app_id=quorvane] kill'");
        ASSERT_TRUE(eventually([&] { return !window(); }));
    }

    bool savedStation(const IPv4Address& ip) const {
        StationTable table;
        auto t = table.lock();
        return t.loadStations(path("data/ipmac.dat")) > 0 && t.findLatestByIp(ip) != NO_STATION;
    }

    test::TempFolder m_root;
    std::unique_ptr<test::VethPair> m_pair;
    std::unique_ptr<test::BackgroundProcess> m_bus;
    std::unique_ptr<test::BackgroundProcess> m_sway;
    std::unique_ptr<test::BackgroundProcess> m_monitor;
    std::unique_ptr<test::BackgroundProcess> m_dunst;
    std::unique_ptr<test::BackgroundProcess> m_waybar;
};

TEST_F(WaylandDesktop, TheTrayProgramRunsOnAStatusNotifierTrayWithNotifications) {
    const std::string log = path("quorvane.log");
    auto program = startProgram("quorvane.log");

    // The item is registered with the tray's watcher, and the program captures.
    std::optional<std::string> item;
    ASSERT_TRUE(eventually([&] { return (item = registeredItem()).has_value(); }))
        << test::readText(log);
    ASSERT_TRUE(eventually([&] {
        return !test::processes("quorvane-captur", path("bin/quorvane-capture")).empty();
    })) << test::readText(log);
    EXPECT_FALSE(window());
    screenshot("1-tray");

    // One activation of the item (a left click in the tray) opens the window.
    run("dbus-send --session --print-reply --dest=" + *item +
        " /StatusNotifierItem org.kde.StatusNotifierItem.Activate int32:0 int32:0");
    ASSERT_TRUE(eventually([&] { return window().has_value(); })) << test::readText(log);
    screenshot("2-activated");
    closeWindow();

    // The item's menu is the tray menu, and its entries work.
    const auto entries = menu(*item);
    std::vector<std::string> labels;
    for (const auto& [id, label] : entries) {
        labels.push_back(label);
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"Events", "Options...", "Help", "About",
                                                "Home page", "Subscribe to news", "Send comments",
                                                "Software Forum", "Exit"}));
    ASSERT_EQ(entries.size(), 9u);
    choose(*item, entries[1].first);
    ASSERT_TRUE(eventually([&] { return window().has_value(); }));
    screenshot("3-menu-options");
    closeWindow();

    // A frame from the other namespace is a notification of its own: the event type, the details.
    test::sendArp(*m_pair, {2, 0, 0, 0, 0, 0x31}, {10, 77, 0, 31});
    ASSERT_TRUE(eventually([&] {
        return test::readText(m_root / "notify.log").find("string \"New station\"") !=
               std::string::npos;
    })) << test::readText(m_root / "notify.log");
    const std::string notify = test::readText(m_root / "notify.log");
    EXPECT_NE(notify.find("string \"Quorvane\""), std::string::npos);
    EXPECT_NE(notify.find("10.77.0.31"), std::string::npos) << notify;
    EXPECT_NE(notify.find("string \"default\""), std::string::npos);
    screenshot("4-notification");

    // Its default action opens the Events page.
    run("dunstctl action 0");
    ASSERT_TRUE(eventually([&] { return window().has_value(); }))
        << test::readText(m_root / "dunst.log");
    screenshot("5-notification-action");
    closeWindow();

    // A second start shows the running program's window and ends with status 0; with the
    // window shown on another workspace, the launcher's token brings it to the front.
    auto second = startProgram("second.log");
    EXPECT_EQ(second->wait(20s), 0) << test::readText(m_root / "second.log");
    ASSERT_TRUE(eventually([&] { return window().has_value(); }));
    run("swaymsg workspace 2");
    ASSERT_TRUE(eventually([&] { return window() && !window()->focused; }));
    const std::string token = run(QV_BINARY_DIR "/tests/qv-activation-token launcher");
    ASSERT_FALSE(token.empty());
    auto third =
        startProgram("third.log", "XDG_ACTIVATION_TOKEN=" + token.substr(0, token.find('\n')));
    EXPECT_EQ(third->wait(20s), 0) << test::readText(m_root / "third.log");
    EXPECT_TRUE(eventually([&] { return window() && window()->focused; }));
    screenshot("6-second-start");

    // Exit from the item's menu ends the program, saving what it learned.
    choose(*item, entries[8].first);
    EXPECT_EQ(program->wait(20s), 0) << test::readText(log);
    EXPECT_TRUE(savedStation({10, 77, 0, 31}));
}

// The same desktop without its tray: the window shows itself, and a tray that comes later
// takes the icon.
TEST_F(WaylandDesktop, WithoutATrayTheWindowShowsAtStart) {
    m_waybar.reset();
    ASSERT_TRUE(eventually([&] { return !owned("org.kde.StatusNotifierWatcher"); }));
    auto program = startProgram("quorvane.log");
    ASSERT_TRUE(eventually([&] { return window().has_value(); }, 20s))
        << test::readText(m_root / "quorvane.log");
    screenshot("7-no-tray");
    closeWindow();

    startTray();
    EXPECT_TRUE(eventually([&] { return registeredItem().has_value(); }));
    screenshot("8-late-tray");
    program->signal(SIGTERM);
    EXPECT_EQ(program->wait(20s), 0);
}

// Under a flood of random addresses the program stays responsive, and the desktop gets a few
// notifications a second: three one by one and each second's summary.
TEST_F(WaylandDesktop, UnderAFloodTheProgramAnswersAndNotifiesAFewTimesASecond) {
    auto program = startProgram("quorvane.log");
    std::optional<std::string> item;
    ASSERT_TRUE(eventually([&] { return (item = registeredItem()).has_value(); }));
    ASSERT_TRUE(eventually(
        [&] { return !test::processes("quorvane-captur", path("bin/quorvane-capture")).empty(); }));
    const auto pids = test::processes("quorvane", path("bin/quorvane"));
    ASSERT_EQ(pids.size(), 1u);
    const std::string before = test::statusField(pids[0], "VmRSS");

    test::SentFlood flood;
    std::thread sender([&] {
        test::VethPair::runIn(m_pair->namespaceA(), [&] {
            test::RawSender raw(m_pair->interfaceA());
            flood = test::sendFlood(raw, test::floodFrame, 600'000, 4s);
        });
    });
    std::this_thread::sleep_for(1500ms); // well into the flood
    const auto asked = std::chrono::steady_clock::now();
    run("dbus-send --session --print-reply --dest=" + *item +
        " /StatusNotifierItem org.kde.StatusNotifierItem.Activate int32:0 int32:0");
    ASSERT_TRUE(eventually([&] { return window().has_value(); }, 10s));
    const auto opened = std::chrono::steady_clock::now() - asked;
    sender.join();
    screenshot("9-flood");
    std::this_thread::sleep_for(2s); // the last second's summary
    EXPECT_LT(opened, 1s);
    const std::string after = test::statusField(pids[0], "VmRSS");
    std::cout << flood.frames << " frames in " << flood.seconds << " s; the window opened "
              << std::chrono::duration<double>(opened).count() << " s after the command; "
              << "resident " << before << " before, " << after << " after\n";

    // At most three a second one by one and one summary a second (one kind), over the seconds
    // the flood touched and the one that closed it.
    const std::string notify = test::readText(m_root / "notify.log");
    std::size_t notifications = 0;
    for (std::size_t at = 0; (at = notify.find("member=Notify", at)) != std::string::npos; ++at) {
        ++notifications;
    }
    const auto seconds = static_cast<std::size_t>(std::ceil(flood.seconds)) + 2;
    EXPECT_LE(notifications, 4 * seconds) << notify;
    EXPECT_GE(notifications, 4u);
    EXPECT_NE(notify.find(" more in one second; first "), std::string::npos);
    program->signal(SIGTERM);
    EXPECT_EQ(program->wait(20s), 0) << test::readText(m_root / "quorvane.log");
}

// The windows' own tests (the main window, its tables and menus, the IP tools' windows, the
// start-up's message boxes, the desktop's tray and notifications) pass on the compositor too, as
// they do on Qt's offscreen platform.
TEST_F(WaylandDesktop, TheWindowsTestsPassOnWayland) {
    for (const char* tests : {"main_window_tests", "window_tables_tests", "ip_tools_tests",
                              "start_up_tests", "navigation_tests"}) {
        const std::string out =
            test::output(asUser(std::string("QT_QPA_PLATFORM=wayland LC_ALL=C ") +
                                QV_BINARY_DIR "/tests/" + tests) +
                         " 2>&1; echo status=$?");
        EXPECT_NE(out.find("status=0"), std::string::npos) << tests << "\n" << out;
    }
}

} // namespace
} // namespace qv
