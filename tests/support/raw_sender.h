#pragma once

#include <cstdint>
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

} // namespace qv::test
