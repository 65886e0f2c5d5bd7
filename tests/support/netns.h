#pragma once

#include <functional>
#include <optional>
#include <string>

namespace qv::test {

// Two network namespaces joined by a veth pair, made for one test and removed after it: host A
// (10.77.0.1/24 on `interfaceA`) and host B (10.77.0.2/24 on `interfaceB`). Traffic between them
// never leaves the machine. IPv6 is off on both ends unless asked for, so that the kernels' own
// neighbour discovery (duplicate address detection, router solicitations) stays out of tests that
// count what they sent. Needs root and iproute2.
class VethPair {
public:
    enum class IPv6 { Off, On };

    static constexpr const char* ADDRESS_A = "10.77.0.1";
    static constexpr const char* ADDRESS_B = "10.77.0.2";

    // Why the pair cannot be made here, or nothing when it can.
    static std::optional<std::string> unavailableReason();

    explicit VethPair(IPv6 ipv6 = IPv6::Off);
    ~VethPair();
    VethPair(const VethPair&) = delete;
    VethPair& operator=(const VethPair&) = delete;

    const std::string& namespaceA() const { return m_namespaceA; }
    const std::string& namespaceB() const { return m_namespaceB; }
    const std::string& interfaceA() const { return m_interfaceA; }
    const std::string& interfaceB() const { return m_interfaceB; }

    // Runs `body` on a thread of its own that has entered the namespace, and waits for it.
    static void runIn(const std::string& netns, const std::function<void()>& body);

private:
    std::string m_namespaceA;
    std::string m_namespaceB;
    std::string m_interfaceA;
    std::string m_interfaceB;
};

// Runs a shell command; its exit status.
int shell(const std::string& command);

} // namespace qv::test
