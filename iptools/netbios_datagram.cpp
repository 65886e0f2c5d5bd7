#include "iptools/netbios_datagram.h"

#include <algorithm>

#include "common/byte_order.h"

namespace qv {
namespace {

constexpr std::uint8_t DIRECT_UNIQUE_DATAGRAM = 0x10;
constexpr std::uint8_t FIRST_FRAGMENT_B_NODE = 0x02;
constexpr std::size_t NETBIOS_HEADER_SIZE = 14;
constexpr std::size_t SMB_HEADER_SIZE = 32;
constexpr std::uint8_t SMB_COM_TRANSACTION = 0x25;
constexpr std::uint8_t TRANSACTION_WORD_COUNT = 17;
constexpr std::uint16_t MAILSLOT_WRITE = 1;
constexpr std::uint16_t SECOND_CLASS = 2;
constexpr std::uint32_t MAILSLOT_TIMEOUT_MS = 1000;

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

void append16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void append32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    append16(out, static_cast<std::uint16_t>(v));
    append16(out, static_cast<std::uint16_t>(v >> 16));
}

std::vector<std::uint8_t> smbMailslotWrite(const std::string& mailslot,
                                           std::span<const std::uint8_t> data) {
    const std::size_t nameBytes = mailslot.size() + 1;
    const std::size_t dataOffset = SMB_HEADER_SIZE + 1 + TRANSACTION_WORD_COUNT * 2 + 2 + nameBytes;
    const auto dataCount = static_cast<std::uint16_t>(data.size());
    std::vector<std::uint8_t> smb = {0xFF, 'S', 'M', 'B', SMB_COM_TRANSACTION};
    smb.resize(SMB_HEADER_SIZE, 0); // status, flags, PID, signature, TID, UID, MID: all zero
    smb.push_back(TRANSACTION_WORD_COUNT);
    append16(smb, 0);         // total parameter count
    append16(smb, dataCount); // total data count
    append16(smb, 0);         // max parameter count
    append16(smb, 0);         // max data count
    smb.push_back(0);         // max setup count
    smb.push_back(0);
    append16(smb, 0); // flags
    append32(smb, MAILSLOT_TIMEOUT_MS);
    append16(smb, 0);
    append16(smb, 0); // parameter count
    append16(smb, 0); // parameter offset
    append16(smb, dataCount);
    append16(smb, static_cast<std::uint16_t>(dataOffset));
    smb.push_back(3); // setup count
    smb.push_back(0);
    append16(smb, MAILSLOT_WRITE);
    append16(smb, 0); // priority
    append16(smb, SECOND_CLASS);
    append16(smb, static_cast<std::uint16_t>(nameBytes + data.size()));
    smb.insert(smb.end(), mailslot.begin(), mailslot.end());
    smb.push_back(0);
    smb.insert(smb.end(), data.begin(), data.end());
    return smb;
}

} // namespace

std::array<std::uint8_t, 34> encodeNetbiosName(std::string_view name, std::uint8_t suffix) {
    std::array<std::uint8_t, 16> plain;
    plain.fill(' ');
    for (std::size_t i = 0; i < 15 && i < name.size(); ++i) {
        plain[i] = static_cast<std::uint8_t>(upper(name[i]));
    }
    plain[15] = suffix;
    std::array<std::uint8_t, 34> encoded{};
    encoded[0] = 0x20;
    for (std::size_t i = 0; i < plain.size(); ++i) {
        encoded[1 + 2 * i] = static_cast<std::uint8_t>('A' + (plain[i] >> 4));
        encoded[2 + 2 * i] = static_cast<std::uint8_t>('A' + (plain[i] & 0x0F));
    }
    encoded[33] = 0; // empty scope
    return encoded;
}

std::vector<std::uint8_t> buildMailslotDatagram(const MailslotWrite& w) {
    const auto source = encodeNetbiosName(w.sourceName, NETBIOS_WORKSTATION_SUFFIX);
    const auto destination = encodeNetbiosName(w.destinationName, NETBIOS_MESSENGER_SUFFIX);
    const auto smb = smbMailslotWrite(w.mailslot, w.data);

    std::vector<std::uint8_t> out(NETBIOS_HEADER_SIZE);
    out[0] = DIRECT_UNIQUE_DATAGRAM;
    out[1] = FIRST_FRAGMENT_B_NODE;
    storeBe16(&out[2], w.datagramId);
    std::copy(w.sourceIp.begin(), w.sourceIp.end(), out.begin() + 4);
    storeBe16(&out[8], w.sourcePort);
    storeBe16(&out[10],
              static_cast<std::uint16_t>(source.size() + destination.size() + smb.size()));
    storeBe16(&out[12], 0); // packet offset
    out.insert(out.end(), source.begin(), source.end());
    out.insert(out.end(), destination.begin(), destination.end());
    out.insert(out.end(), smb.begin(), smb.end());
    return out;
}

} // namespace qv
