#include "tests/support/pcapng_writer.h"

#include "common/byte_order.h"
#include "tests/support/temp_folder.h"

namespace qv::test {
namespace {

constexpr std::uint32_t SECTION_HEADER = 0x0A0D0D0A;
constexpr std::uint32_t INTERFACE_DESCRIPTION = 1;
constexpr std::uint32_t ENHANCED_PACKET = 6;
constexpr std::uint16_t IF_TSOFFSET = 14;

void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    std::uint8_t b[4];
    storeLe32(b, v);
    out.insert(out.end(), b, b + 4);
}

void put64(std::vector<std::uint8_t>& out, std::uint64_t v) {
    put32(out, static_cast<std::uint32_t>(v));
    put32(out, static_cast<std::uint32_t>(v >> 32));
}

void padTo4(std::vector<std::uint8_t>& out) {
    while (out.size() % 4 != 0) {
        out.push_back(0);
    }
}

} // namespace

PcapngWriter::PcapngWriter(std::int64_t offsetSeconds) {
    std::vector<std::uint8_t> section;
    put32(section, 0x1A2B3C4D); // byte-order magic
    put16(section, 1);
    put16(section, 0);
    put64(section, ~std::uint64_t{0}); // section length not given
    block(SECTION_HEADER, section);

    std::vector<std::uint8_t> interface;
    put16(interface, 1); // Ethernet
    put16(interface, 0);
    put32(interface, 65535);
    if (offsetSeconds != 0) {
        put16(interface, IF_TSOFFSET);
        put16(interface, 8);
        put64(interface, static_cast<std::uint64_t>(offsetSeconds));
        put32(interface, 0); // end of options
    }
    block(INTERFACE_DESCRIPTION, interface);
}

void PcapngWriter::add(std::uint64_t microseconds, const std::vector<std::uint8_t>& frame) {
    std::vector<std::uint8_t> packet;
    put32(packet, 0); // interface
    put32(packet, static_cast<std::uint32_t>(microseconds >> 32));
    put32(packet, static_cast<std::uint32_t>(microseconds));
    put32(packet, static_cast<std::uint32_t>(frame.size()));
    put32(packet, static_cast<std::uint32_t>(frame.size()));
    packet.insert(packet.end(), frame.begin(), frame.end());
    padTo4(packet);
    block(ENHANCED_PACKET, packet);
}

void PcapngWriter::block(std::uint32_t type, const std::vector<std::uint8_t>& body) {
    const auto length = static_cast<std::uint32_t>(12 + body.size());
    put32(m_bytes, type);
    put32(m_bytes, length);
    m_bytes.insert(m_bytes.end(), body.begin(), body.end());
    put32(m_bytes, length);
}

void PcapngWriter::save(const std::string& path) const {
    writeBytes(path, m_bytes);
}

} // namespace qv::test
