#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv::test {

// A classic little-endian pcap file, built in memory.
class PcapWriter {
public:
    explicit PcapWriter(std::uint32_t linkType = 1);

    // One record; the wire length defaults to the captured length.
    void add(std::uint32_t seconds, std::uint32_t microseconds,
             const std::vector<std::uint8_t>& frame, std::uint32_t wireLength = 0);
    template <typename Bytes>
    void add(std::uint32_t seconds, std::uint32_t microseconds, const Bytes& frame) {
        add(seconds, microseconds, std::vector<std::uint8_t>(frame.begin(), frame.end()));
    }

    const std::vector<std::uint8_t>& bytes() const { return m_bytes; }
    void save(const std::string& path) const;

private:
    std::vector<std::uint8_t> m_bytes;
};

} // namespace qv::test
