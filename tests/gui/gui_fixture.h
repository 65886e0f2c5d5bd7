#pragma once

#include <functional>
#include <memory>

#include <QTest>

#include "gui/tray_program.h"
#include "tests/support/fake_packet_driver.h"
#include "tests/support/temp_folder.h"

namespace qv::test {

// A notification area of the test's choosing: there from the start, or none until the test puts
// one there.
class FakeTrayProbe final : public TrayHostProbe {
public:
    explicit FakeTrayProbe(TrayKind present) : kind(present) {}
    void probe(std::function<void(TrayKind)> answer) override { answer(kind); }
    TrayKind kind;
};

// The desktop the program finds: an XEmbed tray at once and no session bus, unless a test says
// otherwise.
struct FakeDesktop {
    TrayKind tray = TrayKind::XEmbed;
    std::chrono::milliseconds grace = TrayIcon::GRACE;
    QDBusConnection bus{QString()};
};

// The tray program on a temporary data folder, capturing through a fake driver with two
// adapters, started as at a first run (every adapter selected), its station lookups kept off the
// network. The window stays hidden until a test shows it.
struct GuiFixture {
    // `prepare` puts files into the data folder before the program starts.
    explicit GuiFixture(const std::function<void(const DataFolder&)>& prepare = {},
                        FakeDesktop desktop = {}) {
        if (prepare) {
            prepare(folder);
        }
        driver.adapters = {{"eth0", "Intel Ethernet", "192.168.1.5"}, {"eth1", "Realtek", ""}};
        StationLookups stayHome;
        stayHome.dnsName = [](const IPAddress&) { return std::optional<std::string>(); };
        stayHome.netbios = [](const IPv4Address&) {
            return std::array<std::string, 2>{NOT_DETECTED, NOT_DETECTED};
        };
        auto probe = std::make_unique<FakeTrayProbe>(desktop.tray);
        trayProbe = probe.get();
        program = std::make_unique<TrayProgram>(
            folder, driver, stayHome, DesktopSession{std::move(probe), desktop.bus, desktop.grace});
        program->start();
    }

    template <typename Widget>
    Widget* find(const char* name) {
        return program->window().findChild<Widget*>(name);
    }
    std::filesystem::path file(const char* name) const { return folder.folder() / name; }

    TempFolder root;
    DataFolder folder{root / "Quorvane"};
    FakePacketDriver driver;
    FakeTrayProbe* trayProbe = nullptr; // owned by the program
    std::unique_ptr<TrayProgram> program;
};

} // namespace qv::test
