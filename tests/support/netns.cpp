#include "tests/support/netns.h"

#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <sched.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace qv::test {
namespace {

std::string uniqueSuffix() {
    static std::atomic<int> counter{0};
    return std::to_string(::getpid()) + "x" + std::to_string(counter++);
}

} // namespace

int shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::optional<std::string> VethPair::unavailableReason() {
    if (::geteuid() != 0) {
        return "network namespaces need root (CI runs as root)";
    }
    if (shell("command -v ip >/dev/null 2>&1") != 0) {
        return "iproute2's ip command is missing";
    }
    return std::nullopt;
}

VethPair::VethPair(IPv6 ipv6) {
    const std::string suffix = uniqueSuffix();
    m_namespaceA = "qv-a-" + suffix;
    m_namespaceB = "qv-b-" + suffix;
    // Made inside the namespaces, so these names never meet the host's interfaces.
    m_interfaceA = "qva";
    m_interfaceB = "qvb";
    const std::string a = " -n " + m_namespaceA + " ";
    const std::string b = " -n " + m_namespaceB + " ";
    const std::string off = ipv6 == IPv6::On ? "0" : "1";
    const auto sysctl = [&](const std::string& netns, const std::string& interface) {
        return "ip netns exec " + netns + " sysctl -qw net.ipv6.conf." + interface +
               ".disable_ipv6=" + off + "; ";
    };
    const std::string script =
        "set -e; ip netns add " + m_namespaceA + "; ip netns add " + m_namespaceB + "; ip" + a +
        "link add " + m_interfaceA + " type veth peer name " + m_interfaceB + " netns " +
        m_namespaceB + "; " + sysctl(m_namespaceA, m_interfaceA) +
        sysctl(m_namespaceB, m_interfaceB) + "ip" + a + "addr add " + ADDRESS_A + "/24 dev " +
        m_interfaceA + "; ip" + b + "addr add " + ADDRESS_B + "/24 dev " + m_interfaceB + "; ip" +
        a + "link set " + m_interfaceA + " up; ip" + b + "link set " + m_interfaceB + " up; ip" +
        a + "link set lo up; ip" + b + "link set lo up";
    if (shell(script) != 0) {
        shell("ip netns del " + m_namespaceA + " 2>/dev/null; ip netns del " + m_namespaceB +
              " 2>/dev/null");
        throw std::runtime_error("cannot create the test namespaces");
    }
}

VethPair::~VethPair() {
    shell("ip netns del " + m_namespaceA + " 2>/dev/null; ip netns del " + m_namespaceB +
          " 2>/dev/null");
}

void VethPair::runIn(const std::string& netns, const std::function<void()>& body) {
    std::exception_ptr failure;
    std::thread thread([&] {
        try {
            const std::string path = "/var/run/netns/" + netns;
            const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0 || ::setns(fd, CLONE_NEWNET) != 0) {
                throw std::runtime_error("cannot enter namespace " + netns);
            }
            ::close(fd);
            body();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    thread.join();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

} // namespace qv::test
