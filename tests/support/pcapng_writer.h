#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv::test {

// A little-endian pcapng file with one Ethernet interface on microsecond time, built in memory.
// Its time stamps are 64-bit; `offsetSeconds` becomes the interface's if_tsoffset, which moves
// every time stamp by that many seconds (also before 1970).
class PcapngWriter {
public:
    explicit PcapngWriter(std::int64_t offsetSeconds = 0);

    // One enhanced packet block, `microseconds` after the offset.
    void add(std::uint64_t microseconds, const std::vector<std::uint8_t>& frame);
    template <typename Bytes>
    void add(std::uint64_t microseconds, const Bytes& frame) {
        add(microseconds, std::vector<std::uint8_t>(frame.begin(), frame.end()));
    }

    const std::vector<std::uint8_t>& bytes() const { return m_bytes; }
    void save(const std::string& path) const;

private:
    void block(std::uint32_t type, const std::vector<std::uint8_t>& body);

    std::vector<std::uint8_t> m_bytes;
};

} // namespace qv::test
