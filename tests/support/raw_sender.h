#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace qv::test {

// A raw packet socket bound to one interface of the namespace it was opened in: frames go out
// exactly as given.
class RawSender {
public:
    explicit RawSender(const std::string& interface);
    ~RawSender();
    RawSender(const RawSender&) = delete;
    RawSender& operator=(const RawSender&) = delete;

    bool send(std::span<const std::uint8_t> frame);

private:
    int m_fd = -1;
};

struct SentFlood {
    std::uint64_t frames = 0;
    double seconds = 0;
};

// Sends frames 0, 1, ... that `frame` makes, `perSecond` a second or (0) as fast as the socket
// takes them, until `count` were sent or `limit` has passed.
SentFlood sendFlood(RawSender& sender,
                    const std::function<std::array<std::uint8_t, 42>(std::uint64_t)>& frame,
                    std::uint64_t count, std::chrono::milliseconds limit, double perSecond = 0);

} // namespace qv::test
