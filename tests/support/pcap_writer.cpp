#include "tests/support/pcap_writer.h"

#include "common/byte_order.h"
#include "tests/support/temp_folder.h"

namespace qv::test {
namespace {

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    std::uint8_t b[4];
    storeLe32(b, v);
    out.insert(out.end(), b, b + 4);
}

} // namespace

PcapWriter::PcapWriter(std::uint32_t linkType) {
    put32(m_bytes, 0xA1B2C3D4);
    put32(m_bytes, 2 | (4u << 16)); // version 2.4
    put32(m_bytes, 0);              // time zone
    put32(m_bytes, 0);              // accuracy
    put32(m_bytes, 65535);          // snap length
    put32(m_bytes, linkType);
}

void PcapWriter::add(std::uint32_t seconds, std::uint32_t microseconds,
                     const std::vector<std::uint8_t>& frame, std::uint32_t wireLength) {
    put32(m_bytes, seconds);
    put32(m_bytes, microseconds);
    put32(m_bytes, static_cast<std::uint32_t>(frame.size()));
    put32(m_bytes, wireLength != 0 ? wireLength : static_cast<std::uint32_t>(frame.size()));
    m_bytes.insert(m_bytes.end(), frame.begin(), frame.end());
}

void PcapWriter::save(const std::string& path) const {
    writeBytes(path, m_bytes);
}

} // namespace qv::test
