#include "engine/arp_log.h"

#include <algorithm>
#include <stdexcept>

namespace qv {

ArpLogRing::ArpLogRing() {
    m_slots.fill(ArpLogEntry{});
}

ArpLogRing::Access ArpLogRing::lock() {
    return Access(*this);
}

const ArpLogEntry& ArpLogRing::Access::slot(int index) const {
    if (index < 0 || index >= ARP_LOG_SLOTS) {
        throw std::out_of_range("ARP log slot out of range");
    }
    return m_ring.m_slots[static_cast<std::size_t>(index)];
}

const ArpLogEntry& ArpLogRing::Access::row(int row) const {
    return slot(wrap(writePosition() - count() + row));
}

const ArpLogEntry& ArpLogRing::Access::newest(int age) const {
    return slot(wrap(writePosition() - 1 - age));
}

int ArpLogRing::Access::appendArpLog(ArpFrameBytes frame, TDateTime now, AdapterId adapter) {
    return append(frame, LogFamily::Arp, now, adapter);
}

int ArpLogRing::Access::appendNdpLog(ArpFrameBytes record, TDateTime now, AdapterId adapter) {
    return append(record, LogFamily::Ndp, now, adapter);
}

int ArpLogRing::Access::append(ArpFrameBytes bytes, LogFamily family, TDateTime now,
                               AdapterId adapter) {
    ArpLogEntry& entry = m_ring.m_slots[static_cast<std::size_t>(m_ring.m_writePosition)];
    std::copy(bytes.begin(), bytes.end(), entry.frame.begin());
    entry.adapter = adapter;
    entry.family = family;
    entry.time = now;
    m_ring.m_writePosition = (m_ring.m_writePosition + 1) % ARP_LOG_SLOTS;
    ++m_ring.m_appended;
    m_ring.m_count = std::min(m_ring.m_count + 1, ARP_LOG_SLOTS - 1);
    return m_ring.m_count;
}

int ArpLogRing::Access::countRecent(int seconds, bool trim, TDateTime now) {
    int i = 0;
    while (i < count()) {
        if (ageInSeconds(now, newest(i).time) > seconds) {
            if (trim) {
                m_ring.m_count = i;
            }
            break;
        }
        ++i;
    }
    return i;
}

void ArpLogRing::Access::copyTo(ArpLogRing& target) const {
    if (&target == &m_ring) {
        return;
    }
    auto other = target.lock();
    target.m_slots = m_ring.m_slots;
    target.m_writePosition = m_ring.m_writePosition;
    target.m_count = m_ring.m_count;
    target.m_appended = m_ring.m_appended;
}

} // namespace qv
