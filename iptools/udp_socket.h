#pragma once

#include <cstdint>
#include <netinet/in.h>

#include "common/file_descriptor.h"

#include "common/addresses.h"

namespace qv {

// An IPv4 datagram socket closed with its owner; fd() is negative when it could not be made.
class UdpSocket {
public:
    UdpSocket();
    int fd() const { return m_fd.get(); }

private:
    FileDescriptor m_fd;
};

sockaddr_in socketAddress(const IPv4Address& ip, std::uint16_t port);

} // namespace qv
