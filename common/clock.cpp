#include "common/clock.h"

#include <time.h>

namespace qv {

TDateTime LocalClock::now() const {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return localDateTimeFromUnix(ts.tv_sec, ts.tv_nsec / 1000);
}

} // namespace qv
