#include "tests/gui/desktop_support.h"

#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <sys/stat.h>
#include <thread>

#include <gtest/gtest.h>

#include "tests/support/arp_frames.h"
#include "tests/support/ndp_frames.h"
#include "tests/support/netns.h"
#include "tests/support/raw_sender.h"
#include "tests/support/temp_folder.h"

namespace qv::test {

std::string output(const std::string& command) {
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char chunk[4096];
        std::size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) {
            text.append(chunk, n);
        }
        ::pclose(pipe);
    }
    return text;
}

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

std::vector<pid_t> processes(const std::string& comm, const std::string& marker) {
    std::vector<pid_t> found;
    DIR* proc = ::opendir("/proc");
    while (const dirent* entry = ::readdir(proc)) {
        const std::string dir = std::string("/proc/") + entry->d_name;
        std::string name;
        std::getline(std::ifstream(dir + "/comm"), name);
        std::string cmdline = readText(dir + "/cmdline");
        if (name == comm && cmdline.find(marker) != std::string::npos) {
            found.push_back(std::stoi(entry->d_name));
        }
    }
    ::closedir(proc);
    return found;
}

std::string statusField(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field + ":", 0) == 0) {
            return line.substr(line.find_first_not_of(" \t", field.size() + 1));
        }
    }
    return "";
}

bool installForTheUser(const std::filesystem::path& root) {
    ::chmod(root.c_str(), 0755);
    const std::string gid = std::to_string(DESKTOP_USER);
    for (const char* dir : {"bin", "home", "run", "data"}) {
        std::filesystem::create_directories(root / dir);
    }
    return shell("set -e; cd " + root.string() +
                 "; cp " QV_BINARY_DIR "/quorvane bin/; cp " QV_BINARY_DIR
                 "/quorvane-capture bin/; chown root:" +
                 gid +
                 " bin/quorvane-capture; chmod 0750 bin/quorvane-capture; setcap "
                 "cap_net_raw,cap_net_admin=ep bin/quorvane-capture; chown " +
                 gid + ":" + gid + " home run data; chmod 0700 run") == 0;
}

void sendArp(const VethPair& pair, const MacAddress& mac, const IPv4Address& ip) {
    VethPair::runIn(pair.namespaceA(), [&] {
        RawSender sender(pair.interfaceA());
        EXPECT_TRUE(sender.send(arpFrame(ARP_REQUEST, mac, ip, ZERO_MAC, {10, 77, 0, 200})));
    });
}

void sendNeighbourSolicitation(const VethPair& pair, const MacAddress& mac, const IPv6Address& ip) {
    NdpFrameFields f;
    f.ethernetSource = mac;
    f.source = ip;
    f.destination = solicitedNode(200);
    f.target = linkLocal(200);
    f.options = linkLayerOption(1, mac);
    VethPair::runIn(pair.namespaceA(), [&] {
        RawSender sender(pair.interfaceA());
        EXPECT_TRUE(sender.send(ndpFrame(f)));
    });
}

} // namespace qv::test
